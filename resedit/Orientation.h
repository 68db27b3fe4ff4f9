// The EXIF orientation of a photograph and the pixel rearrangement that shows it upright.
// Cameras store pictures as the sensor saw them and record in tag 274 how to turn them; the
// viewer applies that turn before display. Portable so that the rules and the reader of the
// tag are tested without a window.
#pragma once

#include <cstdint>
#include <string_view>

namespace kvimage {

// A clockwise turn (0, 90, 180 or 270 degrees) followed by nothing, or preceded by a
// left-right mirror.
struct Orientation {
  int rotation = 0;
  bool mirror = false;

  bool changesPicture() const { return rotation != 0 || mirror; }
  bool swapsSides() const { return rotation == 90 || rotation == 270; }
};

// The turn for an EXIF orientation value; 1 and any value outside 1 to 8 give none.
Orientation OrientationFor(int exifValue);

// The orientation tag (274) of IFD0 in a JPEG file's EXIF block, 1 to 8; 0 when the file is
// not a JPEG, has no EXIF block or tag, or the block is damaged. Every read is checked.
int ReadJpegOrientation(std::string_view file);

// Copies width x height 4-byte pixels from source (rows stride bytes apart) to target,
// written densely row by row, turned as orientation says. The target holds width x height
// pixels; its rows are height pixels long when the turn swaps the sides.
void OrientPixels(const std::uint8_t* source, std::uint32_t width, std::uint32_t height, std::uint32_t stride,
                  Orientation orientation, std::uint8_t* target);

}  // namespace kvimage
