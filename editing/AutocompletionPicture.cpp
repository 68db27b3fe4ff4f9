#include "editing/AutocompletionPicture.h"

#include <cstddef>
#include <cstdint>

namespace kveditor {

namespace {

// BITMAPFILEHEADER (14 bytes) followed by at least the BITMAPINFOHEADER part of any later
// header (40 bytes): the smallest header in front of the pixels.
constexpr std::size_t kSmallestHeaders = 14 + 40;
constexpr std::size_t kWidthOffset = 18;
constexpr std::size_t kHeightOffset = 22;
// Member-list pictures are 16 x 16; anything beyond this is not one of them.
constexpr std::int32_t kLargestSide = 256;

std::int32_t SignedLe32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<RgbaPicture> DecodeAutocompletionPicture(std::string_view bmpFile) {
  if (bmpFile.size() < kSmallestHeaders) return std::nullopt;
  const std::int32_t width = SignedLe32(bmpFile, kWidthOffset);
  const std::int32_t height = SignedLe32(bmpFile, kHeightOffset);
  if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide) return std::nullopt;

  // The sides are at most 256, so these products cannot overflow.
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(height);
  // The rows end the file; they must not reach back into the headers.
  if (pixelBytes > bmpFile.size() - kSmallestHeaders) return std::nullopt;

  RgbaPicture picture;
  picture.width = width;
  picture.height = height;
  picture.rgba.resize(pixelBytes);
  // The last row of the file is the top row of the picture.
  for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row) {
    const std::string_view source = bmpFile.substr(bmpFile.size() - (row + 1) * rowBytes, rowBytes);
    unsigned char* target = picture.rgba.data() + row * rowBytes;
    for (std::size_t i = 0; i < rowBytes; i += 4) {
      target[i + 0] = static_cast<unsigned char>(source[i + 2]);
      target[i + 1] = static_cast<unsigned char>(source[i + 1]);
      target[i + 2] = static_cast<unsigned char>(source[i + 0]);
      target[i + 3] = static_cast<unsigned char>(source[i + 3]);
    }
  }
  return picture;
}

}  // namespace kveditor
