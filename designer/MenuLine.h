// The lines of a .win menu block:
//   menu / submenu "label" / command id "label" "handler" ctrl shift alt fourthFlag accelKey /
//   separator / endsubmenu / endmenu
#pragma once

#include <string>
#include <string_view>

#include "designer/WinFile.h"

namespace kvwinfile {

enum class MenuLineKind { Submenu, Command, Separator, EndLevel, Other };

// True for the line that opens the menu block: it starts with "menu" in any letter case.
bool IsMenuStart(std::string_view line);
// Keywords match in any letter case, "submenu " and "command " with their space. Both
// "endsubmenu" and "endmenu" end the current level, whichever it is.
MenuLineKind MenuLineKindOf(std::string_view line);

// The label of a submenu line; whatever follows its closing quote is ignored.
bool ParseSubmenuLine(std::string_view line, std::string& label, std::string& expected);
// A command line into item (kind Command, id as written). The four flags are single digits,
// 0 or 1 as the IDE writes them; the accelerator key is the rest of the line after the space that follows them,
// and a line that stops right after the fourth flag has none.
bool ParseCommandLine(std::string_view line, KVMenuItem& item, std::string& expected);

// Lines with their CR LF, when the item can be written and read back as it is; else false
// with problem saying why.
bool FormatSubmenu(const KVMenuItem& item, std::string& line, std::string& problem);
bool FormatCommand(const KVMenuItem& item, std::string& line, std::string& problem);

}  // namespace kvwinfile
