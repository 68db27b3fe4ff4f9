// Icon images decoded to the portable pixel buffer: bitmap-format images here, PNG images
// through the platform's PNG codec. The Windows side makes its GDI bitmap from this buffer;
// the macOS icon writer reads it directly.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/Pixels.h"

// Decodes one BITMAPINFOHEADER image (1, 4, 8, 24 or 32 bits per pixel, uncompressed) of an
// icon file into straight BGRA; a pixel the mask or alpha leaves fully transparent is all
// zeros. iconHeight is the height from the icon directory (0 meaning 256): the header's
// height is either that (colour rows only) or twice it (colour rows, then the AND mask). Colour
// and mask rows are bottom-up and padded to 4 bytes. False for anything else or for data that
// ends early; out is then left empty.
bool DecodeIconBitmap(std::string_view image, std::uint32_t iconHeight, KVPixels& out);
