// The PNG codec the image tool decodes its inputs and encodes its large icon images with.
#include "platform/PngCodec.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Pixels as red, green, blue, alpha, so that tables read in the order PNG stores them.
using RgbaList = std::vector<std::vector<std::uint8_t>>;

struct PngLayout {
  int width;
  int height;
  int colorType;
  int bitDepth;
  bool interlaced;
  std::vector<std::string> rows;  // raw PNG row bytes
  std::vector<png_color> palette;
  std::vector<std::uint8_t> transparency;
};

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

// Writes PNG files in formats the product never produces itself, to feed the decoder.
bool WriteWithLibpng(const PngLayout& layout, std::string& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, AppendBytes, nullptr);
  png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colorType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!layout.palette.empty()) {
    png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
  }
  if (!layout.transparency.empty()) {
    png_set_tRNS(png, info, layout.transparency.data(), static_cast<int>(layout.transparency.size()), nullptr);
  }
  png_write_info(png, info);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass) {
    for (const std::string& row : layout.rows) {
      png_write_row(png, reinterpret_cast<png_const_bytep>(row.data()));
    }
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

RgbaList RgbaOf(const KVPixels& image) {
  RgbaList pixels;
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 0; x < image.width; ++x) {
      const std::uint8_t* p = image.At(x, y);
      pixels.push_back({p[2], p[1], p[0], p[3]});
    }
  }
  return pixels;
}

KVPixels Gradient(std::uint32_t w, std::uint32_t h) {
  KVPixels image(w, h);
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      std::uint8_t* p = image.At(x, y);
      p[0] = static_cast<std::uint8_t>(x * y);
      p[1] = static_cast<std::uint8_t>(y * 20);
      p[2] = static_cast<std::uint8_t>(x * 20);
      p[3] = static_cast<std::uint8_t>(255 - x * 10);
    }
  }
  return image;
}

TEST(PngCodec, DecodesEveryStoredFormatToStraightBgra) {
  PngLayout interlaced{5, 5, PNG_COLOR_TYPE_RGBA, 8, true, {}, {}, {}};
  const KVPixels source = Gradient(5, 5);
  const RgbaList sourceRgba = RgbaOf(source);
  for (int y = 0; y < 5; ++y) {
    std::string row;
    for (int x = 0; x < 5; ++x) row.append(sourceRgba[y * 5 + x].begin(), sourceRgba[y * 5 + x].end());
    interlaced.rows.push_back(row);
  }

  struct Case {
    const char* what;
    PngLayout layout;
    RgbaList expected;
  };
  const std::vector<Case> cases{
      {"grey 8-bit",
       {2, 1, PNG_COLOR_TYPE_GRAY, 8, false, {"\x40\xc0"}, {}, {}},
       {{0x40, 0x40, 0x40, 255}, {0xc0, 0xc0, 0xc0, 255}}},
      {"grey 1-bit", {2, 1, PNG_COLOR_TYPE_GRAY, 1, false, {"\x80"}, {}, {}}, {{255, 255, 255, 255}, {0, 0, 0, 255}}},
      {"grey with alpha",
       {2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {std::string("\x80\x00\x20\xff", 4)}, {}, {}},
       {{0x80, 0x80, 0x80, 0}, {0x20, 0x20, 0x20, 255}}},
      {"RGB 16-bit",
       {1, 1, PNG_COLOR_TYPE_RGB, 16, false, {std::string("\xff\xff\x00\x00\x80\x80", 6)}, {}, {}},
       {{255, 0, 0x80, 255}}},
      {"palette with transparency",
       {2, 1, PNG_COLOR_TYPE_PALETTE, 8, false, {std::string("\x00\x01", 2)}, {{10, 20, 30}, {40, 50, 60}}, {0x7f}},
       {{10, 20, 30, 0x7f}, {40, 50, 60, 255}}},
      {"RGBA interlaced", interlaced, sourceRgba},
  };
  for (const Case& c : cases) {
    std::string file;
    ASSERT_TRUE(WriteWithLibpng(c.layout, file)) << c.what;
    KVPixels image;
    ASSERT_TRUE(kvplatform::DecodePng(file, image)) << c.what;
    EXPECT_EQ(image.width, static_cast<std::uint32_t>(c.layout.width)) << c.what;
    EXPECT_EQ(image.height, static_cast<std::uint32_t>(c.layout.height)) << c.what;
    EXPECT_EQ(RgbaOf(image), c.expected) << c.what;
  }
}

std::uint32_t BigEndian(const std::string& png, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<std::uint8_t>(png[at + i]);
  return value;
}

std::vector<std::string> ChunkTypes(const std::string& png) {
  std::vector<std::string> types;
  for (std::size_t at = 8; at + 8 <= png.size();) {
    types.push_back(png.substr(at + 4, 4));
    at += 12 + BigEndian(png, at);
  }
  return types;
}

TEST(PngCodec, EncodesLosslesslyWithNothingButImageChunks) {
  const KVPixels image = Gradient(13, 7);
  std::string png;
  ASSERT_TRUE(kvplatform::EncodePng(image, png));

  // A time or text chunk would make equal images give different files.
  for (const std::string& type : ChunkTypes(png))
    EXPECT_TRUE(type == "IHDR" || type == "IDAT" || type == "IEND") << type;
  EXPECT_EQ(ChunkTypes(png).back(), "IEND");

  KVPixels decoded;
  ASSERT_TRUE(kvplatform::DecodePng(png, decoded));
  EXPECT_EQ(decoded.bgra, image.bgra);
}

TEST(PngCodec, RefusesImagesItCannotEncode) {
  KVPixels inconsistent(4, 4);
  inconsistent.bgra.pop_back();
  const std::vector<std::pair<const char*, KVPixels>> cases{
      {"empty", KVPixels{}},
      {"no rows", KVPixels(4, 0)},
      {"buffer short of its size", inconsistent},
      {"wider than the largest side", KVPixels(kvplatform::kLargestPngSide + 1, 1)},
  };
  for (const auto& [what, image] : cases) {
    std::string png = "left over";
    EXPECT_FALSE(kvplatform::EncodePng(image, png)) << what;
    EXPECT_TRUE(png.empty()) << what;
  }
}

void SetBigEndian(std::string& png, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) png[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

// Rewrites IHDR's width and its CRC, so the size check and not the CRC check must refuse it.
std::string WithWidth(std::string png, std::uint32_t width) {
  SetBigEndian(png, 16, width);
  SetBigEndian(png, 29, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17)));
  return png;
}

TEST(PngCodec, RefusesDamagedFiles) {
  std::string good;
  ASSERT_TRUE(kvplatform::EncodePng(Gradient(16, 16), good));
  const auto cut = [&](std::size_t n) { return good.substr(0, n); };
  const auto flipped = [&](std::size_t at) {
    std::string b = good;
    b[at] = static_cast<char>(b[at] ^ 0x5a);
    return b;
  };

  const std::vector<std::pair<const char*, std::string>> cases{
      {"empty", {}},
      {"not a PNG", std::string("GIF89a\0\0\0\0", 10)},
      {"signature only", cut(8)},
      {"cut inside the header", cut(20)},
      {"cut inside the image data", cut(good.size() / 2)},
      {"cut before the end chunk", cut(good.size() - 12)},
      {"header CRC wrong", flipped(30)},
      {"image data corrupted", flipped(good.size() / 2)},
      {"zero width", WithWidth(good, 0)},
      {"wider than any icon source", WithWidth(good, kvplatform::kLargestPngSide + 1)},
      {"width past 2^31", WithWidth(good, 0x80000000u)},
  };
  for (const auto& [what, data] : cases) {
    KVPixels image;
    EXPECT_FALSE(kvplatform::DecodePng(data, image)) << what;
    EXPECT_TRUE(image.bgra.empty()) << what;
  }
}

}  // namespace
