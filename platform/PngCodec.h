// PNG decoding and encoding. Windows decodes with GDI+ and encodes with the Windows Imaging
// Component; elsewhere libpng does both. Either way the caller sees the same pixels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvplatform {

// Top-down rows of red, green, blue, alpha bytes; colour not premultiplied.
struct RgbaImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4 bytes
};

// Larger images are refused rather than allocated.
inline constexpr std::uint32_t kLargestPngSide = 4096;

// Whether WritePngFile takes the image: a side of 1 to kLargestPngSide and four bytes a pixel.
inline bool IsWritablePng(const RgbaImage& image) {
  return image.width != 0 && image.height != 0 && image.width <= kLargestPngSide && image.height <= kLargestPngSide &&
         image.rgba.size() == static_cast<std::size_t>(image.width) * image.height * 4;
}

// Any PNG colour type and depth, converted to 8-bit RGBA. False for a damaged or truncated
// stream, or a side of 0 or beyond kLargestPngSide; out is then left empty. Colour under a
// fully transparent pixel is not kept (it may come back as 0), and where alpha is partial
// it may differ by a unit or two, since Windows hands the pixels over premultiplied.
bool DecodePng(std::string_view png, RgbaImage& out);

// Writes the image as an 8-bit RGBA PNG file, replacing the file. False when the image is
// empty, too large or inconsistent, or the file cannot be written; no partial file is left.
bool WritePngFile(const RgbaImage& image, const std::string& path);

}  // namespace kvplatform
