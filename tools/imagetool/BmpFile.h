// The bitmap layouts the image tool writes: 32-bit .bmp files for toolbar strips and the
// member-list pictures, 24-bit ones for opaque strips, and the bitmap images inside icons.
#pragma once

#include <cstdint>
#include <string>

#include "common/Pixels.h"

namespace kvimage {

// A BITMAPINFOHEADER (40 bytes) for a 32 bits-per-pixel BI_RGB image. storedHeight is the
// image height for a .bmp file and twice it for an icon image, which counts its AND mask.
void PutInfoHeader(std::string& out, std::uint32_t width, std::uint32_t storedHeight, std::uint32_t imageBytes);

// The pixels as a 32-bit DIB holds them: rows bottom to top, each pixel B, G, R, A. Alpha stays
// straight: comctl32 premultiplies when an image list takes a 32-bit DIB section, and icons
// are defined with straight alpha.
void PutBottomUpRows(std::string& out, const KVPixels& image);

// A complete .bmp file: BITMAPFILEHEADER, BITMAPINFOHEADER, bottom-up BGRA pixels. This is
// the layout LoadImageW(LR_CREATEDIBSECTION) turns into a 32-bit DIB section with alpha.
std::string BmpFile(const KVPixels& image);

// A complete .bmp file with a BITMAPV5HEADER (124 bytes, pixels at offset 138): bottom-up BGRA
// rows, BI_BITFIELDS with an alpha mask, sRGB. The pixel rows end the file, which is what the
// source editor's picture decoder relies on.
std::string BmpV5File(const KVPixels& image);

// A complete 24-bit .bmp file (BITMAPFILEHEADER, BITMAPINFOHEADER, bottom-up B, G, R rows padded
// to four bytes). Alpha is dropped: composite the image onto its background first.
std::string Bmp24File(const KVPixels& image);

}  // namespace kvimage
