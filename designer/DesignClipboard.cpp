// Delete, cut, copy and paste of controls. The clipboard holds one control line of the .win
// format under its own format, so that a control moves between windows with everything the
// file stores about it.
#include "designer/WindowEditor.h"

#include <cstring>
#include <set>

#include "app/framework/DocumentHost.h"

namespace {

// OpenClipboard and CloseClipboard around the clipboard's use.
class OpenedClipboard {
public:
  explicit OpenedClipboard(HWND owner) : open(OpenClipboard(owner) != FALSE) {}
  ~OpenedClipboard() {
    if (open) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  explicit operator bool() const { return open; }

private:
  bool open;
};

}  // namespace

void KVWindowEditor::deleteSelection() {
  if (!selected || selected == &model.window || tabOrderMode || dragging) return;
  eraseHandles();
  const HWND handle = static_cast<HWND>(selected->platformWindow);
  const std::int32_t id = selected->id;
  const KVControlRecord* gone = selected;
  {
    const SelectionKeeper keep(*this);
    if (handle) DestroyWindow(handle);
    model.idInUse.Release(id);
    for (auto it = model.controls.begin(); it != model.controls.end(); ++it) {
      if (&*it == gone) {
        model.controls.erase(it);
        break;
      }
    }
  }
  selected = nullptr;
  highlighted = nullptr;
  markModified();
  select(&model.window);
}

void KVWindowEditor::cut() {
  if (copyToClipboard()) deleteSelection();
}

void KVWindowEditor::copy() { copyToClipboard(); }

bool KVWindowEditor::copyToClipboard() {
  if (!selected || selected == &model.window) return false;
  std::string line;
  const KVWinResult formatted = KVWinFile::FormatControlLine(*selected, line);
  if (!formatted) {
    host.setStatusText(0, "The control cannot be copied: " + formatted.message + ".");
    return false;
  }
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, line.size() + 1);
  if (!memory) return false;
  if (void* bytes = GlobalLock(memory)) {
    std::memcpy(bytes, line.c_str(), line.size() + 1);
    GlobalUnlock(memory);
  }
  const OpenedClipboard clipboard(window);
  if (!clipboard || !EmptyClipboard() || !SetClipboardData(clipboardFormat, memory)) {
    GlobalFree(memory);
    return false;
  }
  return true;
}

void KVWindowEditor::paste() {
  if (tabOrderMode || dragging || !IsClipboardFormatAvailable(clipboardFormat)) return;
  std::string text;
  {
    const OpenedClipboard clipboard(window);
    if (!clipboard) return;
    const HANDLE data = GetClipboardData(clipboardFormat);
    if (!data) return;
    const char* bytes = static_cast<const char*>(GlobalLock(data));
    if (!bytes) return;
    // The block may be larger than what was put in it; the text ends at its NUL or the block.
    const SIZE_T size = GlobalSize(data);
    text.assign(bytes, strnlen(bytes, size));
    GlobalUnlock(data);
  }
  pasteText(text);
}

// Reads the control lines into the model and makes their windows. Either every control is
// added or, when the text is not control lines or no id is left for one of them, none is.
bool KVWindowEditor::pasteText(const std::string& text) {
  if (!design.window) return false;
  std::set<std::string> names;
  for (const KVControlRecord& control : model.controls) names.insert(control.name);
  const std::size_t before = model.controls.size();
  int created = 0;
  {
    const SelectionKeeper keep(*this);
    const KVWinResult read = model.ReadControlLines(text);
    if (!read) {
      host.setStatusText(0, "Nothing was pasted: " + read.Describe() + ".");
      return false;
    }
    for (std::size_t i = before; i < model.controls.size();) {
      KVControlRecord& control = model.controls[i];
      // A name already in the window would leave the program one of the two controls only.
      if (!names.insert(control.name).second) {
        control.name = control.kind + std::to_string(control.id);
        for (int n = 2; !names.insert(control.name).second; ++n) {
          control.name = control.kind + std::to_string(control.id) + "_" + std::to_string(n);
        }
      }
      if (createControl(control, true)) {
        ++created;
        ++i;
      } else {
        model.idInUse.Release(control.id);
        model.controls.erase(model.controls.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
  }
  if (created == 0) return false;
  markModified();
  select(&model.controls.back());
  return true;
}
