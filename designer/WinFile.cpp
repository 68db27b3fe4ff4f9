#include "designer/WinFile.h"

#include <utility>

#include "designer/ControlLine.h"
#include "designer/WinFileReader.h"
#include "designer/WinFileWriter.h"
#include "designer/WinText.h"

namespace {

void NormalizeMenu(KVMenuItem& level, KVIdTable& ids, bool& changed) {
  for (KVMenuItem& item : level.children) {
    if (item.kind == MenuItemKind::Submenu) {
      NormalizeMenu(item, ids, changed);
    } else if (item.kind == MenuItemKind::Command) {
      const std::int32_t id = ids.Allocate(item.id);
      changed |= id != item.id;
      item.id = id;
    }
  }
}

bool SameItems(const KVMenuItem& a, const KVMenuItem& b) {
  if (a.children.size() != b.children.size()) return false;
  for (std::size_t i = 0; i < a.children.size(); ++i) {
    const KVMenuItem& x = a.children[i];
    const KVMenuItem& y = b.children[i];
    if (x.kind != y.kind) return false;
    switch (x.kind) {
      case MenuItemKind::Submenu:
        if (x.text != y.text || !SameItems(x, y)) return false;
        break;
      case MenuItemKind::Command:
        if (x.id != y.id || x.text != y.text || x.handler != y.handler || x.accelKey != y.accelKey ||
            x.ctrl != y.ctrl || x.shift != y.shift || x.alt != y.alt || x.fourthFlag != y.fourthFlag) {
          return false;
        }
        break;
      default:
        break;
    }
  }
  return true;
}

bool SameControl(const KVControlRecord& a, const KVControlRecord& b) {
  return a.kind == b.kind && a.style == b.style && a.exStyle == b.exStyle && a.listViewExStyle == b.listViewExStyle &&
         a.id == b.id && a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height &&
         a.name == b.name && a.caption == b.caption && a.handler == b.handler && a.fontLabel == b.fontLabel &&
         a.fontData == b.fontData;
}

bool SameWindow(const KVControlRecord& a, const KVControlRecord& b) {
  return a.style == b.style && a.exStyle == b.exStyle && a.width == b.width && a.height == b.height &&
         a.caption == b.caption && a.handler == b.handler && a.initHandler == b.initHandler &&
         a.closeHandler == b.closeHandler && a.fontLabel == b.fontLabel && a.fontData == b.fontData;
}

}  // namespace

std::string KVWinResult::Describe() const {
  if (line <= 0) return message;
  return "Line " + std::to_string(line) + ": " + message;
}

KVWinFile::KVWinFile() {
  window.kind = "Window";
  menuRoot.kind = MenuItemKind::Submenu;
}

KVWinResult KVWinFile::Read(std::string_view text) {
  KVWinFile read;
  const KVWinResult result = KVWinFileReader(text, read).ReadFile();
  if (result) *this = std::move(read);
  return result;
}

KVWinResult KVWinFile::ReadControlLines(std::string_view text) {
  KVWinFile read;
  read.idInUse = idInUse;
  const KVWinResult result = KVWinFileReader(text, read).ReadControlLines();
  if (!result) return result;
  for (KVControlRecord& control : read.controls) controls.push_back(std::move(control));
  idInUse = read.idInUse;
  return result;
}

KVWinResult KVWinFile::ReadMenuText(std::string_view text) {
  KVWinFile read;
  read.idInUse = idInUse;
  const KVWinResult result = KVWinFileReader(text, read).ReadMenuText();
  if (!result) return result;
  for (KVMenuItem& item : read.menuRoot.children) menuRoot.children.push_back(std::move(item));
  hasMenu = true;
  idInUse = read.idInUse;
  return result;
}

KVWinResult KVWinFile::Write(std::string& text) const { return KVWinFileWriter().Write(*this, text); }

KVWinResult KVWinFile::FormatControlLine(const KVControlRecord& control, std::string& line) {
  KVWinResult result;
  std::string problem;
  if (!kvwinfile::FormatControl(control, line, problem)) {
    result.ok = false;
    result.line = 1;
    result.message = std::move(problem);
  }
  return result;
}

bool KVWinFile::Normalize() {
  bool changed = false;
  KVIdTable ids;
  for (KVControlRecord& control : controls) {
    if (control.name.empty()) {
      control.name = control.kind + std::to_string(control.id);
      changed = true;
    }
    const std::int32_t id = ids.Allocate(control.id);
    changed |= id != control.id;
    control.id = id;
  }
  if (hasMenu) NormalizeMenu(menuRoot, ids, changed);
  idInUse = ids;
  return changed;
}

bool KVWinFile::StorableText(std::string_view text) { return kvwinfile::FitsQuoted(text); }

bool KVWinFile::IsControlKind(std::string_view kind) {
  return !kind.empty() && kvwinfile::ControlKindOf(std::string(kind) + " ") == kind;
}

bool SameContent(const KVWinFile& a, const KVWinFile& b) {
  if (!SameWindow(a.window, b.window) || a.controls.size() != b.controls.size() || a.hasMenu != b.hasMenu) {
    return false;
  }
  for (std::size_t i = 0; i < a.controls.size(); ++i) {
    if (!SameControl(a.controls[i], b.controls[i])) return false;
  }
  return !a.hasMenu || SameItems(a.menuRoot, b.menuRoot);
}
