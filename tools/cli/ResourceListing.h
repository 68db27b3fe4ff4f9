// Listings of what a build stamps: a PE image's icon group and bitmaps (the version resource
// has its own reader), and the elements of a macOS icon file.
#pragma once

#include <string>
#include <string_view>

namespace kvcli {

// Every resource of the image as "type name language size", then the icon group 107's
// images and the bitmaps by name. "resources: none" for an image without a resource section.
void PrintResources(std::string_view image);

// The icns file's elements with their lengths; "icns: missing" or "icns: damaged".
void PrintIcnsElements(const std::string& path);

}  // namespace kvcli
