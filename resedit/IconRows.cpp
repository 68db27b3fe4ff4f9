#include "resedit/IconRows.h"

namespace kviconrows {

std::vector<Row> RowsOf(const KVIconFile& icon) {
  std::vector<Row> rows;
  const auto& entries = icon.Entries();
  const auto& images = icon.Images();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const bool png = i < images.size() && images[i].isPng;
    rows.push_back({std::to_string(SideOf(entries[i].width)) + "x" + std::to_string(SideOf(entries[i].height)),
                    png ? "PNG" : "BMP"});
  }
  return rows;
}

}  // namespace kviconrows
