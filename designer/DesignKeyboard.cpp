// The keyboard on the design surface: the arrow keys move a control by one pixel, or with
// Shift grow and shrink it; the window itself only grows and shrinks, with Shift. Tab walks
// the selection through the controls; Escape drops a drag or leaves Set Tab Order.
#include "designer/WindowEditor.h"

bool KVWindowEditor::onKeyDown(WPARAM key) {
  if (key == VK_TAB) {
    selectByTab(GetKeyState(VK_SHIFT) < 0);
    return true;
  }
  if (key == VK_ESCAPE) {
    if (dragging) cancelDrag();
    if (tabOrderMode) endTabOrder();
    return true;
  }
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

// Tab selects the controls one after another in tab order, and then the window again;
// Shift+Tab goes the other way. The keyboard alone can so reach every control.
void KVWindowEditor::selectByTab(bool backwards) {
  if (tabOrderMode || dragging || !selected) return;
  const auto count = static_cast<std::ptrdiff_t>(model.controls.size());
  // Positions: -1 the window, 0 to count - 1 the controls.
  std::ptrdiff_t at = selected == &model.window ? -1 : selected - model.controls.data();
  at = backwards ? (at < 0 ? count - 1 : at - 1) : (at + 1 >= count ? -1 : at + 1);
  select(at < 0 ? &model.window : &model.controls[static_cast<std::size_t>(at)]);
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
