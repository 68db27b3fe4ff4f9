#pragma once

#include <string>
#include <vector>

#include "tools/imagetool/Image.h"

namespace kv::imagetool {

// Sets the colour of fully transparent pixels to zero so that what cannot be seen does not
// change the output bytes.
void clearTransparentPixels(Image& image);

// Places equally sized images side by side, left to right, as a toolbar image list expects.
bool makeStrip(const std::vector<Image>& images, Image& strip, std::string& error);

// The look of a disabled toolbar button: grey, lower contrast and partly transparent, so it
// recedes on any light or dark face colour.
Image disabledImage(const Image& image);

}  // namespace kv::imagetool
