// One control line of a .win file:
//   kind style exStyle listViewExStyle id x y width height "name" "caption" "handler"
//   "fontLabel" "fontData"
// The same line is the clipboard's form of a control.
#pragma once

#include <string>
#include <string_view>

#include "designer/WinFile.h"

namespace kvwinfile {

// The kind of a line that starts with a control keyword and its space, in any letter case
// ("button" for "BUTTON 1 ..."); empty for every other line.
std::string_view ControlKindOf(std::string_view line);

// Fills record from a line whose kind ControlKindOf found, the id as written. False with
// expected naming the first field that is missing or wrong. Whatever follows the fifth
// string is ignored.
bool ParseControlLine(std::string_view line, std::string_view kind, KVControlRecord& record,
                      std::string& expected);

// The line with its CR LF when the control can be written and read back as it is, else
// false with problem saying why. Ids are not checked here.
bool FormatControl(const KVControlRecord& control, std::string& line, std::string& problem);

// How messages name a control: its kind and name.
std::string DescribeControl(const KVControlRecord& control);

}  // namespace kvwinfile
