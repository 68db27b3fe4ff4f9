#include "designer/WinFileReader.h"

#include <utility>

#include "designer/ControlLine.h"
#include "designer/FieldScanner.h"
#include "designer/MenuLine.h"
#include "designer/WinText.h"

namespace {

constexpr int kHeaderLines = 9;
constexpr const char* kHeaderWhat[kHeaderLines] = {
    "the format version",     "the window style and extended style",
    "the window caption",     "the client width and height",
    "the onInit handler",     "the onSysClose handler",
    "the dialogProc handler", "the font label",
    "the font data",
};

// Two numbers as the runtime reads them: the first at the start of the line, the second from
// the character after the first space; whatever follows either is not read.
bool TwoNumbers(std::string_view line, std::int32_t& first, std::int32_t& second) {
  KVFieldScanner scanner(line);
  if (!scanner.LeadingNumber(first)) return false;
  KVFieldScanner rest(line);
  return rest.SkipPast(' ') && rest.LeadingNumber(second);
}

}  // namespace

bool KVWinFileReader::Fail(int line, std::string message) {
  if (result.ok) {
    result.ok = false;
    result.line = line;
    result.message = std::move(message);
  }
  return false;
}

bool KVWinFileReader::NextLine(std::string_view& line) {
  switch (lines.Next(line)) {
    case KVWinLines::Step::Line:
      return true;
    case KVWinLines::Step::End:
      return false;
    case KVWinLines::Step::BadLineEnd:
      break;
  }
  return Fail("expected the line to end with CR LF, not with a CR or LF alone");
}

KVWinResult KVWinFileReader::ReadFile() {
  if (ReadHeader()) ReadBody(true);
  return result;
}

KVWinResult KVWinFileReader::ReadControlLines() {
  ReadBody(false);
  return result;
}

KVWinResult KVWinFileReader::ReadMenuText() {
  model.hasMenu = true;
  const LevelEnd end = ReadMenuLevel(model.menuRoot, 0);
  result.menuClosed = end == LevelEnd::Closed;
  return result;
}

bool KVWinFileReader::ReadHeader() {
  std::string_view header[kHeaderLines];
  for (int i = 0; i < kHeaderLines; ++i) {
    if (!NextLine(header[i])) {
      return result.ok && Fail(i + 1, std::string("expected ") + kHeaderWhat[i] + "; the text ends before it");
    }
  }
  KVControlRecord& window = model.window;
  // The format version is read and ignored; any first line will do.
  if (!TwoNumbers(header[1], window.style, window.exStyle)) {
    return Fail(2, "expected the window style and extended style as two whole numbers separated by a space");
  }
  if (!TwoNumbers(header[3], window.width, window.height)) {
    return Fail(4, "expected the client width and height as two whole numbers separated by a space");
  }
  window.kind = "Window";
  window.caption.assign(header[2]);
  window.initHandler.assign(header[4]);
  window.closeHandler.assign(header[5]);
  window.handler.assign(header[6]);
  window.fontLabel.assign(header[7]);
  window.fontData.assign(header[8]);
  if (!kvwinfile::FontFits(window.fontLabel, window.fontData)) {
    return Fail(9, std::string("expected ") + kvwinfile::kFontDataExpected);
  }
  return true;
}

void KVWinFileReader::ReadBody(bool withMenu) {
  std::string_view line;
  while (NextLine(line) && !line.empty()) {
    const std::string_view kind = kvwinfile::ControlKindOf(line);
    if (!kind.empty()) {
      if (!ReadControl(line, kind)) return;
    } else if (withMenu && kvwinfile::IsMenuStart(line)) {
      // A second block adds to the first; the writer joins them into one.
      model.hasMenu = true;
      const LevelEnd end = ReadMenuLevel(model.menuRoot, 0);
      if (end == LevelEnd::TextEnded) result.menuClosed = false;
      if (end != LevelEnd::Closed) return;
    }
  }
}

bool KVWinFileReader::TakeId(std::int32_t& id) {
  const bool keeps = KVIdTable::Contains(id) && !model.idInUse.InUse(id);
  // Handing out 0 again would give the model ids that no longer survive a write and a read.
  if (!keeps && model.idInUse.Full()) return Fail("no id is left for this line; every id from 100 to 10099 is taken");
  id = model.idInUse.Allocate(id);
  return true;
}

bool KVWinFileReader::ReadControl(std::string_view line, std::string_view kind) {
  KVControlRecord control;
  std::string problem;
  if (!kvwinfile::ParseControlLine(line, kind, control, problem)) return Fail("expected " + problem);
  if (control.name.empty()) control.name = control.kind + std::to_string(control.id);
  if (!TakeId(control.id)) return false;
  // The id or the name may have grown the line past what the writer can hold.
  std::string formatted;
  if (!kvwinfile::FormatControl(control, formatted, problem)) return Fail(std::move(problem));
  model.controls.push_back(std::move(control));
  ++result.controlsRead;
  return true;
}

bool KVWinFileReader::ReadCommand(std::string_view line, KVMenuItem& level) {
  KVMenuItem command;
  std::string problem;
  if (!kvwinfile::ParseCommandLine(line, command, problem)) return Fail("expected " + problem);
  if (!TakeId(command.id)) return false;
  std::string formatted;
  if (!kvwinfile::FormatCommand(command, formatted, problem)) return Fail(std::move(problem));
  level.children.push_back(std::move(command));
  return true;
}

KVWinFileReader::LevelEnd KVWinFileReader::ReadMenuLevel(KVMenuItem& level, int depth) {
  std::string_view line;
  for (;;) {
    if (!NextLine(line)) return result.ok ? LevelEnd::TextEnded : LevelEnd::Failed;
    if (line.empty()) return LevelEnd::TextEnded;
    switch (kvwinfile::MenuLineKindOf(line)) {
      case kvwinfile::MenuLineKind::Submenu: {
        // Depth is bounded so that neither reading nor any later walk of the tree can run
        // out of stack on a hostile file.
        if (depth >= KVWinFile::kMaxMenuDepth) {
          Fail("submenus nest at most " + std::to_string(KVWinFile::kMaxMenuDepth) + " deep");
          return LevelEnd::Failed;
        }
        KVMenuItem submenu;
        submenu.kind = MenuItemKind::Submenu;
        std::string problem;
        if (!kvwinfile::ParseSubmenuLine(line, submenu.text, problem)) {
          Fail("expected " + problem);
          return LevelEnd::Failed;
        }
        level.children.push_back(std::move(submenu));
        const LevelEnd end = ReadMenuLevel(level.children.back(), depth + 1);
        if (end != LevelEnd::Closed) return end;
        break;
      }
      case kvwinfile::MenuLineKind::Command:
        if (!ReadCommand(line, level)) return LevelEnd::Failed;
        break;
      case kvwinfile::MenuLineKind::Separator: {
        KVMenuItem separator;
        separator.kind = MenuItemKind::Separator;
        level.children.push_back(std::move(separator));
        break;
      }
      case kvwinfile::MenuLineKind::EndLevel:
        return LevelEnd::Closed;
      case kvwinfile::MenuLineKind::Other:
        break;
    }
  }
}
