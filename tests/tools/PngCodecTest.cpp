#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/imagetool/PngCodec.h"

using namespace kv::imagetool;

namespace {

using Pixels = std::vector<std::vector<std::uint8_t>>;

struct PngLayout {
    int width;
    int height;
    int colorType;
    int bitDepth;
    bool interlaced;
    std::vector<Bytes> rows;  // raw PNG row bytes
    std::vector<png_color> palette;
    Bytes transparency;
};

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// Writes PNG files in formats the product never produces itself, to feed the decoder.
bool writeWithLibpng(const PngLayout& layout, Bytes& out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colorType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty())
        png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
    if (!layout.transparency.empty())
        png_set_tRNS(png, info, layout.transparency.data(), static_cast<int>(layout.transparency.size()), nullptr);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (const Bytes& row : layout.rows)
            png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

Pixels pixelsOf(const Image& image)
{
    Pixels px;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            px.emplace_back(image.pixel(x, y), image.pixel(x, y) + 4);
    return px;
}

Image gradient(int w, int h)
{
    Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = image.pixel(x, y);
            p[0] = static_cast<std::uint8_t>(x * 20);
            p[1] = static_cast<std::uint8_t>(y * 20);
            p[2] = static_cast<std::uint8_t>(x * y);
            p[3] = static_cast<std::uint8_t>(255 - x * 10);
        }
    return image;
}

TEST(PngCodec, DecodesEveryStoredFormatToRgba)
{
    PngLayout interlaced{5, 5, PNG_COLOR_TYPE_RGBA, 8, true, {}, {}, {}};
    const Image source = gradient(5, 5);
    for (int y = 0; y < 5; ++y)
        interlaced.rows.emplace_back(source.pixel(0, y), source.pixel(0, y) + 20);

    struct Case {
        const char* what;
        PngLayout layout;
        Pixels expected;
    };
    const std::vector<Case> cases{
        {"grey 8-bit", {2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {{0x40, 0xc0}}, {}, {}},
         {{0x40, 0x40, 0x40, 255}, {0xc0, 0xc0, 0xc0, 255}}},
        {"grey 1-bit", {2, 1, PNG_COLOR_TYPE_GRAY, 1, false, {{0x80}}, {}, {}},
         {{255, 255, 255, 255}, {0, 0, 0, 255}}},
        {"grey with alpha", {2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {{0x80, 0x00, 0x20, 0xff}}, {}, {}},
         {{0x80, 0x80, 0x80, 0}, {0x20, 0x20, 0x20, 255}}},
        {"RGB 16-bit", {1, 1, PNG_COLOR_TYPE_RGB, 16, false, {{0xff, 0xff, 0x00, 0x00, 0x80, 0x80}}, {}, {}},
         {{255, 0, 0x80, 255}}},
        {"palette with transparency",
         {2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {{0, 1}}, {{10, 20, 30}, {40, 50, 60}}, {0x7f}},
         {{10, 20, 30, 0x7f}, {40, 50, 60, 255}}},
        {"RGBA interlaced", interlaced, pixelsOf(source)},
    };
    for (const Case& c : cases) {
        Bytes file;
        ASSERT_TRUE(writeWithLibpng(c.layout, file)) << c.what;
        Image image;
        std::string error;
        ASSERT_TRUE(decodePng(file, image, error)) << c.what << ": " << error;
        EXPECT_EQ(image.width, c.layout.width) << c.what;
        EXPECT_EQ(image.height, c.layout.height) << c.what;
        EXPECT_EQ(pixelsOf(image), c.expected) << c.what;
    }
}

std::vector<std::string> chunkTypes(const Bytes& png)
{
    std::vector<std::string> types;
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::size_t length = png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        types.emplace_back(png.begin() + at + 4, png.begin() + at + 8);
        at += 12 + length;
    }
    return types;
}

TEST(PngCodec, EncodesLosslesslyWithNothingButImageChunks)
{
    const Image image = gradient(13, 7);
    Bytes png;
    std::string error;
    ASSERT_TRUE(encodePng(image, png, error)) << error;

    // A time or text chunk would make equal images give different files.
    for (const std::string& type : chunkTypes(png))
        EXPECT_TRUE(type == "IHDR" || type == "IDAT" || type == "IEND") << type;
    EXPECT_EQ(chunkTypes(png).back(), "IEND");

    Image decoded;
    ASSERT_TRUE(decodePng(png, decoded, error)) << error;
    EXPECT_EQ(pixelsOf(decoded), pixelsOf(image));
}

void setBigEndian(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// Rewrites IHDR's width and its CRC, so the size check and not the CRC check must refuse it.
Bytes withWidth(Bytes png, std::uint32_t width)
{
    setBigEndian(png, 16, width);
    setBigEndian(png, 29, static_cast<std::uint32_t>(crc32(0, png.data() + 12, 17)));
    return png;
}

TEST(PngCodec, RefusesDamagedFiles)
{
    Bytes good;
    std::string error;
    ASSERT_TRUE(encodePng(gradient(16, 16), good, error)) << error;
    const auto cut = [&](std::size_t n) { return Bytes(good.begin(), good.begin() + n); };
    const auto flipped = [&](std::size_t at) {
        Bytes b = good;
        b[at] ^= 0x5a;
        return b;
    };

    const std::vector<std::pair<const char*, Bytes>> cases{
        {"empty", {}},
        {"not a PNG", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}},
        {"signature only", cut(8)},
        {"cut inside the header", cut(20)},
        {"cut inside the image data", cut(good.size() / 2)},
        {"cut before the end chunk", cut(good.size() - 12)},
        {"header CRC wrong", flipped(30)},
        {"image data corrupted", flipped(good.size() / 2)},
        {"zero width", withWidth(good, 0)},
        {"wider than any icon source", withWidth(good, kMaxPngDimension + 1)},
        {"width past 2^31", withWidth(good, 0x80000000u)},
    };
    for (const auto& [what, data] : cases) {
        Image image;
        std::string message;
        EXPECT_FALSE(decodePng(data, image, message)) << what;
        EXPECT_FALSE(message.empty()) << what;
    }
}

}  // namespace
