// Turns the rendered pictures into the images the resources hold.
#pragma once

#include <string>
#include <vector>

#include "common/Pixels.h"

namespace kvimage {

// Sets the colour of fully transparent pixels to zero so that what cannot be seen does not
// change the output bytes.
void ClearTransparentPixels(KVPixels& image);

// Places equally sized images side by side, left to right, as a toolbar image list expects.
bool MakeStrip(const std::vector<KVPixels>& images, KVPixels& strip, std::string& error);

// The look of a disabled toolbar button: grey, lower contrast and partly transparent, so it
// recedes on any light or dark face colour.
KVPixels DisabledImage(const KVPixels& image);

// The image drawn onto white: every pixel opaque. For bitmaps that mark their background with
// white as the transparent colour instead of alpha.
KVPixels OverWhite(const KVPixels& image);

}  // namespace kvimage
