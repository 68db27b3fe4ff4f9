// The mouse on the design surface: selecting, moving and resizing by dragging (pixel by pixel,
// the pointer confined so that a control stays in the window), double clicks and the
// context menu.
#include "designer/WindowEditor.h"

#include <algorithm>

#include "designer/PropertyGrid.h"

namespace {

// The closest a resize lets the pointer come to the control's opposite edge.
constexpr int kMinimumReach = 12;

bool MovesLeft(int mode) {
  return mode == KVWindowEditor::TopLeft || mode == KVWindowEditor::Left || mode == KVWindowEditor::BottomLeft;
}
bool MovesRight(int mode) {
  return mode == KVWindowEditor::TopRight || mode == KVWindowEditor::Right || mode == KVWindowEditor::BottomRight;
}
bool MovesTop(int mode) {
  return mode == KVWindowEditor::TopLeft || mode == KVWindowEditor::Top || mode == KVWindowEditor::TopRight;
}
bool MovesBottom(int mode) {
  return mode == KVWindowEditor::BottomLeft || mode == KVWindowEditor::Bottom || mode == KVWindowEditor::BottomRight;
}

POINT ToScreen(HWND hwnd, POINT point) {
  ClientToScreen(hwnd, &point);
  return point;
}

// A confinement rectangle that always holds the pointer where it is, so that confining never
// makes it jump.
RECT HoldingPointer(RECT area, POINT pointer) {
  area.left = std::min<LONG>(area.left, pointer.x);
  area.top = std::min<LONG>(area.top, pointer.y);
  area.right = std::max<LONG>(area.right, pointer.x + 1);
  area.bottom = std::max<LONG>(area.bottom, pointer.y + 1);
  return area;
}

}  // namespace

// designWindow's client area below the menu bar, in screen coordinates.
RECT KVWindowEditor::designArea() const {
  RECT area = {};
  GetClientRect(design.window, &area);
  MapWindowPoints(design.window, nullptr, reinterpret_cast<POINT*>(&area), 2);
  area.top += menuOffset;
  return area;
}

void KVWindowEditor::confineForMove(POINT pointer, const RECT& control) {
  const RECT area = designArea();
  RECT clip = {pointer.x - (control.left - area.left), pointer.y - (control.top - area.top),
               pointer.x + (area.right - control.right) + 1, pointer.y + (area.bottom - control.bottom) + 1};
  clip = HoldingPointer(clip, pointer);
  ClipCursor(&clip);
}

void KVWindowEditor::confineForResize(POINT pointer, const RECT& control) {
  const RECT area = designArea();
  RECT clip = area;
  if (MovesLeft(dragMode)) {
    clip.left = area.left + (pointer.x - control.left);
    clip.right = control.right - kMinimumReach + 1;
  } else if (MovesRight(dragMode)) {
    clip.left = control.left + kMinimumReach;
    clip.right = area.right + (pointer.x - control.right) + 1;
  }
  if (MovesTop(dragMode)) {
    clip.top = area.top + (pointer.y - control.top);
    clip.bottom = control.bottom - kMinimumReach + 1;
  } else if (MovesBottom(dragMode)) {
    clip.top = control.top + kMinimumReach;
    clip.bottom = area.bottom + (pointer.y - control.bottom) + 1;
  }
  clip = HoldingPointer(clip, pointer);
  ClipCursor(&clip);
}

HCURSOR KVWindowEditor::dragCursor(int mode) const {
  switch (mode) {
    case TopLeft:
    case BottomRight: return sizeNwse;
    case Left:
    case Right: return sizeWe;
    case BottomLeft:
    case TopRight: return sizeNesw;
    case Top:
    case Bottom: return sizeNs;
    default: return sizeAll;
  }
}

// dragRect lies in the client coordinates of the selected window's parent: designWindow for
// a control, the surface for the window itself.
HWND KVWindowEditor::dragParent() const { return selected == &model.window ? window : design.window; }

void KVWindowEditor::drawDragRect() {
  const kvwin::WindowDc dc(dragParent());
  DrawFocusRect(dc.get(), &dragRect);
}

void KVWindowEditor::startDrag(int mode, POINT point) {
  const HWND handle = handleOf(selected);
  if (!handle) return;
  dragging = true;
  moved = false;
  dragMode = mode;
  lastPointer = point;
  GetWindowRect(handle, &dragRect);
  const RECT screenRect = dragRect;
  MapWindowPoints(nullptr, dragParent(), reinterpret_cast<POINT*>(&dragRect), 2);
  SetCapture(window);
  SetCursor(dragCursor(mode));
  // The window itself may grow past the surface; only controls are kept inside it.
  if (selected == &model.window) return;
  if (mode == Move) {
    confineForMove(ToScreen(window, point), screenRect);
  } else {
    confineForResize(ToScreen(window, point), screenRect);
  }
}

void KVWindowEditor::onLeftDown(POINT point) {
  if (tabOrderMode) {
    tabOrderClick(windowAt(ToScreen(window, point)));
    return;
  }
  SetFocus(window);
  const int handle = handleAt(point);
  if (handle) {
    startDrag(handle, point);
    return;
  }
  const HWND hit = windowAt(ToScreen(window, point));
  if (!hit) return;
  if (hit == design.window || hit == menuPreview) {
    select(&model.window);
    return;
  }
  select(recordOf(hit));
  startDrag(Move, point);
}

void KVWindowEditor::onMouseMove(POINT point) {
  if (!dragging) return;
  const int dx = point.x - lastPointer.x;
  const int dy = point.y - lastPointer.y;
  if (dx == 0 && dy == 0) return;
  lastPointer = point;
  eraseHandles();
  if (moved) drawDragRect();
  if (dragMode == Move) {
    OffsetRect(&dragRect, dx, dy);
  } else {
    if (MovesLeft(dragMode)) dragRect.left = std::min<LONG>(dragRect.left + dx, dragRect.right);
    if (MovesRight(dragMode)) dragRect.right = std::max<LONG>(dragRect.right + dx, dragRect.left);
    if (MovesTop(dragMode)) dragRect.top = std::min<LONG>(dragRect.top + dy, dragRect.bottom);
    if (MovesBottom(dragMode)) dragRect.bottom = std::max<LONG>(dragRect.bottom + dy, dragRect.top);
  }
  drawDragRect();
  moved = true;
  showStatus(dragRect, selected == &model.window);
}

bool KVWindowEditor::setCursor() {
  if (dragging) {
    SetCursor(dragCursor(dragMode));
    return true;
  }
  if (tabOrderMode || !selected) return false;
  POINT pointer = {};
  GetCursorPos(&pointer);
  POINT client = pointer;
  ScreenToClient(window, &client);
  if (const int handle = handleAt(client)) {
    SetCursor(dragCursor(handle));
    return true;
  }
  if (selected != &model.window && windowAt(pointer) == handleOf(selected)) {
    SetCursor(sizeAll);
    return true;
  }
  return false;
}

// The capture was taken away (another window, a system menu): the drag is dropped and the
// control stays where it was.
void KVWindowEditor::cancelDrag() {
  if (moved) drawDragRect();
  dragging = false;
  moved = false;
  dragMode = Move;
  ClipCursor(nullptr);
  if (GetCapture() == window) ReleaseCapture();
  redrawSelection();
}

void KVWindowEditor::onLeftUp() {
  if (!dragging) return;
  dragging = false;
  dragMode = Move;
  ClipCursor(nullptr);
  ReleaseCapture();
  if (!moved) return;
  moved = false;
  drawDragRect();
  finishDrag();
}

void KVWindowEditor::finishDrag() {
  const HWND handle = handleOf(selected);
  if (!handle) return;
  MoveWindow(handle, dragRect.left, dragRect.top, dragRect.right - dragRect.left, dragRect.bottom - dragRect.top, TRUE);
  if (selected == &model.window) {
    RECT client = {};
    GetClientRect(design.window, &client);
    model.window.width = client.right;
    model.window.height = client.bottom - menuOffset;
    if (menuPreview)
      SetWindowPos(menuPreview, nullptr, 0, 0, client.right, menuBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    updateExtent();
  } else {
    selected->x = dragRect.left;
    selected->y = dragRect.top - menuOffset;
    selected->width = dragRect.right - dragRect.left;
    selected->height = dragRect.bottom - dragRect.top;
  }
  markModified();
  UpdateWindow(design.window);
  refreshStatus();
  drawHandles(*selected);
  refreshGridGeometry();
}

void KVWindowEditor::onDoubleClick(POINT point) {
  if (tabOrderMode) return;
  const HWND hit = windowAt(ToScreen(window, point));
  if (!hit) return;
  if (menuPreview && hit == menuPreview) {
    editMenu();
  } else {
    showGrid();
  }
}

void KVWindowEditor::showGrid() {
  if (!selected) return;
  grid.currentDesigner = this;
  grid.show(selected);
}

void KVWindowEditor::onRightDown(POINT point) {
  if (tabOrderMode) return;
  SetFocus(window);
  contextPoint = point;
  if (handleAt(point)) return;
  const HWND hit = windowAt(ToScreen(window, point));
  if (hit) selectWindow(hit);
}

void KVWindowEditor::onRightUp(POINT point) {
  if (tabOrderMode) {
    endTabOrder();
    return;
  }
  (void)point;
  showContextMenu(contextPoint, ToScreen(window, contextPoint));
}

// Shift+F10 and the menu key: the menu of the selection, at its top-left corner, and controls
// added from it go where the pointer is when that is on the window, else near its top-left.
void KVWindowEditor::onContextKey(LPARAM lParam) {
  if (tabOrderMode || lParam != -1 || !selected) return;
  POINT pointer = {};
  GetCursorPos(&pointer);
  const RECT area = designArea();
  if (PtInRect(&area, pointer)) {
    ScreenToClient(window, &pointer);
    contextPoint = pointer;
  } else {
    contextPoint = {area.left + 10, area.top + 10};
    ScreenToClient(window, &contextPoint);
  }
  const RECT rect = selectionRect(*selected);
  POINT at = {rect.left + 10, rect.top + 10};
  showContextMenu(contextPoint, ToScreen(window, at));
}

void KVWindowEditor::showContextMenu(POINT surfacePoint, POINT screenAt) {
  const HWND hit = windowAt(ToScreen(window, surfacePoint));
  const bool onMenuPreview = menuPreview && hit == menuPreview;
  // Outside the designed window there is a menu only when the window has a menu bar.
  if (!hit && !model.hasMenu) return;
  kvwin::Menu menu(CreatePopupMenu());
  if (!menu.get()) return;
  const HMENU popup = menu.get();
  AppendMenuW(popup, MF_STRING, kProperties, L"Properties");
  AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
  if (onMenuPreview) {
    AppendMenuW(popup, MF_STRING, kDelete, L"Delete Menu");
  } else if (selected == &model.window) {
    AppendMenuW(popup, MF_STRING | (model.hasMenu ? MF_DISABLED | MF_GRAYED : 0), kAddMenu, L"Add Menu");
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, kAddButton, L"Add Button");
    AppendMenuW(popup, MF_STRING, kAddCheckBox, L"Add Check Box");
    AppendMenuW(popup, MF_STRING, kAddComboBox, L"Add Combo Box");
    AppendMenuW(popup, MF_STRING, kAddEdit, L"Add Edit Control");
    AppendMenuW(popup, MF_STRING, kAddListView, L"Add List View");
    AppendMenuW(popup, MF_STRING, kAddStaticText, L"Add Static Text");
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, kSetTabOrder, L"Set Tab Order");
  } else {
    AppendMenuW(popup, MF_STRING, kCut, L"Cut");
    AppendMenuW(popup, MF_STRING, kCopy, L"Copy");
    AppendMenuW(popup, MF_STRING, kDelete, L"Delete");
  }
  const int chosen = static_cast<int>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screenAt.x,
                                                     screenAt.y, 0, window, nullptr));
  if (!chosen) return;
  POINT designPoint = ToScreen(window, surfacePoint);
  ScreenToClient(design.window, &designPoint);
  runCommand(onMenuPreview && chosen == kDelete ? kDeleteMenu : chosen, designPoint);
}

void KVWindowEditor::runCommand(int command, POINT designPoint) {
  switch (command) {
    case kProperties:
      if (selected == &model.window && menuPreview) {
        // Properties on the menu bar opens the menu editor.
        POINT screen = designPoint;
        ClientToScreen(design.window, &screen);
        if (windowAt(screen) == menuPreview) {
          editMenu();
          return;
        }
      }
      showGrid();
      // Chosen from the menu, often from the keyboard: the grid takes the keyboard.
      grid.activate();
      return;
    case kDelete: deleteSelection(); return;
    case kDeleteMenu: deleteMenu(); return;
    case kCut: cut(); return;
    case kCopy: copy(); return;
    case kAddMenu:
      if (!model.hasMenu) addMenu();
      return;
    case kSetTabOrder: startTabOrder(); return;
    default: addControl(command, designPoint); return;
  }
}
