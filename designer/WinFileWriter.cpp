#include "designer/WinFileWriter.h"

#include <utility>

#include "designer/ControlLine.h"
#include "designer/MenuLine.h"
#include "designer/WinText.h"

KVWinResult KVWinFileWriter::Write(const KVWinFile& model, std::string& text) {
  if (!WriteHeader(model.window)) return result;
  std::string line;
  std::string problem;
  for (const KVControlRecord& control : model.controls) {
    if (!kvwinfile::FormatControl(control, line, problem)) {
      Fail(std::move(problem));
      return result;
    }
    if (!CheckId(control.id, kvwinfile::DescribeControl(control))) return result;
    Line(line);
  }
  if (model.hasMenu) {
    Line("menu\r\n");
    if (!WriteMenuLevel(model.menuRoot, 0)) return result;
    Line("endmenu\r\n");
  }
  text = std::move(out);
  return result;
}

bool KVWinFileWriter::WriteHeader(const KVControlRecord& window) {
  Line("1\r\n");
  Line(std::to_string(window.style) + " " + std::to_string(window.exStyle) + "\r\n");
  if (!HeaderText(window.caption, "the window caption")) return false;
  Line(std::to_string(window.width) + " " + std::to_string(window.height) + "\r\n");
  if (!HeaderText(window.initHandler, "the onInit handler") ||
      !HeaderText(window.closeHandler, "the onSysClose handler") ||
      !HeaderText(window.handler, "the dialogProc handler") ||
      !HeaderText(window.fontLabel, "the window's font label")) {
    return false;
  }
  if (!kvwinfile::FontFits(window.fontLabel, window.fontData)) {
    return Fail("the window's font has a label but no complete font data");
  }
  return HeaderText(window.fontData, "the window's font data");
}

bool KVWinFileWriter::HeaderText(const std::string& text, const char* what) {
  if (!kvwinfile::FitsLine(text)) {
    return Fail(std::string(what) + " holds a CR, LF or NUL, which the file cannot store");
  }
  Line(text + "\r\n");
  return true;
}

bool KVWinFileWriter::WriteMenuLevel(const KVMenuItem& level, int depth) {
  std::string line;
  std::string problem;
  for (const KVMenuItem& item : level.children) {
    switch (item.kind) {
      case MenuItemKind::Submenu:
        if (depth >= KVWinFile::kMaxMenuDepth) {
          return Fail("submenus nest at most " + std::to_string(KVWinFile::kMaxMenuDepth) + " deep");
        }
        if (!kvwinfile::FormatSubmenu(item, line, problem)) return Fail(std::move(problem));
        Line(line);
        if (!WriteMenuLevel(item, depth + 1)) return false;
        Line("endsubmenu\r\n");
        break;
      case MenuItemKind::Command:
        if (!kvwinfile::FormatCommand(item, line, problem)) return Fail(std::move(problem));
        if (!CheckId(item.id, "command \"" + item.text + "\"")) return false;
        Line(line);
        break;
      case MenuItemKind::Separator:
        Line("separator\r\n");
        break;
      default:
        return Fail("a menu item has the unknown kind " + std::to_string(static_cast<int>(item.kind)));
    }
  }
  return true;
}

bool KVWinFileWriter::CheckId(std::int32_t id, const std::string& owner) {
  const std::int32_t readBack = ids.Allocate(id);
  if (readBack == id) return true;
  return Fail("the id " + std::to_string(id) + " of " + owner + " would be read back as " + std::to_string(readBack) +
              (KVIdTable::Contains(id) ? ": an earlier control or command has it" : ": it lies outside 0 to 10099"));
}

void KVWinFileWriter::Line(std::string_view line) {
  out += line;
  ++lineCount;
}

bool KVWinFileWriter::Fail(std::string message) {
  result.ok = false;
  result.line = lineCount + 1;
  result.message = std::move(message);
  return false;
}
