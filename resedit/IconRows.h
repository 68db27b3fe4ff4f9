// What the icon editor's image list shows for each image of an icon file: its size from the
// directory entry ("%dx%d", a 0 byte meaning 256) and its encoding, "PNG" or "BMP".
#pragma once

#include <string>
#include <vector>

#include "build/IconFile.h"

namespace kviconrows {

struct Row {
  std::string size;
  std::string type;
};

std::vector<Row> RowsOf(const KVIconFile& icon);

// A directory entry's width or height byte in pixels.
inline int SideOf(std::uint8_t stored) { return stored == 0 ? 256 : stored; }

}  // namespace kviconrows
