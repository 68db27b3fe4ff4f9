// The .ico files the image tool writes for the IDE and the runtime stubs.
#pragma once

#include <string>
#include <vector>

#include "common/Pixels.h"

namespace kvimage {

// Images of 256 pixels and more are stored as PNG, as Windows Vista and later read them;
// smaller ones as 32-bit BMP with an AND mask so every version of the icon loader takes them.
inline constexpr std::uint32_t kPngIconSmallestSide = 256;

// Builds an .ico file with one directory entry per image, in the order given. Images must be
// square, at most 256 pixels and of distinct sizes.
bool EncodeIco(const std::vector<KVPixels>& images, std::string& out, std::string& error);

}  // namespace kvimage
