#include "resedit/Orientation.h"

#include <gtest/gtest.h>

#include <vector>

#include "ExifFixtures.h"

namespace {

using kvimage::Orientation;
using kvimage::OrientationFor;
using kvimage::OrientPixels;
using kvimage::ReadJpegOrientation;

// Pixels numbered in reading order, each 4 bytes holding its number in the first byte.
std::vector<std::uint8_t> Numbered(std::uint32_t width, std::uint32_t height, std::uint32_t stride) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * height, 0xEE);
  for (std::uint32_t r = 0; r < height; ++r) {
    for (std::uint32_t c = 0; c < width; ++c) {
      std::uint8_t* p = &pixels[r * stride + c * 4];
      p[0] = static_cast<std::uint8_t>(r * width + c);
      p[1] = p[2] = p[3] = 0;
    }
  }
  return pixels;
}

std::vector<int> Turned(int exifValue, std::uint32_t stride) {
  const std::vector<std::uint8_t> source = Numbered(3, 2, stride);
  std::vector<std::uint8_t> target(6 * 4, 0xFF);
  OrientPixels(source.data(), 3, 2, stride, OrientationFor(exifValue), target.data());
  std::vector<int> order;
  for (std::size_t i = 0; i < target.size(); i += 4) order.push_back(target[i]);
  return order;
}

// The picture as stored, three wide and two high:   0 1 2
//                                                  3 4 5
// Each value's expected result is the picture as it must be seen, read row by row.
TEST(Orientation, EachExifValueTurnsThePictureUpright) {
  struct Case {
    int value;
    Orientation turn;
    std::vector<int> seen;
  };
  const Case cases[] = {
      {1, {0, false}, {0, 1, 2, 3, 4, 5}},    {2, {0, true}, {2, 1, 0, 5, 4, 3}},
      {3, {180, false}, {5, 4, 3, 2, 1, 0}},  {4, {180, true}, {3, 4, 5, 0, 1, 2}},
      {5, {90, true}, {0, 3, 1, 4, 2, 5}},    {6, {90, false}, {3, 0, 4, 1, 5, 2}},
      {7, {270, true}, {5, 2, 4, 1, 3, 0}},   {8, {270, false}, {2, 5, 1, 4, 0, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const Orientation turn = OrientationFor(c.value);
    EXPECT_EQ(turn.rotation, c.turn.rotation);
    EXPECT_EQ(turn.mirror, c.turn.mirror);
    EXPECT_EQ(Turned(c.value, 12), c.seen);
    // Rows padded beyond the pixels give the same picture.
    EXPECT_EQ(Turned(c.value, 20), c.seen);
  }
}

TEST(Orientation, UnknownValuesLeaveThePictureAlone) {
  for (int value : {0, 9, 255, -1, 65535}) {
    EXPECT_FALSE(OrientationFor(value).changesPicture()) << value;
  }
  EXPECT_TRUE(OrientationFor(6).swapsSides());
  EXPECT_FALSE(OrientationFor(3).swapsSides());
}

TEST(ExifReader, FindsTheTagInEitherByteOrder) {
  for (std::uint16_t value = 1; value <= 8; ++value) {
    EXPECT_EQ(ReadJpegOrientation(kvtest::OrientationJpeg(value, true)), value);
    EXPECT_EQ(ReadJpegOrientation(kvtest::OrientationJpeg(value, false)), value);
  }
}

TEST(ExifReader, SkipsOtherApp1BlocksAndFillBytes) {
  const std::string xmp = kvtest::Segment(0xE1, "http://ns.adobe.com/xap/1.0/\0<x/>");
  const std::string exif = kvtest::ExifSegment(kvtest::TiffBlock({{274, 3, 1, 6}}, false));
  EXPECT_EQ(ReadJpegOrientation(kvtest::JpegWith({xmp, "\xFF" + exif})), 6);
}

TEST(ExifReader, ReportsNothingForMissingOrDamagedBlocks) {
  using kvtest::ExifSegment;
  using kvtest::JpegWith;
  using kvtest::TiffBlock;
  const std::string good = kvtest::OrientationJpeg(6, true);
  std::string countTooLarge = ExifSegment(TiffBlock({{0x0131, 2, 4, 0}}, true));
  countTooLarge[4 + 6 + 8] = 40;  // the IFD claims 40 entries inside a short block
  std::string segmentPastEnd = good.substr(0, 30);
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"not a JPEG", "\x89PNG\r\n\x1a\n"},
      {"no EXIF block", JpegWith({kvtest::Segment(0xE0, "JFIF")})},
      {"no orientation tag", JpegWith({ExifSegment(TiffBlock({{0x0131, 2, 4, 0}}, true))})},
      {"value out of range", JpegWith({ExifSegment(TiffBlock({{274, 3, 1, 9}}, true))})},
      {"tag of the wrong type", JpegWith({ExifSegment(TiffBlock({{274, 4, 1, 6}}, true))})},
      {"bad byte order mark", JpegWith({ExifSegment("XX" + TiffBlock({{274, 3, 1, 6}}, true).substr(2))})},
      {"IFD beyond the block", JpegWith({ExifSegment(std::string("II\x2A\0\xFF\0\0\0", 8))})},
      {"entries beyond the block", JpegWith({countTooLarge})},
      {"segment longer than the file", segmentPastEnd},
      {"EXIF after the picture data", JpegWith({}) + ExifSegment(TiffBlock({{274, 3, 1, 6}}, true))},
      {"zero segment length", std::string("\xFF\xD8\xFF\xE1\0\0", 6)},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadJpegOrientation(c.bytes), 0) << c.what;
}

}  // namespace
