#pragma once

#include <string>

#include "tools/imagetool/Image.h"

namespace kv::imagetool {

// Largest width or height accepted from a PNG; far above any icon or toolbar picture.
constexpr int kMaxPngDimension = 4096;

// Decodes any PNG colour type and bit depth to 8-bit RGBA. Every read is bounds-checked
// against `data`; on failure returns false and says why in `error`.
bool decodePng(const Bytes& data, Image& out, std::string& error);

// Encodes 8-bit RGBA with no time or text chunks, so equal images give equal bytes.
bool encodePng(const Image& image, Bytes& out, std::string& error);

}  // namespace kv::imagetool
