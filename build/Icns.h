// The macOS icon file (icns) made from a project's .ico file, and the encodings of its
// elements. Lengths in the file are big-endian and count their own 8-byte headers.
#pragma once

#include <string>
#include <string_view>

#include "build/IconImage.h"

// One plane run-length encoded as is32 and il32 data are: a control byte below 128 is
// followed by control + 1 literal bytes; one of 128 or more by a byte that repeats
// control - 125 times. An empty plane gives no bytes.
std::string IcnsRunLength(std::string_view plane);

// is32 / il32 data: the red, green and blue planes of the straight (not premultiplied) colour,
// each encoded on its own, one after the other.
std::string IcnsRgbData(const KVPixels& pixels);

// s8mk / l8mk data: one alpha byte per pixel, top row first.
std::string IcnsMaskData(const KVPixels& pixels);

// Writes icnsPath from the icon file at iconPath: is32 and s8mk from its 16x16 image, il32 and
// l8mk from its 32x32 image, ic07 from 128x128 and ic08 from 256x256 (the deepest image of each
// width), each element only when that image exists and can be converted, with a table of
// contents listing exactly the elements written. The element data is staged in
// icnsPath + ".png", which is gone afterwards. False, and no icns file, when the icon cannot be
// read or yields no element, or the file cannot be written.
bool WriteIcns(const std::string& iconPath, const std::string& icnsPath);
