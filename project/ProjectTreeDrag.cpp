// The project tree's two modal states: dragging a source file to another place among the
// source files, and moving the splitter at the pane's right edge. Each ends at the next
// button release, or without effect when another window takes the mouse.
#include <windows.h>

#include <algorithm>

#include "common/Text.h"
#include "project/ProjectTree.h"

HIMAGELIST KVProjectTreeDragCursors();

namespace {

constexpr int kTextOffset = 21;
constexpr int kCursorSize = 16;
constexpr int kBarWidth = 4;
constexpr int kMinimumPointerX = 150;

// The drag images: the name drawn in black in the tree's font after room for the cursor,
// once with each drag cursor (0 not allowed, 1 allowed) in that room. White is transparent.
HIMAGELIST MakeDragImages(HWND tree, const std::string& name, HIMAGELIST cursors) {
  const kvtext::WideString text = kvtext::Utf8ToWide(name);
  const kvwin::WindowDc screen(tree);
  const kvwin::MemoryDc dc(screen.get());
  const auto font = reinterpret_cast<HFONT>(SendMessageW(tree, WM_GETFONT, 0, 0));
  const kvwin::Selection fontSelected(dc.get(), font ? font : GetStockObject(DEFAULT_GUI_FONT));
  SIZE size = {};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  const int width = size.cx + kTextOffset;
  const int height = std::max<int>(size.cy, kCursorSize);
  const kvwin::Bitmap bitmap(CreateCompatibleBitmap(screen.get(), 2 * width, height));
  {
    const kvwin::Selection bitmapSelected(dc.get(), bitmap.get());
    const RECT all = {0, 0, 2 * width, height};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), RGB(0, 0, 0));
    for (int cursor = 0; cursor < 2; ++cursor) {
      TextOutW(dc.get(), cursor * width + kTextOffset, (height - size.cy) / 2, text.c_str(),
               static_cast<int>(text.size()));
      if (cursors) ImageList_Draw(cursors, cursor, dc.get(), cursor * width, 0, ILD_NORMAL);
    }
  }
  const HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 2, 0);
  if (list) ImageList_AddMasked(list, bitmap.get(), RGB(255, 255, 255));
  return list;
}

// Drag images are placed relative to the window's own corner, frame included.
POINT WindowRelative(HWND window, POINT client) {
  RECT frame = {};
  GetWindowRect(window, &frame);
  ClientToScreen(window, &client);
  return {client.x - frame.left, client.y - frame.top};
}

}  // namespace

void KVProjectTree::beginDrag(const NMTREEVIEWW& start) {
  const HTREEITEM node = start.itemNew.hItem;
  const DocumentRecord* record = recordOf(node);
  if (isDragging || !record || record->kind() != ProjectItemType::SourceFile) return;
  dragCursors.reset(KVProjectTreeDragCursors());
  dragImage.reset(MakeDragImages(treeViewWindow, record->item->displayName, dragCursors.get()));
  if (!dragImage.get()) return;
  dragStart = dragPoint = start.ptDrag;
  draggedItem = node;
  isDragging = true;
  // The drop highlight is the only one while dragging; some tree views ignore it on the
  // selected node. The tree is painted before the drag image saves what lies under it.
  TreeView_SelectItem(treeViewWindow, nullptr);
  UpdateWindow(treeViewWindow);
  dragCursorShown = 0;
  ImageList_BeginDrag(dragImage.get(), dragCursorShown, 0, 0);
  const POINT at = WindowRelative(treeViewWindow, dragStart);
  ImageList_DragEnter(treeViewWindow, at.x, at.y);
  ShowCursor(FALSE);
  SetCapture(window);
  dragTo(dragStart);
}

bool KVProjectTree::allowedTarget(HTREEITEM node) const {
  if (!node) return false;
  if (node == categories[0] || isUserFolder(node)) return true;
  const DocumentRecord* record = recordOf(node);
  return record && record->kind() == ProjectItemType::SourceFile;
}

void KVProjectTree::dragTo(POINT client) {
  dragPoint = client;
  TVHITTESTINFO hit = {};
  hit.pt = client;
  HTREEITEM target = TreeView_HitTest(treeViewWindow, &hit);
  if (!(hit.flags & TVHT_ONITEM)) target = nullptr;
  const int cursor = allowedTarget(target) ? 1 : 0;
  const POINT at = WindowRelative(treeViewWindow, client);
  if (cursor != dragCursorShown) {
    // The image with the other cursor takes over.
    ImageList_DragLeave(treeViewWindow);
    ImageList_EndDrag();
    ImageList_BeginDrag(dragImage.get(), cursor, 0, 0);
    ImageList_DragEnter(treeViewWindow, at.x, at.y);
    dragCursorShown = cursor;
  }
  ImageList_DragShowNolock(FALSE);
  TreeView_SelectDropTarget(treeViewWindow, target);
  UpdateWindow(treeViewWindow);
  ImageList_DragShowNolock(TRUE);
  ImageList_DragMove(at.x, at.y);
}

void KVProjectTree::endDrag(bool drop) {
  if (!isDragging) return;
  const HTREEITEM target = TreeView_GetDropHilight(treeViewWindow);
  const HTREEITEM dragged = draggedItem;
  isDragging = false;
  draggedItem = nullptr;
  ImageList_DragLeave(treeViewWindow);
  ImageList_EndDrag();
  if (GetCapture() == window) ReleaseCapture();
  ShowCursor(TRUE);
  dragImage.reset();
  dragCursors.reset();
  if (!drop || !dropOn(dragged, target, dragPoint.y < dragStart.y)) SelectNode(dragged);
  // After the selection: some tree views take clearing the highlight for a no-op while no
  // node is selected.
  TreeView_SelectDropTarget(treeViewWindow, nullptr);
}

bool KVProjectTree::dropOn(HTREEITEM dragged, HTREEITEM target, bool above) {
  DocumentRecord* record = recordOf(dragged);
  if (!record || record->kind() != ProjectItemType::SourceFile || !target || target == dragged) return false;
  HTREEITEM parent = nullptr;
  HTREEITEM after = nullptr;
  if (target == categories[0] || isUserFolder(target)) {
    if (TreeView_GetParent(treeViewWindow, dragged) == target) return false;
    parent = target;
    after = TVI_FIRST;
  } else if (const DocumentRecord* onto = recordOf(target); onto && onto->kind() == ProjectItemType::SourceFile) {
    parent = TreeView_GetParent(treeViewWindow, target);
    if (above) {
      after = TreeView_GetPrevSibling(treeViewWindow, target);
      if (!after) after = TVI_FIRST;
    } else {
      after = target;
    }
  } else {
    return false;
  }
  const HTREEITEM moved =
      insertNode(parent, after, record->item->displayName, kSourceImage, reinterpret_cast<LPARAM>(record));
  if (!moved) return false;
  TreeView_DeleteItem(treeViewWindow, dragged);
  record->treeNode = moved;
  expand(parent);
  SelectNode(moved);
  return true;
}

bool KVProjectTree::inSplitterStrip(POINT client) const {
  RECT tree = {};
  GetWindowRect(treeViewWindow, &tree);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&tree), 2);
  return client.x >= tree.right;
}

void KVProjectTree::beginSplitter(POINT client) {
  if (isDragging || splitterLastX || !inSplitterStrip(client)) return;
  SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
  SetCapture(window);
  RECT pane = {};
  GetWindowRect(window, &pane);
  MapWindowPoints(nullptr, frameWindow, reinterpret_cast<POINT*>(&pane), 2);
  splitterBar = {pane.right - kBarWidth, pane.top, pane.right, pane.bottom};
  drawSplitterBar();
  POINT inFrame = client;
  MapWindowPoints(window, frameWindow, &inFrame, 1);
  splitterLastX = std::max<int>(inFrame.x, 1);
}

void KVProjectTree::moveSplitter(POINT client) {
  POINT inFrame = client;
  MapWindowPoints(window, frameWindow, &inFrame, 1);
  if (inFrame.x <= kMinimumPointerX) return;
  const int shift = inFrame.x - splitterLastX;
  if (shift > 0 && splitterBar.left >= maximumWidth) return;
  const int left = std::min<int>(splitterBar.left + shift, std::max<int>(maximumWidth, splitterBar.left));
  drawSplitterBar();
  splitterBar.right = left + kBarWidth;
  splitterBar.left = left;
  drawSplitterBar();
  splitterLastX = inFrame.x;
}

void KVProjectTree::endSplitter(bool resize) {
  if (!splitterLastX) return;
  drawSplitterBar();
  splitterLastX = 0;
  if (GetCapture() == window) ReleaseCapture();
  if (!resize) return;
  RECT pane = {};
  GetWindowRect(window, &pane);
  MapWindowPoints(nullptr, frameWindow, reinterpret_cast<POINT*>(&pane), 2);
  SetWindowPos(window, nullptr, 0, 0, splitterBar.left - pane.left + kBarWidth, pane.bottom - pane.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  host.relayout();
}

// XOR-drawn, so drawing it again where it is erases it.
void KVProjectTree::drawSplitterBar() {
  const kvwin::WindowDc dc(frameWindow);
  const kvwin::Selection brush(dc.get(), splitterBrush.get());
  PatBlt(dc.get(), splitterBar.left, splitterBar.top, splitterBar.right - splitterBar.left,
         splitterBar.bottom - splitterBar.top, PATINVERT);
}

bool KVProjectTree::onMouseMove(POINT client) {
  if (isDragging) {
    POINT inTree = client;
    MapWindowPoints(window, treeViewWindow, &inTree, 1);
    dragTo(inTree);
    return true;
  }
  if (splitterLastX) {
    moveSplitter(client);
    return true;
  }
  return false;
}

bool KVProjectTree::onButtonUp() {
  if (isDragging) {
    endDrag(true);
    return true;
  }
  if (splitterLastX) {
    endSplitter(true);
    return true;
  }
  return false;
}
