// The files the image tool writes: toolbar strips, member-list pictures and tab buttons as
// .bmp, icons as .ico.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editing/AutocompletionPicture.h"
#include "platform/PngCodec.h"
#include "tools/imagetool/BmpFile.h"
#include "tools/imagetool/Compose.h"
#include "tools/imagetool/IconFile.h"

namespace {

using Bytes = std::string;
using Image = KVPixels;

std::uint8_t ByteAt(const Bytes& b, std::size_t at) { return static_cast<std::uint8_t>(b.at(at)); }
std::uint32_t Le16(const Bytes& b, std::size_t at) { return ByteAt(b, at) | ByteAt(b, at + 1) << 8; }
std::uint32_t Le32(const Bytes& b, std::size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }
std::int32_t SignedLe32(const Bytes& b, std::size_t at) { return static_cast<std::int32_t>(Le32(b, at)); }

void SetPixel(Image& image, int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
  std::uint8_t* p = image.At(x, y);
  p[0] = b;
  p[1] = g;
  p[2] = r;
  p[3] = a;
}

// Every pixel different, with opaque, half-transparent and fully transparent ones, so that a
// wrong row order, channel order, offset or alpha treatment changes some byte.
Image Pattern(int w, int h, int seed) {
  Image image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int n = seed * 31 + y * w + x;
      const std::uint8_t alpha = n % 3 == 0 ? 255 : n % 3 == 1 ? 128 : 0;
      SetPixel(image, x, y, static_cast<std::uint8_t>(n * 7 + 1), static_cast<std::uint8_t>(n * 13 + 2),
               static_cast<std::uint8_t>(n * 29 + 3), alpha);
    }
  return image;
}

// What a pixel must look like once written: straight alpha as given, no colour behind alpha 0.
std::vector<std::uint8_t> ExpectedRgba(const Image& image, int x, int y) {
  const std::uint8_t* p = image.At(x, y);
  if (p[3] == 0) return {0, 0, 0, 0};
  return {p[2], p[1], p[0], p[3]};
}

struct HeaderField {
  std::size_t offset;
  int bytes;
  std::int64_t value;
  const char* name;
};

void ExpectFields(const Bytes& data, std::size_t base, const std::vector<HeaderField>& fields) {
  for (const HeaderField& f : fields) {
    const std::int64_t actual = f.bytes == 1   ? ByteAt(data, base + f.offset)
                                : f.bytes == 2 ? Le16(data, base + f.offset)
                                               : SignedLe32(data, base + f.offset);
    EXPECT_EQ(actual, f.value) << f.name;
  }
}

TEST(ImageFiles, ToolbarStripIsBottomUp32BitBmpWithStraightAlpha) {
  const std::vector<Image> pictures{Pattern(3, 2, 1), Pattern(3, 2, 2), Pattern(3, 2, 3)};
  Image strip;
  std::string error;
  ASSERT_TRUE(kvimage::MakeStrip(pictures, strip, error)) << error;
  const Bytes bmp = kvimage::BmpFile(strip);

  const std::int64_t pixelBytes = 9 * 2 * 4;
  ASSERT_EQ(bmp.size(), static_cast<std::size_t>(14 + 40 + pixelBytes));
  ExpectFields(bmp, 0,
               {{0, 1, 'B', "signature"},
                {1, 1, 'M', "signature"},
                {2, 4, 14 + 40 + pixelBytes, "bfSize"},
                {6, 4, 0, "bfReserved"},
                {10, 4, 14 + 40, "bfOffBits"},
                {14, 4, 40, "biSize"},
                {18, 4, 9, "biWidth"},
                {22, 4, 2, "biHeight (positive: bottom-up)"},
                {26, 2, 1, "biPlanes"},
                {28, 2, 32, "biBitCount"},
                {30, 4, 0, "biCompression (BI_RGB)"},
                {34, 4, pixelBytes, "biSizeImage"},
                {46, 4, 0, "biClrUsed"}});

  for (std::size_t k = 0; k < pictures.size(); ++k)
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        const std::size_t at = 54 + ((1 - y) * 9 + k * 3 + x) * 4;
        const std::vector<std::uint8_t> rgba = ExpectedRgba(pictures[k], x, y);
        const std::vector<std::uint8_t> stored{ByteAt(bmp, at + 2), ByteAt(bmp, at + 1), ByteAt(bmp, at),
                                               ByteAt(bmp, at + 3)};
        EXPECT_EQ(stored, rgba) << "picture " << k << " pixel " << x << "," << y;
      }
}

TEST(ImageFiles, MemberListPictureHasV5HeaderAndDecodesInTheEditor) {
  // As `imagetool bmpv5` writes it: a strip of one picture.
  const Image picture = Pattern(3, 2, 7);
  Image strip;
  std::string error;
  ASSERT_TRUE(kvimage::MakeStrip({picture}, strip, error)) << error;
  const Bytes bmp = kvimage::BmpV5File(strip);

  const std::int64_t pixelBytes = 3 * 2 * 4;
  ASSERT_EQ(bmp.size(), static_cast<std::size_t>(138 + pixelBytes));
  ExpectFields(bmp, 0,
               {{0, 1, 'B', "signature"},
                {1, 1, 'M', "signature"},
                {2, 4, 138 + pixelBytes, "bfSize"},
                {10, 4, 138, "bfOffBits"},
                {14, 4, 124, "bV5Size"},
                {18, 4, 3, "bV5Width"},
                {22, 4, 2, "bV5Height (positive: bottom-up)"},
                {26, 2, 1, "bV5Planes"},
                {28, 2, 32, "bV5BitCount"},
                {30, 4, 3, "bV5Compression (BI_BITFIELDS)"},
                {34, 4, pixelBytes, "bV5SizeImage"},
                {54, 4, 0x00FF0000, "bV5RedMask"},
                {58, 4, 0x0000FF00, "bV5GreenMask"},
                {62, 4, 0x000000FF, "bV5BlueMask"},
                {66, 4, 0xFF000000, "bV5AlphaMask"},
                {70, 4, 0x73524742, "bV5CSType (sRGB)"}});

  const auto decoded = kveditor::DecodeAutocompletionPicture(bmp);
  ASSERT_TRUE(decoded.has_value());
  ASSERT_EQ(decoded->width, 3);
  ASSERT_EQ(decoded->height, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      const auto* p = &decoded->rgba[(y * 3 + x) * 4];
      EXPECT_EQ(std::vector<std::uint8_t>(p, p + 4), ExpectedRgba(picture, x, y)) << x << "," << y;
    }
}

TEST(ImageFiles, WhiteBackedStripIsOpaque24BitWithPaddedRows) {
  // Three pixels make 9 bytes a row, padded to 12.
  Image strip(3, 2);
  SetPixel(strip, 0, 0, 0, 0, 0, 255);      // opaque black stays
  SetPixel(strip, 1, 0, 200, 100, 0, 128);  // half transparent: mixed with white
  SetPixel(strip, 2, 0, 200, 10, 10, 0);    // transparent: white, the transparent colour
  SetPixel(strip, 0, 1, 240, 140, 30, 255);
  const Bytes bmp = kvimage::Bmp24File(kvimage::OverWhite(strip));

  ASSERT_EQ(bmp.size(), static_cast<std::size_t>(54 + 2 * 12));
  ExpectFields(bmp, 0,
               {{2, 4, 54 + 24, "bfSize"},
                {10, 4, 54, "bfOffBits"},
                {14, 4, 40, "biSize"},
                {18, 4, 3, "biWidth"},
                {22, 4, 2, "biHeight (positive: bottom-up)"},
                {28, 2, 24, "biBitCount"},
                {30, 4, 0, "biCompression (BI_RGB)"},
                {34, 4, 24, "biSizeImage"}});
  // Bottom row first, each pixel B, G, R, each row padded with zeros.
  const std::vector<int> expected{
      30, 140, 240, 255, 255, 255, 255, 255, 255, 0, 0, 0,  //
      0,  0,   0,   127, 177, 227, 255, 255, 255, 0, 0, 0,
  };
  std::vector<int> pixels;
  for (std::size_t i = 54; i < bmp.size(); ++i) pixels.push_back(ByteAt(bmp, i));
  EXPECT_EQ(pixels, expected);
}

TEST(ImageFiles, IconHasDirectoryMaskedBitmapsAndPng) {
  // 48 pixels make 6 mask bytes per row, padded to 8; 16 and 256 test the size bytes.
  const std::vector<Image> images{Pattern(16, 16, 4), Pattern(48, 48, 5), Pattern(256, 256, 6)};
  Bytes ico;
  std::string error;
  ASSERT_TRUE(kvimage::EncodeIco(images, ico, error)) << error;

  ExpectFields(ico, 0, {{0, 2, 0, "idReserved"}, {2, 2, 1, "idType (icon)"}, {4, 2, 3, "idCount"}});
  std::uint32_t expectedOffset = 6 + 16 * 3;
  for (std::size_t i = 0; i < images.size(); ++i) {
    SCOPED_TRACE("image " + std::to_string(images[i].width));
    const std::size_t entry = 6 + 16 * i;
    const int size = static_cast<int>(images[i].width);
    ExpectFields(ico, entry,
                 {{0, 1, size % 256, "bWidth (0 for 256)"},
                  {1, 1, size % 256, "bHeight (0 for 256)"},
                  {2, 1, 0, "bColorCount"},
                  {3, 1, 0, "bReserved"},
                  {4, 2, 1, "wPlanes"},
                  {6, 2, 32, "wBitCount"},
                  {12, 4, expectedOffset, "dwImageOffset"}});
    const std::uint32_t length = Le32(ico, entry + 8);
    const std::uint32_t offset = Le32(ico, entry + 12);
    ASSERT_LE(static_cast<std::size_t>(offset) + length, ico.size());
    expectedOffset = offset + length;
    const Bytes data(ico.begin() + offset, ico.begin() + offset + length);

    if (size == 256) {
      Image decoded;
      ASSERT_TRUE(kvplatform::DecodePng(data, decoded));
      ASSERT_EQ(decoded.width, 256u);
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
          const std::uint8_t* p = decoded.At(x, y);
          ASSERT_EQ((std::vector<std::uint8_t>{p[2], p[1], p[0], p[3]}), ExpectedRgba(images[i], x, y));
        }
      continue;
    }

    const std::size_t maskStride = (size + 31) / 32 * 4;
    const std::int64_t pixelBytes = static_cast<std::int64_t>(size) * size * 4;
    ASSERT_EQ(length, 40 + pixelBytes + maskStride * size);
    ExpectFields(data, 0,
                 {{0, 4, 40, "biSize"},
                  {4, 4, size, "biWidth"},
                  {8, 4, size * 2, "biHeight (colour and mask)"},
                  {12, 2, 1, "biPlanes"},
                  {14, 2, 32, "biBitCount"},
                  {16, 4, 0, "biCompression"}});
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const std::size_t row = size - 1 - y;
        const std::size_t at = 40 + (row * size + x) * 4;
        const std::vector<std::uint8_t> stored{ByteAt(data, at + 2), ByteAt(data, at + 1), ByteAt(data, at),
                                               ByteAt(data, at + 3)};
        const std::vector<std::uint8_t> rgba = ExpectedRgba(images[i], x, y);
        ASSERT_EQ(stored, rgba) << x << "," << y;
        const std::uint8_t maskByte = ByteAt(data, 40 + pixelBytes + row * maskStride + x / 8);
        const bool masked = (maskByte >> (7 - x % 8)) & 1;
        ASSERT_EQ(masked, rgba[3] == 0) << "mask bit " << x << "," << y;
      }
    for (std::size_t row = 0; row < static_cast<std::size_t>(size); ++row)
      for (std::size_t pad = (size + 7) / 8; pad < maskStride; ++pad)
        ASSERT_EQ(ByteAt(data, 40 + pixelBytes + row * maskStride + pad), 0) << "mask padding";
  }
  EXPECT_EQ(expectedOffset, ico.size());
}

TEST(ImageFiles, RejectsImageSetsThatCannotBeStored) {
  struct Case {
    const char* what;
    std::vector<Image> images;
    bool strip;
  };
  const std::vector<Case> cases{
      {"strip of nothing", {}, true},
      {"strip with a taller picture", {Image(24, 24), Image(24, 25)}, true},
      {"strip with a narrower picture", {Image(24, 24), Image(24, 24), Image(23, 24)}, true},
      {"icon of nothing", {}, false},
      {"icon image not square", {Image(16, 16), Image(32, 31)}, false},
      {"icon image over 256", {Image(512, 512)}, false},
      {"two icon images of one size", {Image(16, 16), Image(32, 32), Image(16, 16)}, false},
  };
  for (const Case& c : cases) {
    std::string error;
    bool ok = false;
    if (c.strip) {
      Image strip;
      ok = kvimage::MakeStrip(c.images, strip, error);
    } else {
      Bytes ico;
      ok = kvimage::EncodeIco(c.images, ico, error);
    }
    EXPECT_FALSE(ok) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

// Pixels are blue, green, red, alpha.
int Luma(const std::uint8_t* p) { return 2126 * p[2] + 7152 * p[1] + 722 * p[0]; }

TEST(ImageFiles, DisabledPicturesAreGreyFainterAndKeepTheirShapes) {
  // Toolbar colours plus the extremes, as one row.
  const std::vector<std::vector<std::uint8_t>> colours{
      {0, 0, 0, 255},     {255, 255, 255, 255}, {60, 60, 60, 255},   {31, 111, 197, 255},
      {46, 133, 64, 255}, {208, 52, 58, 255},   {247, 223, 30, 255}, {232, 168, 56, 255},
      {60, 60, 60, 128},  {255, 255, 255, 1},   {200, 10, 10, 0},
  };
  Image row(static_cast<std::uint32_t>(colours.size()), 1);
  for (std::size_t i = 0; i < colours.size(); ++i)
    SetPixel(row, static_cast<int>(i), 0, colours[i][0], colours[i][1], colours[i][2], colours[i][3]);

  const Image disabled = kvimage::DisabledImage(row);
  ASSERT_EQ(disabled.width, row.width);
  for (std::uint32_t i = 0; i < row.width; ++i) {
    const std::uint8_t* in = row.At(i, 0);
    const std::uint8_t* out = disabled.At(i, 0);
    SCOPED_TRACE("colour " + std::to_string(i));
    if (in[3] == 0) {
      EXPECT_EQ(std::vector<std::uint8_t>(out, out + 4), (std::vector<std::uint8_t>{0, 0, 0, 0}));
      continue;
    }
    EXPECT_TRUE(out[0] == out[1] && out[1] == out[2]) << "not grey";
    EXPECT_GT(out[3], 0) << "a visible pixel vanished";
    EXPECT_NEAR(out[3], in[3] * 0.6, 1.0) << "opacity";
    // Lower contrast: nothing stays pure black or white.
    EXPECT_GT(out[0], 64);
    EXPECT_LT(out[0], 224);
    for (std::uint32_t j = 0; j < row.width; ++j) {
      const std::uint8_t* other = row.At(j, 0);
      // One step of slack for rounding between colours of almost equal brightness.
      if (other[3] != 0 && Luma(in) < Luma(other)) {
        EXPECT_LE(out[0], disabled.At(j, 0)[0] + 1) << "lighter than colour " << j;
      }
    }
  }
}

}  // namespace
