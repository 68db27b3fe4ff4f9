// Icon images decoded to a portable 32-bit pixel buffer: bitmap-format images here, PNG images
// through the platform's PNG codec. The Windows side makes its GDI bitmap from this buffer;
// the macOS icon writer reads it directly.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/PngCodec.h"

// Top-down rows of blue, green, red, alpha bytes, colour premultiplied by alpha, so that a
// fully transparent pixel is all zeros.
struct KVIconPixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> bgra;
};

// Decodes one BITMAPINFOHEADER image (1, 4, 8, 24 or 32 bits per pixel, uncompressed) of an
// icon file. iconHeight is the height from the icon directory (0 meaning 256): the header's
// height is either that (colour rows only) or twice it (colour rows, then the AND mask). Colour
// and mask rows are bottom-up and padded to 4 bytes. False for anything else or for data that
// ends early; out is then left empty.
bool DecodeIconBitmap(std::string_view image, std::uint32_t iconHeight, KVIconPixels& out);

// A decoded PNG image in the form above; false when its buffer does not match its size.
bool PixelsFromRgba(const kvplatform::RgbaImage& image, KVIconPixels& out);

// Back to straight colour in red, green, blue, alpha order, rounded to the nearest value, as a
// conversion to 32-bit RGBA gives it; fully transparent pixels come out as all zeros.
kvplatform::RgbaImage RgbaFromPixels(const KVIconPixels& pixels);
