#include "designer/WinText.h"

#include "designer/LogFont.h"

namespace kvwinfile {

bool FitsLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool FitsQuoted(std::string_view text) { return FitsLine(text) && text.find('"') == std::string_view::npos; }

bool FontFits(std::string_view label, std::string_view data) {
  if (label == kDefaultFont) return true;
  KVLogFont parsed;
  return KVLogFont::Parse(data, parsed);
}

}  // namespace kvwinfile
