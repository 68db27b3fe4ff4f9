// The model of one dialog window and its .win text: a nine-line header (style, caption,
// client size, handlers, font), one line per control in tab order, and an optional menu
// block. The designer, the property grid and the menu editor work on this model; code
// assistance reads control names and kinds from it; the runtime reads the same files, so
// keywords, field order and separators must not change.
//
// Reading is strict where the text leaves no doubt what was meant to be there: a line that
// cannot be read as what its position or keyword promises fails the whole read with its line
// number and what was expected, and the model is left as it was. What the format itself
// defines is kept: unknown lines are skipped, an empty line ends the text, a repeated or
// untracked id is replaced, an empty name is generated, and a menu block that runs into an
// empty line or the end keeps what it read (KVWinResult::menuClosed tells). Numbers are read
// as atol reads them (what follows the digits of a field is passed over), the first header
// line is not read at all, and text between a control's height and its first double quote is
// passed over; a field without any digits still fails.
//
// Writing never produces a text that reads back differently from the model. It refuses,
// naming the record, the field and the line it would take, a model that does not fit:
// - a text holding a CR, LF or NUL, or a double quote inside the quoted fields (header lines
//   are whole lines and may hold double quotes);
// - a control or command line longer than 4,095 bytes with its CR LF;
// - a control with an empty name, an unknown kind, or a font label other than "Default"
//   without complete font data;
// - ids that reading would change (repeated, or outside 0 to 10099): Normalize() first;
// - menu flags that are not a single digit, or submenus nested deeper than kMaxMenuDepth.
// The property grid keeps such text out with StorableText; the designer calls Normalize()
// after the menu editor renumbers commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "designer/IdTable.h"

enum class MenuItemKind : int { Submenu = 1, Command = 2, Separator = 3 };

struct KVMenuItem {
  MenuItemKind kind = MenuItemKind::Command;
  std::vector<KVMenuItem> children;  // Submenu only
  std::int32_t id = 0;               // Command only
  std::string text;                  // Submenu and Command; "&" marks the mnemonic letter
  std::string handler;               // Command only
  std::string accelKey;              // "" or "0" to "9", "A" to "Z", "F1" to "F12"
  std::int32_t ctrl = 0;
  std::int32_t shift = 0;
  std::int32_t alt = 0;
  // Commands made by the menu editor carry 1; otherwise kept as read.
  std::int32_t fourthFlag = 0;
};

struct KVControlRecord {
  // "button", "check", "edit", "text", "combo", "listview", "treeview", or "Window".
  std::string kind;
  std::int32_t style = 0;            // WS_* and the class's own low 16 bits
  std::int32_t exStyle = 0;          // WS_EX_*
  std::int32_t listViewExStyle = 0;  // LVS_EX_*, list views only
  std::int32_t id = 0;
  std::int32_t x = 0;  // client pixels below the menu bar
  std::int32_t y = 0;
  std::int32_t width = 0;  // for the window: its client area without the menu bar
  std::int32_t height = 0;
  std::string name;
  std::string caption;
  std::string handler;       // button: onClick; window: dialogProc
  std::string initHandler;   // window only
  std::string closeHandler;  // window only
  // "Default", or for a chosen font its face and point size, "%s (%d)".
  std::string fontLabel = "Default";
  // The chosen font as KVLogFont writes it; empty with "Default".
  std::string fontData;
  // The designer's platform window for the record; no part of the file.
  void* platformWindow = nullptr;
};

// The outcome of a read or a write. On failure, line is the 1-based line at fault (for a
// write, the line the record would have taken) and message says what was expected there or
// why the record cannot be written; the model or text handed in is unchanged.
struct KVWinResult {
  bool ok = true;
  int line = 0;
  std::string message;
  // Reading: false when a menu block ended at an empty line or at the end of the text
  // instead of at its "endmenu"; what it held is kept and hasMenu is true.
  bool menuClosed = true;
  // Reading: the controls appended.
  int controlsRead = 0;

  explicit operator bool() const { return ok; }
  // "Line 12: expected ..." for showing to the user.
  std::string Describe() const;
};

class KVWinFile {
public:
  static constexpr std::size_t kMaxLineBytes = 4095;
  static constexpr int kMaxMenuDepth = 32;

  KVWinFile();

  KVControlRecord window;                 // kind "Window"
  std::vector<KVControlRecord> controls;  // file order is tab order
  bool hasMenu = false;
  KVMenuItem menuRoot;  // a Submenu standing for the menu bar; only meaningful with hasMenu
  KVIdTable idInUse;    // control and command ids together

  // The whole file: header, control lines and menu block. Replaces the model on success.
  KVWinResult Read(std::string_view text);
  // One or more control lines (the clipboard's text): appends the controls with ids from
  // idInUse. Lines that are not control lines are skipped, menu lines included; an empty
  // line ends the text.
  KVWinResult ReadControlLines(std::string_view text);
  // Menu lines without the opening "menu" line, as the designer's Add Menu text: appends
  // the items to menuRoot and sets hasMenu.
  KVWinResult ReadMenuText(std::string_view text);

  // The complete file text, each line ending with CR LF.
  KVWinResult Write(std::string& text) const;
  // One control line with its CR LF, as the clipboard holds it. Ids are not checked: a
  // pasted control gets a free one.
  static KVWinResult FormatControlLine(const KVControlRecord& control, std::string& line);

  std::int32_t AllocateId(std::int32_t wanted) { return idInUse.Allocate(wanted); }
  // Makes the model what reading its text would give: empty control names become the kind
  // and id ("button300"), then every id is allocated afresh in file order (controls, then
  // menu commands), so that repeated ids move to free ones. True when anything changed.
  bool Normalize();

  // True when text can stand in every text field of the file: no double quote, CR, LF or
  // NUL.
  static bool StorableText(std::string_view text);
  static bool IsControlKind(std::string_view kind);
};

// Equal in everything the file stores: the window's style, extended style, size, caption,
// handlers and font; every field of every control; hasMenu and, with a menu, each item's
// fields that its kind uses. Platform windows and the id table are not compared.
bool SameContent(const KVWinFile& a, const KVWinFile& b);
