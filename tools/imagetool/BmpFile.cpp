#include "tools/imagetool/BmpFile.h"

namespace kv::imagetool {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::int32_t kPixelsPerMeter96Dpi = 3780;

}  // namespace

void writeInfoHeader(ByteWriter& w, int width, int storedHeight, std::uint32_t imageBytes)
{
    w.u32(kInfoHeaderSize);
    w.i32(width);
    w.i32(storedHeight);  // positive: bottom-up rows
    w.u16(1);             // planes
    w.u16(32);            // bits per pixel
    w.u32(0);             // BI_RGB
    w.u32(imageBytes);
    w.i32(kPixelsPerMeter96Dpi);
    w.i32(kPixelsPerMeter96Dpi);
    w.u32(0);  // colours used
    w.u32(0);  // important colours
}

void writeBgraRows(ByteWriter& w, const Image& image)
{
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.pixel(x, y);
            w.u8(p[2]);
            w.u8(p[1]);
            w.u8(p[0]);
            w.u8(p[3]);
        }
    }
}

Bytes encodeBmpFile(const Image& image)
{
    const auto pixelBytes = static_cast<std::uint32_t>(image.rgba.size());
    Bytes out;
    out.reserve(kFileHeaderSize + kInfoHeaderSize + pixelBytes);
    ByteWriter w(out);
    w.u8('B');
    w.u8('M');
    w.u32(kFileHeaderSize + kInfoHeaderSize + pixelBytes);
    w.u16(0);
    w.u16(0);
    w.u32(kFileHeaderSize + kInfoHeaderSize);
    writeInfoHeader(w, image.width, image.height, pixelBytes);
    writeBgraRows(w, image);
    return out;
}

}  // namespace kv::imagetool
