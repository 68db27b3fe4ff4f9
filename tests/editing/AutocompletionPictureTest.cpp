// The member-list pictures: 32-bit BMP files decoded into top-down RGBA for the editor.
#include "editing/AutocompletionPicture.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

void PutLe32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A BMP file as the resources carry it: file header, a 124-byte BITMAPV5HEADER whose only
// fields that matter here are the width and height, then the given pixel bytes.
std::string BmpFile(std::int32_t width, std::int32_t height, const std::string& pixels) {
  std::string file = "BM";
  PutLe32(file, static_cast<std::uint32_t>(138 + pixels.size()));
  PutLe32(file, 0);
  PutLe32(file, 138);
  PutLe32(file, 124);
  PutLe32(file, static_cast<std::uint32_t>(width));
  PutLe32(file, static_cast<std::uint32_t>(height));
  file.resize(138, '\0');
  return file + pixels;
}

std::string Bytes(const std::vector<int>& values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(AutocompletionPicture, BottomUpBgraBecomesTopDownRgba) {
  // 2 x 2, stored bottom row first, each pixel B, G, R, A.
  const std::string pixels = Bytes({
      0x01, 0x02, 0x03, 0x04, 0x11, 0x12, 0x13, 0x14,  // bottom row: left, right
      0x21, 0x22, 0x23, 0x24, 0xF1, 0xF2, 0xF3, 0x80,  // top row: left, right
  });
  const auto picture = kveditor::DecodeAutocompletionPicture(BmpFile(2, 2, pixels));
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->width, 2);
  EXPECT_EQ(picture->height, 2);
  const std::vector<unsigned char> expected{
      0x23, 0x22, 0x21, 0x24, 0xF3, 0xF2, 0xF1, 0x80,  // top row: left, right
      0x03, 0x02, 0x01, 0x04, 0x13, 0x12, 0x11, 0x14,  // bottom row: left, right
  };
  EXPECT_EQ(picture->rgba, expected);
}

TEST(AutocompletionPicture, RowsAreTakenFromTheEndOfTheFile) {
  // A 1 x 1 picture behind the full headers: only the last four bytes are the pixel.
  const auto picture = kveditor::DecodeAutocompletionPicture(BmpFile(1, 1, Bytes({0x40, 0x50, 0x60, 0xFF})));
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->rgba, (std::vector<unsigned char>{0x60, 0x50, 0x40, 0xFF}));
}

TEST(AutocompletionPicture, RefusesFilesThatCannotHoldTheirPicture) {
  const std::string pixels16(16 * 16 * 4, '\x7F');
  std::string shortFile = BmpFile(16, 16, pixels16);
  shortFile.resize(53);
  // Headers of 54 bytes (file header and BITMAPINFOHEADER) with one byte too few pixels.
  std::string headersOnly = BmpFile(2, 2, "");
  headersOnly.resize(54 + 15);

  const struct {
    const char* what;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"shorter than the headers", shortFile},
      {"zero width", BmpFile(0, 16, pixels16)},
      {"zero height", BmpFile(16, 0, pixels16)},
      {"negative width", BmpFile(-16, 16, pixels16)},
      {"negative (top-down) height", BmpFile(16, -16, pixels16)},
      {"width over 256", BmpFile(257, 1, std::string(257 * 4, '\0'))},
      {"height over 256", BmpFile(1, 257, std::string(257 * 4, '\0'))},
      {"sides whose product overflows 32 bits", BmpFile(0x10000, 0x10000, pixels16)},
      {"pixels reaching into the headers", headersOnly},
      {"largest picture in a small file", BmpFile(256, 256, pixels16)},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(kveditor::DecodeAutocompletionPicture(c.file).has_value()) << c.what;
  }
}

}  // namespace
