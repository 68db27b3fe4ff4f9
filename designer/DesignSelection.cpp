// The selection: which record is selected, its handles, and which window or handle lies
// under a point.
#include "designer/WindowEditor.h"

#include "designer/PropertyGrid.h"

namespace {

constexpr int kHandleSize = 6;

// The handle squares of a rectangle already inflated by 6, indexed by DragMode (0 unused).
void HandleSquares(const RECT& r, RECT (&squares)[9]) {
  const int midY = r.top + (r.bottom - r.top) / 2 - 3;
  const int midX = r.left + (r.right - r.left) / 2 - 3;
  const POINT corners[9] = {
      {0, 0},
      {r.left, r.top},                                  // top-left
      {r.left, midY},                                   // left
      {r.left, r.bottom - kHandleSize},                 // bottom-left
      {midX, r.top},                                    // top
      {midX, r.bottom - kHandleSize},                   // bottom
      {r.right - kHandleSize, r.top},                   // top-right
      {r.right - kHandleSize, midY},                    // right
      {r.right - kHandleSize, r.bottom - kHandleSize},  // bottom-right
  };
  for (int i = 0; i < 9; ++i) {
    squares[i] = {corners[i].x, corners[i].y, corners[i].x + kHandleSize, corners[i].y + kHandleSize};
  }
}

}  // namespace

// The record's window rectangle in the surface's client coordinates.
RECT KVWindowEditor::selectionRect(const KVControlRecord& record) const {
  RECT rect = {};
  const HWND handle = handleOf(&record);
  if (!handle) return rect;
  GetWindowRect(handle, &rect);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A bit per DragMode: the window resizes from its bottom and right, a combo box (whose
// height follows its font) from its sides, every other control from everywhere.
int KVWindowEditor::activeHandles(const KVControlRecord& record) const {
  if (&record == &model.window) return (1 << Bottom) | (1 << Right) | (1 << BottomRight);
  if (record.kind == "combo") return (1 << Left) | (1 << Right);
  return 0x1FE;
}

void KVWindowEditor::drawHandles(const KVControlRecord& record) {
  if (tabOrderMode || !handleOf(&record)) return;
  RECT outer = selectionRect(record);
  InflateRect(&outer, kHandleSize, kHandleSize);
  RECT squares[9];
  HandleSquares(outer, squares);
  const int active = activeHandles(record);
  const kvwin::WindowDc dc(window);
  const kvwin::Selection pen(dc.get(), handlePen.get());
  for (int mode = 1; mode <= 8; ++mode) {
    const HBRUSH brush = (active & (1 << mode)) ? handleBrush.get() : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    const kvwin::Selection fill(dc.get(), brush);
    Rectangle(dc.get(), squares[mode].left, squares[mode].top, squares[mode].right, squares[mode].bottom);
  }
  highlighted = const_cast<KVControlRecord*>(&record);
}

// Repaints the ring the handles were drawn in, at once, children included.
void KVWindowEditor::eraseHandles() {
  if (!highlighted) return;
  const RECT inner = selectionRect(*highlighted);
  highlighted = nullptr;
  RECT outer = inner;
  InflateRect(&outer, kHandleSize + 1, kHandleSize + 1);
  kvwin::GdiObject<HRGN> ring(CreateRectRgnIndirect(&outer));
  kvwin::GdiObject<HRGN> hole(CreateRectRgnIndirect(&inner));
  if (!ring || !hole) return;
  CombineRgn(ring.get(), ring.get(), hole.get(), RGN_DIFF);
  RedrawWindow(window, nullptr, ring.get(), RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// Only the shown designer draws and reports its selection: the frame sizes hidden editors too
// (when the output pane opens), and the status bar belongs to the document in front.
void KVWindowEditor::redrawSelection() {
  if (!selected || tabOrderMode || !IsWindowVisible(window)) return;
  drawHandles(*selected);
  refreshStatus();
}

// After the surface paints, its children are painted at once so that the handles and badges
// drawn over them last.
void KVWindowEditor::paint() {
  { const kvwin::PaintDc dc(window); }
  if (!design.window) return;
  RedrawWindow(design.window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  if (tabOrderMode) {
    drawTabBadges();
  } else if (highlighted) {
    drawHandles(*highlighted);
  }
}

int KVWindowEditor::handleAt(POINT point) const {
  if (!selected || !handleOf(selected)) return 0;
  RECT outer = selectionRect(*selected);
  InflateRect(&outer, kHandleSize, kHandleSize);
  RECT squares[9];
  HandleSquares(outer, squares);
  const int active = activeHandles(*selected);
  for (int mode = 1; mode <= 8; ++mode) {
    if ((active & (1 << mode)) && PtInRect(&squares[mode], point)) return mode;
  }
  return 0;
}

// The topmost child of designWindow (a control or the menu preview) under a screen point,
// else designWindow when the point is on it, else none.
HWND KVWindowEditor::windowAt(POINT screenPoint) const {
  if (!design.window) return nullptr;
  for (HWND child = GetWindow(design.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    if (PtInRect(&rect, screenPoint)) return child;
  }
  RECT rect = {};
  GetWindowRect(design.window, &rect);
  return PtInRect(&rect, screenPoint) ? design.window : nullptr;
}

void KVWindowEditor::selectWindow(HWND hit) {
  KVControlRecord* record = recordOf(hit);
  if (record) select(record);
}

void KVWindowEditor::select(KVControlRecord* record) {
  if (!record || record == selected) return;
  eraseHandles();
  selected = record;
  const HWND handle = handleOf(record);
  if (record != &model.window && handle) {
    // Raised, so that later clicks on overlapping controls find it first.
    SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  drawHandles(*record);
  refreshStatus();
  if (grid.visible && grid.currentDesigner == this) grid.show(record);
}
