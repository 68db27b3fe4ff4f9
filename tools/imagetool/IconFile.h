#pragma once

#include <string>
#include <vector>

#include "tools/imagetool/Image.h"

namespace kv::imagetool {

// Images of 256 pixels and more are stored as PNG, as Windows Vista and later read them;
// smaller ones as 32-bit BMP with an AND mask so every version of the icon loader takes them.
constexpr int kPngIconMinSize = 256;

// Builds an .ico file with one directory entry per image, in the order given. Images must be
// square, at most 256 pixels and of distinct sizes.
bool encodeIco(const std::vector<Image>& images, Bytes& out, std::string& error);

}  // namespace kv::imagetool
