#include "tools/imagetool/IconFile.h"

#include <set>

#include "tools/imagetool/BmpFile.h"
#include "tools/imagetool/ByteWriter.h"
#include "tools/imagetool/Compose.h"
#include "tools/imagetool/PngCodec.h"

namespace kv::imagetool {
namespace {

constexpr std::uint32_t kDirectoryHeaderSize = 6;
constexpr std::uint32_t kDirectoryEntrySize = 16;
constexpr int kMaxIconSize = 256;

// AND mask rows are 1 bit per pixel, padded to 32 bits. A set bit marks a transparent pixel.
std::size_t maskStride(int width) { return (static_cast<std::size_t>(width) + 31) / 32 * 4; }

Bytes encodeIconBitmap(const Image& image)
{
    const std::size_t stride = maskStride(image.width);
    const auto maskBytes = static_cast<std::uint32_t>(stride * image.height);
    const auto pixelBytes = static_cast<std::uint32_t>(image.rgba.size());

    Bytes out;
    ByteWriter w(out);
    writeInfoHeader(w, image.width, image.height * 2, pixelBytes + maskBytes);
    writeBgraRows(w, image);
    for (int y = image.height - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < image.width; ++x)
            if (image.pixel(x, y)[3] == 0)
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        w.bytes(row);
    }
    return out;
}

}  // namespace

bool encodeIco(const std::vector<Image>& images, Bytes& out, std::string& error)
{
    if (images.empty()) {
        error = "no images for the icon";
        return false;
    }
    std::set<int> sizes;
    std::vector<Bytes> encoded;
    for (const Image& source : images) {
        if (source.width != source.height || source.width <= 0 || source.width > kMaxIconSize) {
            error = "icon images must be square and at most 256 pixels, got " +
                    std::to_string(source.width) + "x" + std::to_string(source.height);
            return false;
        }
        if (!sizes.insert(source.width).second) {
            error = "two icon images of size " + std::to_string(source.width);
            return false;
        }
        Image image = source;
        clearTransparentPixels(image);
        if (image.width >= kPngIconMinSize) {
            Bytes png;
            if (!encodePng(image, png, error))
                return false;
            encoded.push_back(std::move(png));
        } else {
            encoded.push_back(encodeIconBitmap(image));
        }
    }

    Bytes bytes;
    ByteWriter w(bytes);
    w.u16(0);  // reserved
    w.u16(1);  // resource type: icon
    w.u16(static_cast<std::uint16_t>(images.size()));
    auto offset = static_cast<std::uint32_t>(kDirectoryHeaderSize + kDirectoryEntrySize * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int size = images[i].width;
        w.u8(static_cast<std::uint8_t>(size == 256 ? 0 : size));  // 0 stands for 256
        w.u8(static_cast<std::uint8_t>(size == 256 ? 0 : size));
        w.u8(0);  // colours in palette
        w.u8(0);  // reserved
        w.u16(1);  // planes
        w.u16(32);  // bits per pixel
        w.u32(static_cast<std::uint32_t>(encoded[i].size()));
        w.u32(offset);
        offset += static_cast<std::uint32_t>(encoded[i].size());
    }
    for (const Bytes& e : encoded)
        w.bytes(e);
    out = std::move(bytes);
    return true;
}

}  // namespace kv::imagetool
