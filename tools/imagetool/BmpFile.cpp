#include "tools/imagetool/BmpFile.h"

#include "common/ByteIO.h"

namespace kvimage {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kPixelsPerMeter96Dpi = 3780;

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
  out += "BM";
  kvbytes::PutU32(out, kFileHeaderSize + kInfoHeaderSize + pixelBytes);
  kvbytes::PutU32(out, 0);  // reserved
  kvbytes::PutU32(out, kFileHeaderSize + kInfoHeaderSize);
  PutInfoHeader(out, image.width, image.height, pixelBytes);
  PutBottomUpRows(out, image);
  return out;
}

}  // namespace kvimage
