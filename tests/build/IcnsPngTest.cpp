// The platform's PNG codec (libpng here, GDI+ and WIC on Windows) and the PNG images of icon
// files, which the macOS icon is made from.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "build/IconFile.h"
#include "platform/PngCodec.h"
#include "project/FileUtil.h"
#include "tests/build/IconFixtures.h"
#include "tests/common/TempFolder.h"

using kvtest::Bytes;
using kvtest::TempFolder;

namespace {

// 0xAARRGGBB at x, y of a straight BGRA image.
std::uint32_t At(const KVPixels& image, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = image.At(x, y);
  return static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[2]) << 16 |
         static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

// Windows hands decoded pixels over premultiplied: colour under partial alpha may move by a
// unit or two, and under zero alpha it is gone.
void ExpectSamePixel(std::uint32_t actual, std::uint32_t expected, const std::string& where) {
  const std::uint32_t alpha = expected >> 24;
  EXPECT_EQ(actual >> 24, alpha) << where;
  if (alpha == 0) return;
  const int tolerance = alpha == 255 ? 0 : 2;
  for (const int shift : {16, 8, 0}) {
    const int a = static_cast<int>((actual >> shift) & 0xFF);
    const int e = static_cast<int>((expected >> shift) & 0xFF);
    EXPECT_LE(std::abs(a - e), tolerance) << where << std::hex << " actual " << actual << " expected " << expected;
  }
}

void ExpectImage(const KVPixels& image, std::uint32_t width, std::uint32_t height,
                 const std::vector<std::uint32_t>& expected) {
  ASSERT_EQ(image.width, width);
  ASSERT_EQ(image.height, height);
  ASSERT_EQ(image.bgra.size(), std::size_t{width} * height * 4);
  for (std::uint32_t i = 0; i < width * height; ++i) {
    ExpectSamePixel(At(image, i % width, i / width), expected[i], "pixel " + std::to_string(i));
  }
}

std::uint32_t Sample(std::uint32_t x, std::uint32_t y) {
  const std::uint32_t alphas[] = {0xFF, 0x00, 0x80, 0xFF, 0x33};
  return alphas[(x + 2 * y) % 5] << 24 | (x * 37 & 0xFF) << 16 | (y * 71 & 0xFF) << 8 | ((x ^ y) * 13 & 0xFF);
}

TEST(PngCodecTest, DecodesEveryColourTypeToStraightRgba) {
  using kvtest::PngChunk;
  using kvtest::PngStream;
  struct Case {
    const char* name;
    std::string png;
    std::uint32_t width, height;
    std::vector<std::uint32_t> expected;
  };
  const Case cases[] = {
      {"8-bit RGBA",
       PngStream(3, 2, 8, 6, {Bytes({255, 0, 0, 255, 0, 255, 0, 128, 1, 2, 3, 0}),
                              Bytes({10, 20, 30, 255, 200, 100, 50, 51, 0, 0, 255, 255})}),
       3, 2,
       {0xFFFF0000, 0x8000FF00, 0, 0xFF0A141E, 0x33C86432, 0xFF0000FF}},
      {"8-bit RGB is opaque", PngStream(2, 1, 8, 2, {Bytes({1, 2, 3, 250, 251, 252})}), 2, 1,
       {0xFF010203, 0xFFFAFBFC}},
      {"2-bit palette with transparency",
       PngStream(3, 1, 2, 3, {Bytes({0x1B})},  // indices 0, 1, 2 (and a padding index 3)
                 PngChunk("PLTE", Bytes({9, 8, 7, 100, 110, 120, 0, 0, 0, 255, 255, 255})) +
                     PngChunk("tRNS", Bytes({255, 0}))),
       3, 1,
       {0xFF090807, 0, 0xFF000000}},
      {"1-bit grey", PngStream(3, 2, 1, 0, {Bytes({0xA0}), Bytes({0x40})}), 3, 2,
       {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000}},
      {"16-bit grey with alpha", PngStream(1, 1, 16, 4, {Bytes({0x80, 0x00, 0xFF, 0xFF})}), 1, 1, {0xFF808080}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KVPixels image;
    ASSERT_TRUE(kvplatform::DecodePng(c.png, image));
    ExpectImage(image, c.width, c.height, c.expected);
  }
}

TEST(PngCodecTest, RefusesDamagedOrOversizedStreams) {
  const std::string good = kvtest::RgbaPng(4, 4, Sample);
  const auto withHeader = [](std::uint32_t width, std::uint32_t height) {
    return kvtest::PngStream(width, height, 8, 0, std::vector<std::string>(1, std::string(1, '\0')));
  };
  struct Case {
    const char* name;
    std::string png;
  };
  const Case cases[] = {
      {"empty", ""},
      {"signature only", good.substr(0, 8)},
      {"cut inside the header", good.substr(0, 20)},
      {"cut inside the image data", good.substr(0, good.size() - 30)},
      {"header checksum wrong", [&] { std::string b = good; b[29] = static_cast<char>(b[29] ^ 1); return b; }()},
      {"not a PNG", "GIF89a" + std::string(100, '\0')},
      {"wider than the largest side", withHeader(kvplatform::kLargestPngSide + 1, 1)},
      {"taller than the largest side", withHeader(1, 0x7FFFFFFF)},
      {"zero width", withHeader(0, 1)},
      {"fewer rows than the header says", kvtest::PngStream(2, 3, 8, 0, {Bytes({1, 2}), Bytes({3, 4})})},
      {"no end chunk", good.substr(0, good.size() - 12)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KVPixels image;
    image.width = 9;
    EXPECT_FALSE(kvplatform::DecodePng(c.png, image));
    EXPECT_EQ(image.width, 0u);
    EXPECT_TRUE(image.bgra.empty());
  }
}

TEST(PngCodecTest, WrittenFileDecodesToTheSamePixels) {
  TempFolder folder;
  KVPixels image;
  image.width = 7;
  image.height = 5;
  std::vector<std::uint32_t> expected;
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 0; x < image.width; ++x) {
      const std::uint32_t argb = Sample(x, y);
      expected.push_back(argb);
      for (const int shift : {0, 8, 16, 24}) image.bgra.push_back(static_cast<std::uint8_t>(argb >> shift));
    }
  }
  const std::string path = folder / "out.png";
  TempFolder::Write(path, std::string(5000, 'x'));  // replaced, not appended to
  ASSERT_TRUE(kvplatform::WritePngFile(image, path));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
  KVPixels back;
  ASSERT_TRUE(kvplatform::DecodePng(bytes, back));
  ExpectImage(back, 7, 5, expected);
}

TEST(PngCodecTest, WriteRefusesInconsistentImagesAndLeavesNoFile) {
  TempFolder folder;
  KVPixels empty;
  KVPixels short_;
  short_.width = 2;
  short_.height = 2;
  short_.bgra.assign(15, 0);
  KVPixels huge;
  huge.width = kvplatform::kLargestPngSide + 1;
  huge.height = 1;
  huge.bgra.assign(std::size_t{huge.width} * 4, 0);
  for (const auto* image : {&empty, &short_, &huge}) {
    EXPECT_FALSE(kvplatform::WritePngFile(*image, folder / "no.png"));
    EXPECT_FALSE(TempFolder::Exists(folder / "no.png"));
  }
  KVPixels one;
  one.width = one.height = 1;
  one.bgra.assign(4, 0xFF);
  EXPECT_FALSE(kvplatform::WritePngFile(one, folder / "missing folder" + kvplatform::kPathSeparator + "x.png"));
}

TEST(IconPngImageTest, DecodesToStraightPixels) {
  // Straight colour 200, 100, 50 at alpha 128 stays so; Windows may move it by a unit or two.
  const auto pixel = [](std::uint32_t x, std::uint32_t y) -> std::uint32_t {
    if (x == 0 && y == 0) return 0x80C86432;
    return (x + y) % 2 ? 0 : 0xFF102030;
  };
  TempFolder folder;
  TempFolder::Write(folder / "a.ico", kvtest::IconFileBytes({{32, 32, 32, kvtest::RgbaPng(32, 32, pixel)}}));
  KVIconFile icon;
  ASSERT_TRUE(icon.Load(folder / "a.ico"));
  KVPixels pixels;
  ASSERT_TRUE(icon.DecodeImage(0, pixels));
  ASSERT_EQ(pixels.width, 32u);
  ASSERT_EQ(pixels.height, 32u);
  ASSERT_EQ(pixels.bgra.size(), 32u * 32u * 4u);
  const auto bgra = [&](std::uint32_t x, std::uint32_t y, std::size_t channel) {
    return static_cast<int>(pixels.bgra[(static_cast<std::size_t>(y) * 32 + x) * 4 + channel]);
  };
  EXPECT_EQ(bgra(0, 0, 3), 128);
  EXPECT_NEAR(bgra(0, 0, 2), 200, 2);
  EXPECT_NEAR(bgra(0, 0, 1), 100, 2);
  EXPECT_NEAR(bgra(0, 0, 0), 50, 2);
  for (std::uint32_t y = 0; y < 32; ++y) {
    for (std::uint32_t x = (y == 0 ? 1 : 0); x < 32; ++x) {
      const bool clear = (x + y) % 2 != 0;
      ASSERT_EQ(bgra(x, y, 3), clear ? 0 : 255) << x << "," << y;
      ASSERT_EQ(bgra(x, y, 2), clear ? 0 : 0x10) << x << "," << y;
      ASSERT_EQ(bgra(x, y, 0), clear ? 0 : 0x30) << x << "," << y;
    }
  }
}

TEST(IconPngImageTest, RefusesPngImagesItCannotUse) {
  const std::string good = kvtest::RgbaPng(16, 16, Sample);
  struct Case {
    const char* name;
    std::string image;
  };
  const Case cases[] = {
      {"damaged image data", good.substr(0, good.size() - 30) + std::string(30, '\0')},
      {"wider than an icon can be", kvtest::RgbaPng(257, 1, Sample)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    TempFolder::Write(folder / "a.ico", kvtest::IconFileBytes({{16, 16, 32, c.image}}));
    KVIconFile icon;
    ASSERT_TRUE(icon.Load(folder / "a.ico"));
    KVPixels pixels;
    EXPECT_FALSE(icon.DecodeImage(0, pixels));
    EXPECT_TRUE(pixels.bgra.empty());
    EXPECT_FALSE(icon.WriteRleRgb(0, folder / "rgb"));
    EXPECT_FALSE(TempFolder::Exists(folder / "rgb"));
  }
}

TEST(IconPngImageTest, WritePngKeepsStoredPngAndEncodesBitmaps) {
  const std::string stored = kvtest::RgbaPng(16, 16, Sample);
  const auto opaque = [](std::uint32_t x, std::uint32_t y) { return 0xFF000000u | (x * 8) << 16 | (y * 8) << 8 | 0x40; };
  TempFolder folder;
  TempFolder::Write(folder / "a.ico", kvtest::IconFileBytes({{16, 16, 32, stored},
                                                             {32, 32, 32, kvtest::IconBitmap32(32, opaque)}}));
  KVIconFile icon;
  ASSERT_TRUE(icon.Load(folder / "a.ico"));

  ASSERT_TRUE(icon.WritePng(0, folder / "stored.png"));
  EXPECT_EQ(TempFolder::Read(folder / "stored.png"), stored);

  ASSERT_TRUE(icon.WritePng(1, folder / "encoded.png"));
  KVPixels back;
  ASSERT_TRUE(kvplatform::DecodePng(TempFolder::Read(folder / "encoded.png"), back));
  std::vector<std::uint32_t> expected;
  for (std::uint32_t i = 0; i < 32 * 32; ++i) expected.push_back(opaque(i % 32, i / 32));
  ExpectImage(back, 32, 32, expected);

  EXPECT_FALSE(icon.WritePng(2, folder / "none.png"));
  EXPECT_FALSE(TempFolder::Exists(folder / "none.png"));
}

}  // namespace
