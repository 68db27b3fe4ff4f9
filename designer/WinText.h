// Rules on the texts of a .win file that the reader and the writer share.
#pragma once

#include <string_view>

namespace kvwinfile {

inline constexpr std::string_view kDefaultFont = "Default";
inline constexpr const char* kFontDataExpected =
    "font data (13 whole numbers and a face name, separated by single spaces) for the font label";
inline constexpr const char* kUnstorable = "a double quote, CR, LF or NUL, which the file cannot store";

// A whole line of the header or the rest of a command line: no CR, LF or NUL.
bool FitsLine(std::string_view text);
// A text between double quotes: FitsLine, and no double quote either.
bool FitsQuoted(std::string_view text);
// A label other than exactly "Default" needs font data that KVLogFont can parse; with
// "Default" the data is kept as it is and not read.
bool FontFits(std::string_view label, std::string_view data);

}  // namespace kvwinfile
