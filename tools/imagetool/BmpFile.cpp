#include "tools/imagetool/BmpFile.h"

#include "common/ByteIO.h"

namespace kvimage {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::uint32_t kPixelsPerMeter96Dpi = 3780;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kLcsSrgb = 0x73524742;  // 'sRGB'
constexpr std::uint32_t kLcsGmImages = 4;

void PutFileHeader(std::string& out, std::uint32_t pixelOffset, std::uint32_t pixelBytes) {
  out += "BM";
  kvbytes::PutU32(out, pixelOffset + pixelBytes);
  kvbytes::PutU32(out, 0);  // reserved
  kvbytes::PutU32(out, pixelOffset);
}

}  // namespace

void PutInfoHeader(std::string& out, std::uint32_t width, std::uint32_t storedHeight, std::uint32_t imageBytes) {
  kvbytes::PutU32(out, kInfoHeaderSize);
  kvbytes::PutU32(out, width);
  kvbytes::PutU32(out, storedHeight);  // positive: bottom-up rows
  kvbytes::PutU16(out, 1);             // planes
  kvbytes::PutU16(out, 32);            // bits per pixel
  kvbytes::PutU32(out, 0);             // BI_RGB
  kvbytes::PutU32(out, imageBytes);
  kvbytes::PutU32(out, kPixelsPerMeter96Dpi);
  kvbytes::PutU32(out, kPixelsPerMeter96Dpi);
  kvbytes::PutU32(out, 0);  // colours used
  kvbytes::PutU32(out, 0);  // important colours
}

void PutBottomUpRows(std::string& out, const KVPixels& image) {
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  for (std::uint32_t y = image.height; y-- > 0;) {
    out.append(reinterpret_cast<const char*>(image.At(0, y)), rowBytes);
  }
}

std::string BmpFile(const KVPixels& image) {
  const auto pixelBytes = static_cast<std::uint32_t>(image.bgra.size());
  std::string out;
  out.reserve(kFileHeaderSize + kInfoHeaderSize + pixelBytes);
  PutFileHeader(out, kFileHeaderSize + kInfoHeaderSize, pixelBytes);
  PutInfoHeader(out, image.width, image.height, pixelBytes);
  PutBottomUpRows(out, image);
  return out;
}

std::string BmpV5File(const KVPixels& image) {
  const auto pixelBytes = static_cast<std::uint32_t>(image.bgra.size());
  std::string out;
  out.reserve(kFileHeaderSize + kV5HeaderSize + pixelBytes);
  PutFileHeader(out, kFileHeaderSize + kV5HeaderSize, pixelBytes);
  kvbytes::PutU32(out, kV5HeaderSize);
  kvbytes::PutU32(out, image.width);
  kvbytes::PutU32(out, image.height);  // positive: bottom-up rows
  kvbytes::PutU16(out, 1);             // planes
  kvbytes::PutU16(out, 32);            // bits per pixel
  kvbytes::PutU32(out, kBiBitfields);
  kvbytes::PutU32(out, pixelBytes);
  kvbytes::PutU32(out, kPixelsPerMeter96Dpi);
  kvbytes::PutU32(out, kPixelsPerMeter96Dpi);
  kvbytes::PutU32(out, 0);           // colours used
  kvbytes::PutU32(out, 0);           // important colours
  kvbytes::PutU32(out, 0x00FF0000);  // red mask
  kvbytes::PutU32(out, 0x0000FF00);  // green mask
  kvbytes::PutU32(out, 0x000000FF);  // blue mask
  kvbytes::PutU32(out, 0xFF000000);  // alpha mask
  kvbytes::PutU32(out, kLcsSrgb);
  out.append(36 + 12, '\0');  // endpoints and gamma, unused with sRGB
  kvbytes::PutU32(out, kLcsGmImages);
  kvbytes::PutU32(out, 0);  // profile data
  kvbytes::PutU32(out, 0);  // profile size
  kvbytes::PutU32(out, 0);  // reserved
  PutBottomUpRows(out, image);
  return out;
}

std::string Bmp24File(const KVPixels& image) {
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
  const std::size_t stride = (rowBytes + 3) / 4 * 4;
  const auto pixelBytes = static_cast<std::uint32_t>(stride * image.height);
  std::string out;
  out.reserve(kFileHeaderSize + kInfoHeaderSize + pixelBytes);
  PutFileHeader(out, kFileHeaderSize + kInfoHeaderSize, pixelBytes);
  kvbytes::PutU32(out, kInfoHeaderSize);
  kvbytes::PutU32(out, image.width);
  kvbytes::PutU32(out, image.height);  // positive: bottom-up rows
  kvbytes::PutU16(out, 1);             // planes
  kvbytes::PutU16(out, 24);            // bits per pixel
  kvbytes::PutU32(out, 0);             // BI_RGB
  kvbytes::PutU32(out, pixelBytes);
  kvbytes::PutU32(out, kPixelsPerMeter96Dpi);
  kvbytes::PutU32(out, kPixelsPerMeter96Dpi);
  kvbytes::PutU32(out, 0);  // colours used
  kvbytes::PutU32(out, 0);  // important colours
  for (std::uint32_t y = image.height; y-- > 0;) {
    for (std::uint32_t x = 0; x < image.width; ++x) out.append(reinterpret_cast<const char*>(image.At(x, y)), 3);
    out.append(stride - rowBytes, '\0');
  }
  return out;
}

}  // namespace kvimage
