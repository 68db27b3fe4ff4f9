#pragma once

#include "tools/imagetool/ByteWriter.h"
#include "tools/imagetool/Image.h"

namespace kv::imagetool {

// A BITMAPINFOHEADER (40 bytes) for a 32 bits-per-pixel BI_RGB image. `storedHeight` is the
// image height for a .bmp file and twice it for an icon image, which counts its AND mask.
void writeInfoHeader(ByteWriter& w, int width, int storedHeight, std::uint32_t imageBytes);

// The pixels as a 32-bit DIB holds them: rows bottom to top, each pixel B, G, R, A. Alpha stays
// straight: comctl32 premultiplies when an image list takes a 32-bit DIB section, and icons
// are defined with straight alpha.
void writeBgraRows(ByteWriter& w, const Image& image);

// A complete .bmp file: BITMAPFILEHEADER, BITMAPINFOHEADER, bottom-up BGRA pixels. This is
// the layout LoadImageW(LR_CREATEDIBSECTION) turns into a 32-bit DIB section with alpha.
Bytes encodeBmpFile(const Image& image);

}  // namespace kv::imagetool
