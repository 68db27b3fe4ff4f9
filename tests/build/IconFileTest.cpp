#include "build/IconFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "build/IconImage.h"
#include "common/ByteIO.h"
#include "tests/build/IconFixtures.h"
#include "tests/common/TempFolder.h"

using kvtest::BitmapImage;
using kvtest::BitmapLayout;
using kvtest::Bytes;
using kvtest::IconFileBytes;
using kvtest::IconPart;
using kvtest::TempFolder;

namespace {

std::string PaletteEntry(int b, int g, int r) { return Bytes({b, g, r, 0}); }

std::string PngHead(std::uint32_t width, std::uint32_t height) {
  std::string out("\x89PNG\r\n\x1A\n", 8);
  out += Bytes({0, 0, 0, 13}) + "IHDR";
  for (const std::uint32_t v : {width, height}) {
    out += Bytes({static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>(v & 0xFF)});
  }
  return out + Bytes({8, 6, 0, 0, 0}) + Bytes({0, 0, 0, 0});  // depth, RGBA, ..., CRC not checked
}

// A 16x16 image of the given depth, all palette index 1 or a plain colour, no transparency.
std::string Square16(std::uint16_t bits) {
  BitmapLayout s{16, 32, bits};
  std::string palette;
  if (bits <= 8) {
    for (int i = 0; i < (1 << bits); ++i) palette += PaletteEntry(i, i, i);
  }
  const std::size_t stride = (16u * bits + 31) / 32 * 4;
  return BitmapImage(s, palette, std::string(stride * 16, '\x11'), std::string(4 * 16, '\0'));
}

// 0xAARRGGBB of the pixel at x, y counted from the top.
std::uint32_t Pixel(const KVPixels& p, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* at = p.bgra.data() + (static_cast<std::size_t>(y) * p.width + x) * 4;
  return static_cast<std::uint32_t>(at[3]) << 24 | static_cast<std::uint32_t>(at[2]) << 16 |
         static_cast<std::uint32_t>(at[1]) << 8 | at[0];
}

// Decodes from a heap block of exactly the image's size, so that a read past its end is caught
// by the address sanitizer.
bool DecodeExact(const std::string& image, std::uint32_t iconHeight, KVPixels& out) {
  std::unique_ptr<char[]> exact(new char[image.size() + (image.empty() ? 1 : 0)]);
  std::copy(image.begin(), image.end(), exact.get());
  return DecodeIconBitmap(std::string_view(exact.get(), image.size()), iconHeight, out);
}

TEST(IconFileTest, LoadReadsDirectoryAndImageHeaders) {
  TempFolder folder;
  const std::string path = folder / "app.ico";
  TempFolder::Write(path, IconFileBytes({{16, 16, 0, Square16(4)},
                                         {16, 16, 0, Square16(8)},
                                         {16, 16, 0, Square16(32)},
                                         {0, 0, 32, PngHead(256, 256) + std::string(30, 'x')},
                                         {32, 32, 8, Square16(8)}}));
  KVIconFile icon;
  ASSERT_TRUE(icon.Load(path));
  EXPECT_EQ(icon.Path(), path);
  ASSERT_EQ(icon.Count(), 5u);

  const KVIconEntry& first = icon.Entries()[0];
  EXPECT_EQ(first.width, 16);
  EXPECT_EQ(first.height, 16);
  EXPECT_EQ(first.planes, 1);
  EXPECT_EQ(first.bitCount, 0);  // kept as the file has it, for the icon-group resource
  EXPECT_EQ(first.offset, 6u + 16u * 5u);
  EXPECT_EQ(first.bytesInImage, Square16(4).size());

  struct Expect {
    bool isPng;
    std::uint32_t headerSize;
    std::int32_t width, height;
    std::uint16_t bitCount;
  };
  const Expect expected[] = {{false, 40, 16, 32, 4}, {false, 40, 16, 32, 8}, {false, 40, 16, 32, 32},
                             {true, 0, 256, 256, 32}, {false, 40, 16, 32, 8}};
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const KVIconImage& image = icon.Images()[i];
    EXPECT_EQ(image.isPng, expected[i].isPng);
    EXPECT_EQ(image.headerSize, expected[i].headerSize);
    EXPECT_EQ(image.width, expected[i].width);
    EXPECT_EQ(image.height, expected[i].height);
    EXPECT_EQ(image.bitCount, expected[i].bitCount);
  }

  EXPECT_EQ(icon.SelectImage(16), 2);
  EXPECT_EQ(icon.SelectImage(0), 3);
  EXPECT_EQ(icon.SelectImage(32), 4);
  EXPECT_EQ(icon.SelectImage(128), -1);

  KVPixels pixels;
  EXPECT_FALSE(icon.DecodeImage(3, pixels));  // a PNG header without image data
  EXPECT_TRUE(pixels.bgra.empty());
  ASSERT_TRUE(icon.DecodeImage(1, pixels));
  EXPECT_EQ(pixels.width, 16u);
  EXPECT_EQ(pixels.height, 16u);
  EXPECT_EQ(Pixel(pixels, 0, 0), 0xFF111111u);  // palette entry 0x11
  EXPECT_FALSE(icon.DecodeImage(5, pixels));

  std::string bytes;
  ASSERT_TRUE(icon.ImageBytes(3, bytes));
  EXPECT_EQ(bytes, PngHead(256, 256) + std::string(30, 'x'));
}

TEST(IconFileTest, SelectImagePicksMostBitsFirstOfEquals) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::uint8_t, std::uint16_t>> images;  // width byte, header bit count
    std::uint8_t wanted;
    int expected;
  };
  const Case cases[] = {
      {"deepest of the size", {{16, 4}, {16, 8}, {16, 32}}, 16, 2},
      {"deepest listed first", {{16, 32}, {16, 8}, {16, 4}}, 16, 0},
      {"equal depths take the first", {{32, 8}, {16, 8}, {16, 8}}, 16, 1},
      {"other sizes ignored", {{32, 32}, {16, 1}, {48, 32}}, 16, 1},
      {"256 is width byte 0", {{16, 32}, {0, 32}}, 0, 1},
      {"no image of the size", {{16, 32}, {48, 32}}, 32, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<IconPart> parts;
    for (const auto& image : c.images) parts.push_back({image.first, 16, 0, Square16(image.second)});
    TempFolder folder;
    TempFolder::Write(folder / "a.ico", IconFileBytes(parts));
    KVIconFile icon;
    ASSERT_TRUE(icon.Load(folder / "a.ico"));
    EXPECT_EQ(icon.SelectImage(c.wanted), c.expected);
  }
}

// Three pixels wide, so that every depth below 32 has padded rows; two rows high, and the
// mask makes the top right pixel transparent. Rows are given bottom-up as the file stores
// them; expected pixels top-down.
TEST(IconFileTest, DecodesEveryDepthWithPaddedRows) {
  const std::string mask = Bytes({0x00, 0, 0, 0}) + Bytes({0x20, 0, 0, 0});
  std::string palette16;
  for (int i = 0; i < 16; ++i) palette16 += PaletteEntry(i * 16, i, 255 - i);
  struct Case {
    const char* name;
    BitmapLayout layout;
    std::string palette;
    std::string colour;
    std::vector<std::uint32_t> expected;  // six pixels, top row first
  };
  const Case cases[] = {
      {"1 bit",
       {3, 4, 1},
       PaletteEntry(0x10, 0x20, 0x30) + PaletteEntry(0x40, 0x50, 0x60),
       Bytes({0xA0, 0, 0, 0}) + Bytes({0x60, 0, 0, 0}),
       {0xFF302010, 0xFF605040, 0, 0xFF605040, 0xFF302010, 0xFF605040}},
      {"4 bits",
       {3, 4, 4},
       palette16,
       Bytes({0x2F, 0x70, 0, 0}) + Bytes({0x10, 0x30, 0, 0}),
       {0xFFFE0110, 0xFFFF0000, 0, 0xFFFD0220, 0xFFF00FF0, 0xFFF80770}},
      {"8 bits, four palette entries",
       {3, 4, 8, 0, 4},
       PaletteEntry(1, 2, 3) + PaletteEntry(4, 5, 6) + PaletteEntry(7, 8, 9) + PaletteEntry(10, 11, 12),
       Bytes({3, 0, 2, 0}) + Bytes({1, 2, 3, 0}),
       {0xFF060504, 0xFF090807, 0, 0xFF0C0B0A, 0xFF030201, 0xFF090807}},
      {"24 bits",
       {3, 4, 24},
       "",
       Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}) + Bytes({10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0}),
       {0xFF0C0B0A, 0xFF0F0E0D, 0, 0xFF030201, 0xFF060504, 0xFF090807}},
      {"32 bits with alpha, straight, mask ignored",
       {3, 4, 32},
       "",
       Bytes({200, 100, 50, 255, 200, 100, 50, 128, 7, 7, 7, 0}) +
           Bytes({10, 20, 30, 255, 255, 255, 255, 51, 9, 9, 9, 255}),
       {0xFF1E140A, 0x33FFFFFF, 0xFF090909, 0xFF3264C8, 0x803264C8, 0}},
      {"32 bits without alpha use the mask",
       {3, 4, 32},
       "",
       Bytes({1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0}) + Bytes({10, 11, 12, 0, 13, 14, 15, 0, 16, 17, 18, 0}),
       {0xFF0C0B0A, 0xFF0F0E0D, 0, 0xFF030201, 0xFF060504, 0xFF090807}},
      {"no mask: every pixel opaque",
       {3, 2, 24},
       "",
       Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}) + Bytes({10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0}),
       {0xFF0C0B0A, 0xFF0F0E0D, 0xFF121110, 0xFF030201, 0xFF060504, 0xFF090807}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool withMask = c.layout.height == 4;
    KVPixels pixels;
    ASSERT_TRUE(DecodeExact(BitmapImage(c.layout, c.palette, c.colour, withMask ? mask : ""), 2, pixels));
    ASSERT_EQ(pixels.width, 3u);
    ASSERT_EQ(pixels.height, 2u);
    ASSERT_EQ(pixels.bgra.size(), 24u);
    for (std::uint32_t i = 0; i < 6; ++i) EXPECT_EQ(Pixel(pixels, i % 3, i / 3), c.expected[i]) << "pixel " << i;
  }
}

TEST(IconFileTest, MaskBitsMakeExactlyThosePixelsTransparent) {
  const auto transparent = [](std::uint32_t x, std::uint32_t y) { return (x + 2 * y) % 5 == 0 || y == 15; };
  std::string palette;
  for (int i = 0; i < 16; ++i) palette += PaletteEntry(0x80, 0x40, 0x20);
  std::string colour(8 * 16, '\x77');
  std::string mask;
  for (std::uint32_t fileRow = 0; fileRow < 16; ++fileRow) {
    const std::uint32_t y = 15 - fileRow;
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    for (std::uint32_t x = 0; x < 16; ++x) {
      if (transparent(x, y)) bytes[x / 8] = static_cast<std::uint8_t>(bytes[x / 8] | (0x80 >> (x % 8)));
    }
    mask.append(reinterpret_cast<const char*>(bytes), 4);
  }
  KVPixels pixels;
  ASSERT_TRUE(DecodeExact(BitmapImage({16, 32, 4}, palette, colour, mask), 16, pixels));
  for (std::uint32_t y = 0; y < 16; ++y) {
    for (std::uint32_t x = 0; x < 16; ++x) {
      EXPECT_EQ(Pixel(pixels, x, y), transparent(x, y) ? 0u : 0xFF204080u) << x << "," << y;
    }
  }
}

TEST(IconFileTest, GroupResourceNamesIconsOneToN) {
  std::vector<KVIconEntry> entries(3);
  entries[0] = {16, 16, 16, 0, 1, 4, 0x128, 0x36};
  entries[1] = {32, 32, 0, 0, 1, 32, 0x10A8, 0x15E};
  entries[2] = {0, 0, 0, 0, 1, 32, 0x12345, 0x1206};
  const std::string expected = Bytes({0, 0, 1, 0, 3, 0}) +
                               Bytes({16, 16, 16, 0, 1, 0, 4, 0, 0x28, 0x01, 0, 0, 1, 0}) +
                               Bytes({32, 32, 0, 0, 1, 0, 32, 0, 0xA8, 0x10, 0, 0, 2, 0}) +
                               Bytes({0, 0, 0, 0, 1, 0, 32, 0, 0x45, 0x23, 0x01, 0, 3, 0});
  EXPECT_EQ(IconGroupResource(entries), expected);
  EXPECT_EQ(kIconGroupId, 107);
  EXPECT_EQ(kResourceTypeIcon, 3);
  EXPECT_EQ(kResourceTypeGroupIcon, 14);
}

TEST(IconFileTest, MalformedFilesFailToLoadAndLeaveNothing) {
  const std::string good = IconFileBytes({{16, 16, 4, Square16(4)}, {0, 0, 32, PngHead(256, 256)}});
  struct Case {
    const char* name;
    std::function<std::string()> bytes;
  };
  const Case cases[] = {
      {"empty", [] { return std::string(); }},
      {"header cut short", [&] { return good.substr(0, 5); }},
      {"no images", [&] { std::string b = good; kvbytes::SetU16(b, 4, 0); return b; }},
      {"directory past the end", [&] { return good.substr(0, 6 + 16 + 8); }},
      {"count larger than the directory", [&] { std::string b = good.substr(0, 6 + 32); kvbytes::SetU16(b, 4, 3); return b; }},
      {"image offset past the end", [&] { std::string b = good; kvbytes::SetU32(b, 6 + 12, 0xFFFFFFF0u); return b; }},
      {"image size past the end", [&] { std::string b = good; kvbytes::SetU32(b, 6 + 8, 0xFFFFFFFFu); return b; }},
      {"image shorter than its header", [&] { std::string b = good; kvbytes::SetU32(b, 6 + 8, 20); return b; }},
      {"PNG cut before its size", [&] { std::string b = good; kvbytes::SetU32(b, 6 + 16 + 8, 16); return b; }},
      {"file cut inside the last image", [&] { return good.substr(0, good.size() - 1); }},
      // Overlapping entries would be copied once each into a build.
      {"two entries with one image", [&] { std::string b = good; b.replace(6 + 16, 16, b, 6, 16); return b; }},
      {"images sharing bytes", [&] { std::string b = good; kvbytes::SetU32(b, 6 + 8, static_cast<std::uint32_t>(Square16(4).size() + 1)); return b; }},
      {"image over the directory", [&] { std::string b = good; kvbytes::SetU32(b, 6 + 12, 6 + 8); return b; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    TempFolder::Write(folder / "good.ico", good);
    TempFolder::Write(folder / "bad.ico", c.bytes());
    KVIconFile icon;
    ASSERT_TRUE(icon.Load(folder / "good.ico"));
    EXPECT_FALSE(icon.Load(folder / "bad.ico"));
    EXPECT_EQ(icon.Count(), 0u);
    EXPECT_TRUE(icon.Path().empty());
    EXPECT_EQ(icon.SelectImage(16), -1);
    KVPixels pixels;
    EXPECT_FALSE(icon.DecodeImage(0, pixels));
  }
  KVIconFile icon;
  TempFolder folder;
  EXPECT_FALSE(icon.Load(folder / "missing.ico"));
}

TEST(IconFileTest, MalformedBitmapsFailWithoutReadingPastTheEnd) {
  const std::string palette = PaletteEntry(1, 1, 1) + PaletteEntry(2, 2, 2);
  const std::string colour = std::string(4 * 16, '\x55');
  const std::string mask = std::string(4 * 16, '\0');
  struct Case {
    const char* name;
    std::string image;
    std::uint32_t iconHeight;
  };
  BitmapLayout oneBit{16, 32, 1};
  const Case cases[] = {
      {"colour rows cut", BitmapImage(oneBit, palette, colour.substr(1), ""), 16},
      {"mask cut", BitmapImage(oneBit, palette, colour, mask.substr(1)), 16},
      {"palette cut", BitmapImage(oneBit, palette.substr(0, 5), "", ""), 16},
      {"header cut", BitmapImage(oneBit, "", "", "").substr(0, 39), 16},
      {"height neither the icon's nor twice it", BitmapImage({16, 31, 1}, palette, colour, mask), 16},
      {"compressed", BitmapImage({16, 32, 1, 1}, palette, colour, mask), 16},
      {"16 bits", BitmapImage({16, 32, 16}, "", colour + colour + colour + colour, mask), 16},
      {"more palette entries than the depth has", BitmapImage({16, 32, 1, 0, 3}, palette + palette, colour, mask), 16},
      {"header size past the end", BitmapImage({16, 32, 1, 0, 0, 0xFFFFFFFFu}, palette, colour, mask), 16},
      {"header size below 40", BitmapImage({16, 32, 1, 0, 0, 12}, palette, colour, mask), 16},
      {"top-down height", BitmapImage({16, -32, 1}, palette, colour, mask), 16},
      {"zero width", BitmapImage({0, 32, 1}, palette, colour, mask), 16},
      {"huge width", BitmapImage({0x40000000, 32, 1}, palette, colour, mask), 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KVPixels pixels;
    EXPECT_FALSE(DecodeExact(c.image, c.iconHeight, pixels));
    EXPECT_TRUE(pixels.bgra.empty());
  }
  KVPixels pixels;
  EXPECT_TRUE(DecodeExact(BitmapImage(oneBit, palette, colour, mask), 16, pixels));
}

}  // namespace
