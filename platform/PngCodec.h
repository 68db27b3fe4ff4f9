// PNG decoding and encoding. Windows decodes with GDI+ and encodes with the Windows Imaging
// Component; elsewhere libpng does both. Either way the caller sees the same pixels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Pixels.h"
#include "platform/Platform.h"

namespace kvplatform {

// Larger images are refused rather than allocated.
inline constexpr std::uint32_t kLargestPngSide = 4096;

// Whether EncodePng takes the image: a side of 1 to kLargestPngSide and a consistent buffer.
inline bool IsWritablePng(const KVPixels& image) {
  return image.width != 0 && image.height != 0 && image.width <= kLargestPngSide && image.height <= kLargestPngSide &&
         image.Consistent();
}

// Any PNG colour type and depth, converted to 8-bit straight BGRA. False for a damaged or
// truncated stream, or a side of 0 or beyond kLargestPngSide; out is then left empty. Colour
// under a fully transparent pixel is not kept (it may come back as 0), and where alpha is
// partial it may differ by a unit or two, since Windows hands the pixels over premultiplied.
bool DecodePng(std::string_view png, KVPixels& out);

// An 8-bit RGBA PNG stream. False when the image is empty, too large or inconsistent; png is
// then left empty. The POSIX side writes image chunks only, so that equal images give equal
// bytes; the image tool, which needs that for repeatable builds, runs there.
bool EncodePng(const KVPixels& image, std::string& png);

// Writes the image as a PNG file, replacing the file; no partial file is left on failure.
inline bool WritePngFile(const KVPixels& image, const std::string& path) {
  std::string png;
  return EncodePng(image, png) && WriteFileBytes(path, png);
}

}  // namespace kvplatform
