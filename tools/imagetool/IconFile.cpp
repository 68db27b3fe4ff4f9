#include "tools/imagetool/IconFile.h"

#include <set>

#include "common/ByteIO.h"
#include "platform/PngCodec.h"
#include "tools/imagetool/BmpFile.h"
#include "tools/imagetool/Compose.h"

namespace kvimage {

namespace {

constexpr std::uint32_t kDirectoryHeaderSize = 6;
constexpr std::uint32_t kDirectoryEntrySize = 16;
constexpr std::uint32_t kLargestIconSide = 256;

// AND mask rows are 1 bit per pixel, padded to 32 bits. A set bit marks a transparent pixel.
std::size_t MaskStride(std::uint32_t width) { return (static_cast<std::size_t>(width) + 31) / 32 * 4; }

std::string IconBitmap(const KVPixels& image) {
  const std::size_t stride = MaskStride(image.width);
  const auto maskBytes = static_cast<std::uint32_t>(stride * image.height);
  const auto pixelBytes = static_cast<std::uint32_t>(image.bgra.size());

  std::string out;
  PutInfoHeader(out, image.width, image.height * 2, pixelBytes + maskBytes);
  PutBottomUpRows(out, image);
  for (std::uint32_t y = image.height; y-- > 0;) {
    std::string row(stride, '\0');
    for (std::uint32_t x = 0; x < image.width; ++x) {
      if (image.At(x, y)[3] == 0) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    }
    out += row;
  }
  return out;
}

}  // namespace

bool EncodeIco(const std::vector<KVPixels>& images, std::string& out, std::string& error) {
  if (images.empty()) {
    error = "no images for the icon";
    return false;
  }
  std::set<std::uint32_t> sizes;
  std::vector<std::string> encoded;
  for (const KVPixels& source : images) {
    if (source.width != source.height || source.width == 0 || source.width > kLargestIconSide) {
      error = "icon images must be square and at most 256 pixels, got " + std::to_string(source.width) + "x" +
              std::to_string(source.height);
      return false;
    }
    if (!sizes.insert(source.width).second) {
      error = "two icon images of size " + std::to_string(source.width);
      return false;
    }
    KVPixels image = source;
    ClearTransparentPixels(image);
    if (image.width >= kPngIconSmallestSide) {
      std::string png;
      if (!kvplatform::EncodePng(image, png)) {
        error = "PNG encoding failed";
        return false;
      }
      encoded.push_back(std::move(png));
    } else {
      encoded.push_back(IconBitmap(image));
    }
  }

  std::string bytes;
  kvbytes::PutU16(bytes, 0);  // reserved
  kvbytes::PutU16(bytes, 1);  // resource type: icon
  kvbytes::PutU16(bytes, static_cast<std::uint16_t>(images.size()));
  auto offset = static_cast<std::uint32_t>(kDirectoryHeaderSize + kDirectoryEntrySize * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    // 0 stands for 256.
    const auto sizeByte = static_cast<char>(images[i].width == 256 ? 0 : images[i].width);
    bytes.push_back(sizeByte);
    bytes.push_back(sizeByte);
    bytes.push_back(0);          // colours in palette
    bytes.push_back(0);          // reserved
    kvbytes::PutU16(bytes, 1);   // planes
    kvbytes::PutU16(bytes, 32);  // bits per pixel
    kvbytes::PutU32(bytes, static_cast<std::uint32_t>(encoded[i].size()));
    kvbytes::PutU32(bytes, offset);
    offset += static_cast<std::uint32_t>(encoded[i].size());
  }
  for (const std::string& e : encoded) bytes += e;
  out = std::move(bytes);
  return true;
}

}  // namespace kvimage
