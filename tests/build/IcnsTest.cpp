#include "build/Icns.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "build/IconFile.h"
#include "platform/PngCodec.h"
#include "tests/build/IconFixtures.h"
#include "tests/common/TempFolder.h"

using kvtest::Bytes;
using kvtest::IconPart;
using kvtest::ReadBigEndian32;
using kvtest::TempFolder;

namespace {

// Undoes the run-length encoding as macOS reads it; stops at the first malformed control.
std::string RunLengthDecode(const std::string& data, std::size_t wanted, std::size_t& used) {
  std::string out;
  std::size_t at = 0;
  while (out.size() < wanted && at < data.size()) {
    const auto control = static_cast<std::uint8_t>(data[at++]);
    if (control < 128) {
      const std::size_t length = control + 1u;
      if (at + length > data.size()) break;
      out.append(data, at, length);
      at += length;
    } else {
      if (at >= data.size()) break;
      out.append(control - 125u, data[at++]);
    }
  }
  used = at;
  return out;
}

struct IcnsElement {
  std::string type;
  std::string data;
};

struct Icns {
  std::vector<std::pair<std::string, std::uint32_t>> toc;  // type, length
  std::vector<IcnsElement> elements;
};

// Parses the file and checks every length in it against the others and the file size.
Icns ParseIcns(const std::string& file) {
  Icns icns;
  EXPECT_GE(file.size(), 16u);
  if (file.size() < 16) return icns;
  EXPECT_EQ(file.substr(0, 4), "icns");
  EXPECT_EQ(ReadBigEndian32(file, 4), file.size());
  EXPECT_EQ(file.substr(8, 4), "TOC ");
  const std::uint32_t tocLength = ReadBigEndian32(file, 12);
  EXPECT_EQ((tocLength - 8) % 8, 0u);
  for (std::size_t at = 16; at < 8 + tocLength && at + 8 <= file.size(); at += 8) {
    icns.toc.emplace_back(file.substr(at, 4), ReadBigEndian32(file, at + 4));
  }
  std::size_t at = 8 + tocLength;
  while (at + 8 <= file.size()) {
    const std::uint32_t length = ReadBigEndian32(file, at + 4);
    EXPECT_GE(length, 8u);
    if (length < 8 || at + length > file.size()) break;
    icns.elements.push_back({file.substr(at, 4), file.substr(at + 8, length - 8)});
    at += length;
  }
  EXPECT_EQ(at, file.size());
  EXPECT_EQ(icns.toc.size(), icns.elements.size());
  for (std::size_t i = 0; i < icns.toc.size() && i < icns.elements.size(); ++i) {
    EXPECT_EQ(icns.toc[i].first, icns.elements[i].type);
    EXPECT_EQ(icns.toc[i].second, icns.elements[i].data.size() + 8);
  }
  return icns;
}

std::vector<std::string> Types(const Icns& icns) {
  std::vector<std::string> types;
  for (const auto& e : icns.elements) types.push_back(e.type);
  return types;
}

// A side x side 4-bit image, every pixel palette colour 1 (red 0x30, green 0x20, blue 0x10),
// transparent where clear(x, y) holds (y from the top).
template <typename Clear>
std::string Masked4Bit(std::uint32_t side, Clear clear) {
  std::string palette = Bytes({0, 0, 0, 0}) + Bytes({0x10, 0x20, 0x30, 0});
  palette += std::string(14 * 4, '\0');
  const std::size_t colourStride = (side * 4 + 31) / 32 * 4;
  std::string colour;
  for (std::uint32_t row = 0; row < side; ++row) {
    std::string line(colourStride, '\0');
    for (std::uint32_t x = 0; x < side; x += 2) line[x / 2] = '\x11';
    colour += line;
  }
  const std::size_t maskStride = (side + 31) / 32 * 4;
  std::string mask;
  for (std::uint32_t fileRow = 0; fileRow < side; ++fileRow) {
    std::string line(maskStride, '\0');
    for (std::uint32_t x = 0; x < side; ++x) {
      if (clear(x, side - 1 - fileRow)) line[x / 8] = static_cast<char>(line[x / 8] | (0x80 >> (x % 8)));
    }
    mask += line;
  }
  return kvtest::BitmapImage({static_cast<std::int32_t>(side), static_cast<std::int32_t>(2 * side), 4}, palette,
                             colour, mask);
}

std::uint32_t Gradient(std::uint32_t x, std::uint32_t y) {
  return 0xFF000000u | (x * 7 & 0xFF) << 16 | (y * 5 & 0xFF) << 8 | ((x + y) & 0xFF);
}

TEST(IcnsTest, RunLengthEncodingOfOnePlane) {
  struct Case {
    const char* name;
    std::string plane;
    std::string encoded;
  };
  const std::string ascending = [] {
    std::string s;
    for (int i = 0; i < 129; ++i) s.push_back(static_cast<char>(i));
    return s;
  }();
  const Case cases[] = {
      {"sixteen equal bytes", std::string(16, '\x42'), Bytes({0x8D, 0x42})},
      {"three different bytes", Bytes({1, 2, 3}), Bytes({0x02, 1, 2, 3})},
      {"a run then one byte", Bytes({5, 5, 5, 5, 7}), Bytes({0x81, 5, 0x00, 7})},
      {"empty plane", "", ""},
      {"one byte", Bytes({9}), Bytes({0x00, 9})},
      {"two equal bytes stay literal", Bytes({4, 4}), Bytes({0x01, 4, 4})},
      {"literal bytes before a run", Bytes({1, 2, 5, 5, 5}), Bytes({0x01, 1, 2, 0x80, 5})},
      {"a pair before a run stays literal", Bytes({8, 8, 1, 1, 1}), Bytes({0x01, 8, 8, 0x80, 1})},
      {"longest run", std::string(130, 'z'), Bytes({0xFF, 'z'})},
      {"one past the longest run", std::string(131, 'z'), Bytes({0xFF, 'z', 0x00, 'z'})},
      {"longest literal and one more", ascending, Bytes({0x7F}) + ascending.substr(0, 128) + Bytes({0x00, 128})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IcnsRunLength(c.plane), c.encoded);
  }
}

TEST(IcnsTest, RunLengthEncodingDecodesBackForMixedPlanes) {
  // Runs of every length from 1 to 140 between literal stretches of every length.
  std::string plane;
  for (int n = 1; n <= 140; ++n) {
    plane.append(static_cast<std::size_t>(n), static_cast<char>(n));
    for (int k = 0; k < n % 9; ++k) plane.push_back(static_cast<char>(200 + k));
  }
  const std::string encoded = IcnsRunLength(plane);
  std::size_t used = 0;
  EXPECT_EQ(RunLengthDecode(encoded, plane.size(), used), plane);
  EXPECT_EQ(used, encoded.size());
  EXPECT_LT(encoded.size(), plane.size());
}

TEST(IcnsTest, ThirtyTwoAndTwoHundredFiftySixGiveThreeElements) {
  TempFolder folder;
  const std::string png = kvtest::RgbaPng(256, 256, Gradient);
  TempFolder::Write(folder / "app.ico",
                    kvtest::IconFileBytes({{32, 32, 32, kvtest::IconBitmap32(32, Gradient)}, {0, 0, 32, png}}));
  ASSERT_TRUE(WriteIcns(folder / "app.ico", folder / "app.icns"));
  const std::string file = TempFolder::Read(folder / "app.icns");
  ASSERT_GE(file.size(), 16u);
  EXPECT_EQ(ReadBigEndian32(file, 12), 32u);  // 8 + 8 x 3
  const Icns icns = ParseIcns(file);
  ASSERT_EQ(Types(icns), (std::vector<std::string>{"il32", "l8mk", "ic08"}));
  EXPECT_FALSE(TempFolder::Exists(folder / "app.icns.png"));

  std::size_t used = 0;
  const std::string planes = RunLengthDecode(icns.elements[0].data, 3 * 1024, used);
  EXPECT_EQ(used, icns.elements[0].data.size());
  ASSERT_EQ(planes.size(), 3u * 1024u);
  for (std::uint32_t i = 0; i < 1024; ++i) {
    const std::uint32_t argb = Gradient(i % 32, i / 32);
    ASSERT_EQ(static_cast<std::uint8_t>(planes[i]), (argb >> 16) & 0xFF) << i;
    ASSERT_EQ(static_cast<std::uint8_t>(planes[1024 + i]), (argb >> 8) & 0xFF) << i;
    ASSERT_EQ(static_cast<std::uint8_t>(planes[2048 + i]), argb & 0xFF) << i;
  }
  EXPECT_EQ(icns.elements[1].data, std::string(1024, '\xFF'));
  EXPECT_EQ(icns.elements[2].data, png);
}

TEST(IcnsTest, EverySizeInItsOrderFromTheDeepestImages) {
  TempFolder folder;
  const auto clear = [](std::uint32_t x, std::uint32_t y) { return x == y; };
  TempFolder::Write(folder / "app.ico",
                    kvtest::IconFileBytes({{0, 0, 32, kvtest::RgbaPng(256, 256, Gradient)},
                                           {128, 128, 32, kvtest::IconBitmap32(128, Gradient)},
                                           {32, 32, 4, Masked4Bit(32, clear)},
                                           {16, 16, 4, Masked4Bit(16, clear)},
                                           {16, 16, 32, kvtest::IconBitmap32(16, Gradient)},
                                           {48, 48, 4, Masked4Bit(48, clear)}}));
  ASSERT_TRUE(WriteIcns(folder / "app.ico", folder / "app.icns"));
  const Icns icns = ParseIcns(TempFolder::Read(folder / "app.icns"));
  ASSERT_EQ(Types(icns), (std::vector<std::string>{"is32", "s8mk", "il32", "l8mk", "ic07", "ic08"}));
  // The 32-bit 16x16 image wins over the 4-bit one: it is opaque everywhere.
  EXPECT_EQ(icns.elements[1].data, std::string(256, '\xFF'));
  KVPixels ic07;
  ASSERT_TRUE(kvplatform::DecodePng(icns.elements[4].data, ic07));
  EXPECT_EQ(ic07.width, 128u);
  EXPECT_EQ(ic07.height, 128u);
}

TEST(IcnsTest, AlphaMaskOfAMasked4BitImage) {
  const auto clear = [](std::uint32_t x, std::uint32_t y) { return (x * 3 + y) % 7 == 0 || x == 15; };
  TempFolder folder;
  TempFolder::Write(folder / "a.ico", kvtest::IconFileBytes({{16, 16, 4, Masked4Bit(16, clear)}}));
  KVIconFile icon;
  ASSERT_TRUE(icon.Load(folder / "a.ico"));
  ASSERT_TRUE(icon.WriteAlphaMask(0, folder / "mask"));
  ASSERT_TRUE(icon.WriteRleRgb(0, folder / "rgb"));
  const std::string mask = TempFolder::Read(folder / "mask");
  ASSERT_EQ(mask.size(), 256u);
  std::size_t used = 0;
  const std::string planes = RunLengthDecode(TempFolder::Read(folder / "rgb"), 768, used);
  ASSERT_EQ(planes.size(), 768u);
  for (std::uint32_t i = 0; i < 256; ++i) {
    const bool transparent = clear(i % 16, i / 16);
    EXPECT_EQ(static_cast<std::uint8_t>(mask[i]), transparent ? 0 : 255) << i;
    // Colour under a transparent pixel is not kept.
    EXPECT_EQ(static_cast<std::uint8_t>(planes[i]), transparent ? 0 : 0x30) << i;
    EXPECT_EQ(static_cast<std::uint8_t>(planes[256 + i]), transparent ? 0 : 0x20) << i;
    EXPECT_EQ(static_cast<std::uint8_t>(planes[512 + i]), transparent ? 0 : 0x10) << i;
  }
}

TEST(IcnsTest, ElementsThatCannotBeMadeAreLeftOutOfTheTable) {
  struct Case {
    const char* name;
    std::vector<IconPart> parts;
    std::vector<std::string> types;
  };
  const std::string good16 = kvtest::IconBitmap32(16, Gradient);
  const std::string good32 = kvtest::IconBitmap32(32, Gradient);
  // 16 bits per pixel is no icon format the decoder knows.
  const std::string undecodable32 = kvtest::BitmapImage({32, 64, 16}, "", std::string(64 * 32, '\0'), "");
  const Case cases[] = {
      // Without care the 32x32 elements would be filled from the 16x16 mask left in the
      // staging file.
      {"32x32 image undecodable", {{16, 16, 32, good16}, {32, 32, 32, undecodable32}}, {"is32", "s8mk"}},
      {"PNG pixels not the listed size", {{32, 32, 32, kvtest::RgbaPng(16, 16, Gradient)}, {16, 16, 32, good16}},
       {"is32", "s8mk"}},
      {"bitmap narrower than listed",
       {{16, 16, 32, good16},
        {32, 32, 32, kvtest::BitmapImage({16, 64, 32}, "", std::string(16 * 4 * 32, '\x7F'), std::string(4 * 32, '\0'))}},
       {"is32", "s8mk"}},
      {"16x16 image undecodable", {{16, 16, 32, undecodable32}, {32, 32, 32, good32}}, {"il32", "l8mk"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    TempFolder::Write(folder / "a.ico", kvtest::IconFileBytes(c.parts));
    ASSERT_TRUE(WriteIcns(folder / "a.ico", folder / "a.icns"));
    const Icns icns = ParseIcns(TempFolder::Read(folder / "a.icns"));
    EXPECT_EQ(Types(icns), c.types);
    EXPECT_FALSE(TempFolder::Exists(folder / "a.icns.png"));
  }
}

TEST(IcnsTest, NoIcnsWithoutAUsableImage) {
  struct Case {
    const char* name;
    std::string icon;  // empty: no icon file
  };
  const Case cases[] = {
      {"missing icon file", ""},
      {"not an icon file", "not an icon"},
      {"only sizes macOS has no element for", kvtest::IconFileBytes({{48, 48, 32, kvtest::IconBitmap32(48, Gradient)}})},
      {"only an undecodable image",
       kvtest::IconFileBytes({{16, 16, 16, kvtest::BitmapImage({16, 32, 16}, "", std::string(32 * 16, '\0'), "")}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    if (!c.icon.empty()) TempFolder::Write(folder / "a.ico", c.icon);
    TempFolder::Write(folder / "a.icns", "old");
    EXPECT_FALSE(WriteIcns(folder / "a.ico", folder / "a.icns"));
    EXPECT_EQ(TempFolder::Read(folder / "a.icns"), "old");
    EXPECT_FALSE(TempFolder::Exists(folder / "a.icns.png"));
  }
}

}  // namespace
