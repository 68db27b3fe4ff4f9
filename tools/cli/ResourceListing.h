// Listings of what a build stamps: a PE image's icon group and bitmaps (the version resource
// has its own reader), and the elements of a macOS icon file.
#pragma once

#include <string>
#include <string_view>

namespace kvcli {

// Every resource of the image as "type name language size", then the icon group 107's
// images and the bitmaps by name. "resources: none" for an image without a resource section;
// "resources: damaged" and false for a tree that cannot be read.
bool PrintResources(std::string_view image);

// Text from a file made safe for a terminal: control characters as \xNN, and with
// rawBytes every byte outside printable ASCII too (for fields that are not UTF-8).
std::string Printable(std::string_view text, bool rawBytes = false);

// The icns file's elements with their lengths; "icns: missing" or "icns: damaged".
void PrintIcnsElements(const std::string& path);

}  // namespace kvcli
