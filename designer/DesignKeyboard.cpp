// The arrow keys on the design surface: a control moves by one pixel, or with Shift grows and
// shrinks; the window itself only grows and shrinks, with Shift.
#include "designer/WindowEditor.h"

bool KVWindowEditor::onKeyDown(WPARAM key) {
  if (key != VK_LEFT && key != VK_RIGHT && key != VK_UP && key != VK_DOWN) return false;
  if (!selected || tabOrderMode || dragging || !design.window) return true;
  // The key's state as the message was sent, rather than a flag that a key-up delivered to
  // another window would leave set.
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  if (selected == &model.window) {
    if (shift) resizeWindowByKey(key);
    return true;
  }
  moveControlByKey(*selected, key, shift);
  return true;
}

void KVWindowEditor::moveControlByKey(KVControlRecord& control, WPARAM key, bool shift) {
  const HWND handle = static_cast<HWND>(control.platformWindow);
  if (!handle) return;
  if (!shift) {
    control.x += key == VK_LEFT ? -1 : key == VK_RIGHT ? 1 : 0;
    control.y += key == VK_UP ? -1 : key == VK_DOWN ? 1 : 0;
  } else {
    const bool isCombo = control.kind == "combo";
    if (key == VK_UP && !isCombo && control.height > 0) --control.height;
    if (key == VK_DOWN && !isCombo) ++control.height;
    if (key == VK_LEFT && control.width > 0) --control.width;
    if (key == VK_RIGHT) ++control.width;
  }
  eraseHandles();
  SetWindowPos(handle, nullptr, control.x, control.y + menuOffset, control.width, control.height,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  UpdateWindow(design.window);
  drawHandles(control);
  refreshStatus();
  refreshGridGeometry();
  markModified();
}

void KVWindowEditor::resizeWindowByKey(WPARAM key) {
  KVControlRecord& record = model.window;
  if (key == VK_UP && record.height > 0) --record.height;
  if (key == VK_DOWN) ++record.height;
  if (key == VK_LEFT && record.width > 0) --record.width;
  if (key == VK_RIGHT) ++record.width;
  eraseHandles();
  resizeDesignWindow();
  if (menuPreview) SetWindowPos(menuPreview, nullptr, 0, 0, record.width, menuBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateWindow(window);
  drawHandles(record);
  refreshStatus();
  updateExtent();
  refreshGridGeometry();
  markModified();
}
