// Small .win texts shared by the designer tests.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace kvtest {

// The lines joined, each ending with CR LF.
inline std::string Crlf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

inline const std::string kOkLine =
    "button 1409368064 0 0 300 235 265 75 25 \"okButton\" \"OK\" \"onOK\" \"Default\" \"\"";
inline const std::string kCancelLine =
    "button 1409368064 0 0 301 315 265 75 25 \"cancelButton\" \"Cancel\" \"onCancel\" \"Default\" \"\"";

// What the new-project command writes as mainWin.win.
inline std::string MainWindowText() {
  return Crlf({"1", "281673728 0", "Main Window", "400 300", "onInit", "onSysClose", "", "Default", "", kOkLine,
               kCancelLine});
}

// What the new-dialog-window command writes for a window named caption.
inline std::string NewDialogText(std::string_view caption) {
  return Crlf({"1", "281673728 0", caption, "400 300", "", "", "", "Default", "", kOkLine, kCancelLine});
}

// The nine header lines of a plain window with no handlers and the default font.
inline std::string Header() { return Crlf({"1", "281673728 0", "W", "200 100", "", "", "", "Default", ""}); }

// The menu the designer's Add Menu creates, with its opening line.
inline std::string AddMenuBlock() {
  return Crlf({"menu", "submenu \"&File\"", "command 100 \"E&xit\" \"onFileExit\" 0 0 0 1 ", "endsubmenu", "endmenu"});
}

}  // namespace kvtest
