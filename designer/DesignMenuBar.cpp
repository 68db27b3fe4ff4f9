// The menu bar of the designed window: a static text standing in for it at the window's top,
// Add Menu, Delete Menu and the menu editor.
#include "designer/WindowEditor.h"

#include "app/framework/DocumentHost.h"
#include "common/Text.h"
#include "designer/MenuEditor.h"

namespace {

constexpr DWORD kPreviewStyle = 0x54000200;  // WS_CHILD, WS_VISIBLE, WS_CLIPSIBLINGS, SS_CENTERIMAGE

constexpr const char* kDefaultMenu =
    "submenu \"&File\"\r\ncommand 100 \"E&xit\" \"onFileExit\" 0 0 0 1 \r\nendsubmenu\r\nendmenu\r\n";

std::string PreviewText(const KVMenuItem& root, bool removeAmpersands) {
  std::string text;
  for (const KVMenuItem& item : root.children) {
    std::string label = item.text;
    if (removeAmpersands) {
      std::string plain;
      for (char c : label) {
        if (c != '&') plain += c;
      }
      label = plain;
    }
    text += "  " + label + "  ";
  }
  return text;
}

}  // namespace

// Moves every control by delta pixels and grows designWindow by the same, so that the
// controls keep their place below the bar.
void KVWindowEditor::shiftForMenu(int delta) {
  menuOffset += delta;
  for (const KVControlRecord& control : model.controls) {
    if (const HWND handle = static_cast<HWND>(control.platformWindow)) {
      SetWindowPos(handle, nullptr, control.x, control.y + menuOffset, 0, 0,
                   SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  resizeDesignWindow();
}

void KVWindowEditor::showMenuPreview(bool removeAmpersands) {
  if (menuPreview || !design.window) return;
  const kvtext::WideString text = kvtext::Utf8ToWide(PreviewText(model.menuRoot, removeAmpersands));
  menuPreview =
      CreateWindowExW(0, L"Static", text.c_str(), kPreviewStyle, 0, 0, model.window.width, menuBarHeight, design.window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMenuPreviewId)), instance, nullptr);
  if (!menuPreview) return;
  SendMessageW(menuPreview, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  shiftForMenu(menuBarHeight);
  updateExtent();
}

void KVWindowEditor::removeMenuPreview() {
  if (!menuPreview) return;
  DestroyWindow(menuPreview);
  menuPreview = nullptr;
  shiftForMenu(-menuOffset);
  updateExtent();
}

void KVWindowEditor::addMenu() {
  if (model.hasMenu) return;
  const KVWinResult read = model.ReadMenuText(kDefaultMenu);
  if (!read) {
    host.setStatusText(0, "No menu was added: " + read.message + ".");
    return;
  }
  eraseHandles();
  showMenuPreview(false);
  markModified();
  redrawSelection();
}

// The ids of the commands dropped stay taken until the editor closes, as the runtime never
// sees them again anyway.
void KVWindowEditor::deleteMenu() {
  if (!model.hasMenu && !menuPreview) return;
  eraseHandles();
  removeMenuPreview();
  model.menuRoot.children.clear();
  model.hasMenu = false;
  markModified();
  if (selected != &model.window) {
    select(&model.window);
  } else {
    redrawSelection();
  }
}

void KVWindowEditor::editMenu() {
  KVMenuEditor editor(model.menuRoot);
  if (editor.run(window) != 1) return;
  // The editor numbers the commands afresh; the model's table learns the ids it now uses,
  // and a control whose id a command had taken first follows its new id.
  if (model.Normalize()) {
    for (const KVControlRecord& control : model.controls) {
      if (control.platformWindow) SetWindowLongPtrW(static_cast<HWND>(control.platformWindow), GWLP_ID, control.id);
    }
  }
  eraseHandles();
  removeMenuPreview();
  if (model.hasMenu) showMenuPreview(false);
  markModified();
  redrawSelection();
}
