#include "designer/MenuEditor.h"

#include <cstdio>

#include "common/Text.h"
#include "designer/MenuLine.h"
#include "designer/WinFile.h"
#include "resources/ResourceIds.h"

namespace {

constexpr int kImageSize = 16;
constexpr int kStripImages = 8;
constexpr int kClosedFolderImage = 1;
constexpr int kOpenFolderImage = 2;
constexpr int kItemImage = 3;

std::wstring Wide(const std::string& text) {
  const kvtext::WideString wide = kvtext::Utf8ToWide(text);
  return std::wstring(wide.begin(), wide.end());
}

// The longest command line an item could take: the largest id the table hands out.
bool CommandFits(const KVMenuItem& item, std::string& problem) {
  KVMenuItem probe = item;
  probe.id = 10099;
  std::string line;
  if (item.kind == MenuItemKind::Submenu) return kvwinfile::FormatSubmenu(probe, line, problem);
  if (item.kind == MenuItemKind::Command) return kvwinfile::FormatCommand(probe, line, problem);
  return true;
}

std::string Capitalised(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text + ".";
}

}  // namespace

KVMenuEditor::KVMenuEditor(KVMenuItem& menuRoot) : menuRoot(menuRoot) {}

KVMenuEditor::~KVMenuEditor() = default;

INT_PTR KVMenuEditor::run(HWND owner) {
  const INT_PTR result = runModal(0x10CC0000, 434, 361, owner);
  return result == 1 ? 1 : 2;
}

KVMenuItem* KVMenuEditor::itemOf(HTREEITEM node) const {
  if (!node || node == rootNode) return nullptr;
  TVITEMW item = {};
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = node;
  if (!TreeView_GetItem(tree, &item)) return nullptr;
  return reinterpret_cast<KVMenuItem*>(item.lParam);
}

void KVMenuEditor::onInitDialog() {
  SetWindowTextW(window, kTitle);
  createControls();
  fillAccelerators();
  createImages();
  rootNode = insertNode(TVI_ROOT, TVI_LAST, nullptr);
  copyLevel(menuRoot, rootNode);
  TreeView_Expand(tree, rootNode, TVE_EXPAND);
  syncImage(rootNode);
  selectNode(rootNode);
  RECT outer = {};
  GetWindowRect(window, &outer);
  minimumSize = {outer.right - outer.left, outer.bottom - outer.top};
  centerOnParent();
  SetFocus(tree);
}

void KVMenuEditor::createControls() {
  const DWORD child = WS_CHILD | WS_VISIBLE;
  tree = createChild(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"", 0x5001002F, 10, 10, 234, 341, window, kTreeId);
  functionLabel = createChild(0, L"Static", L"Function:", child, 252, 10, 75, 20, window, kFunctionLabelId);
  functionEdit = createChild(0, L"Edit", L"", child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 252, 27, 172, 20,
                             window, kFunctionEditId);
  acceleratorLabel = createChild(0, L"Static", L"Accelerator:", child, 252, 59, 75, 20, window, kAcceleratorLabelId);
  acceleratorCombo = createChild(0, L"ComboBox", L"", 0x50A10003, 252, 76, 172, 20 + 200, window, kAcceleratorComboId);
  controlCheck = createChild(0, L"Button", L"Control", 0x50010003, 252, 106, 60, 20, window, kControlCheckId);
  shiftCheck = createChild(0, L"Button", L"Shift", 0x50010003, 320, 106, 50, 20, window, kShiftCheckId);
  altCheck = createChild(0, L"Button", L"Alt", 0x50010003, 378, 106, 33, 20, window, kAltCheckId);
  // Why typed text was put back; empty until then.
  reasonText = createChild(0, L"Static", L"", child, 252, 136, 172, 80, window, kReasonId);
  const HWND ok = createChild(0, L"Button", L"OK", child | WS_TABSTOP | BS_DEFPUSHBUTTON, 272, 327, 75, 25, window, IDOK);
  const HWND cancel = createChild(0, L"Button", L"Cancel", child | WS_TABSTOP, 350, 327, 75, 25, window, IDCANCEL);
  for (HWND control : {tree, functionLabel, functionEdit, acceleratorLabel, acceleratorCombo, controlCheck, shiftCheck,
                       altCheck, reasonText, ok, cancel}) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  SetWindowSubclass(tree, TreeProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

// Shift+F10 and the menu key open the selected node's menu at the node: the tree view leaves
// them to the system, which does not always turn them into a context-menu request.
LRESULT CALLBACK KVMenuEditor::TreeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) {
  const bool shiftF10 = wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0;
  switch (message) {
    case WM_SYSKEYDOWN:
    case WM_KEYDOWN:
      if (shiftF10 || wParam == VK_APPS) {
        reinterpret_cast<KVMenuEditor*>(self)->contextMenuAtSelection();
        return 0;
      }
      break;
    case WM_SYSKEYUP:
    case WM_KEYUP:
      if (wParam == VK_F10 || wParam == VK_APPS) return 0;
      break;
    case WM_CONTEXTMENU:
      if (lParam == -1) {
        reinterpret_cast<KVMenuEditor*>(self)->contextMenuAtSelection();
        return 0;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, TreeProc, 0);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

void KVMenuEditor::contextMenuAtSelection() {
  const HTREEITEM node = TreeView_GetSelection(tree);
  RECT area = {};
  if (!node || !TreeView_GetItemRect(tree, node, &area, TRUE)) return;
  POINT at = {area.left, area.bottom};
  ClientToScreen(tree, &at);
  showContextMenu(node, at);
}

// The dialog can be made larger: the tree takes the room, the fields keep to the right edge
// and the buttons to the bottom-right corner.
void KVMenuEditor::layout() {
  if (!tree) return;
  RECT client = {};
  GetClientRect(window, &client);
  const int right = client.right - scale(182);
  const auto place = [&](HWND control, int x, int y, int width, int height) {
    SetWindowPos(control, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  place(tree, scale(10), scale(10), right - scale(18), client.bottom - scale(20));
  place(functionLabel, right, scale(10), scale(75), scale(20));
  place(functionEdit, right, scale(27), scale(172), scale(20));
  place(acceleratorLabel, right, scale(59), scale(75), scale(20));
  place(acceleratorCombo, right, scale(76), scale(172), scale(220));  // the height its list drops to
  place(controlCheck, right, scale(106), scale(60), scale(20));
  place(shiftCheck, right + scale(68), scale(106), scale(50), scale(20));
  place(altCheck, right + scale(126), scale(106), scale(33), scale(20));
  place(reasonText, right, scale(136), scale(172), scale(80));
  place(GetDlgItem(window, IDOK), client.right - scale(162), client.bottom - scale(34), scale(75), scale(25));
  place(GetDlgItem(window, IDCANCEL), client.right - scale(84), client.bottom - scale(34), scale(75), scale(25));
}

void KVMenuEditor::fillAccelerators() {
  SendMessageW(acceleratorCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
  wchar_t key[8] = {};
  for (wchar_t c = L'0'; c <= L'9'; ++c) {
    swprintf(key, 8, L"%c", c);
    SendMessageW(acceleratorCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(key));
  }
  for (wchar_t c = L'A'; c <= L'Z'; ++c) {
    swprintf(key, 8, L"%c", c);
    SendMessageW(acceleratorCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(key));
  }
  for (int f = 1; f <= 12; ++f) {
    swprintf(key, 8, L"F%d", f);
    SendMessageW(acceleratorCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(key));
  }
}

// The project tree's picture strip: 1 a closed folder, 2 an open one, 3 an item. Without the
// resource the nodes show no pictures rather than wrong ones.
void KVMenuEditor::createImages() {
  images.reset(ImageList_Create(kImageSize, kImageSize, ILC_COLOR32, kStripImages, 1));
  const kvwin::Bitmap strip(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_TREE_IMAGES),
                                                            IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  BITMAP shape = {};
  if (images.get() && strip && GetObjectW(strip.get(), sizeof(shape), &shape) &&
      shape.bmWidth == kStripImages * kImageSize && shape.bmHeight == kImageSize) {
    ImageList_Add(images.get(), strip.get(), nullptr);
  }
  TreeView_SetImageList(tree, images.get(), TVSIL_NORMAL);
}

HTREEITEM KVMenuEditor::insertNode(HTREEITEM parent, HTREEITEM after, KVMenuItem* item) {
  std::string text = "Menu";
  int image = kClosedFolderImage;
  if (item) {
    text = item->kind == MenuItemKind::Separator ? kSeparatorText : item->text;
    image = item->kind == MenuItemKind::Submenu ? kClosedFolderImage : kItemImage;
  }
  const std::wstring label = Wide(text);
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<wchar_t*>(label.c_str());
  insert.item.lParam = reinterpret_cast<LPARAM>(item);
  insert.item.iImage = image;
  insert.item.iSelectedImage = image;
  return TreeView_InsertItem(tree, &insert);
}

void KVMenuEditor::copyLevel(const KVMenuItem& level, HTREEITEM parent) {
  for (const KVMenuItem& child : level.children) {
    auto copy = std::make_unique<KVMenuItem>();
    copy->kind = child.kind;
    copy->text = child.text;
    copy->handler = child.handler;
    copy->accelKey = child.accelKey;
    copy->ctrl = child.ctrl;
    copy->shift = child.shift;
    copy->alt = child.alt;
    copy->fourthFlag = child.fourthFlag;
    const HTREEITEM node = insertNode(parent, TVI_LAST, copy.get());
    items.push_back(std::move(copy));
    if (child.kind == MenuItemKind::Submenu) {
      copyLevel(child, node);
      TreeView_Expand(tree, node, TVE_EXPAND);
      syncImage(node);
    }
  }
}

// Copies a node and its subtree under parent after the given sibling; the copies carry the
// same items. Copied submenus open as their originals were.
HTREEITEM KVMenuEditor::copyNode(HTREEITEM from, HTREEITEM parent, HTREEITEM after) {
  const HTREEITEM node = insertNode(parent, after, itemOf(from));
  for (HTREEITEM child = TreeView_GetChild(tree, from); child; child = TreeView_GetNextSibling(tree, child)) {
    copyNode(child, node, TVI_LAST);
  }
  if (TreeView_GetItemState(tree, from, TVIS_EXPANDED) & TVIS_EXPANDED) TreeView_Expand(tree, node, TVE_EXPAND);
  syncImage(node);
  return node;
}

void KVMenuEditor::syncImage(HTREEITEM node) {
  const KVMenuItem* item = itemOf(node);
  if (node != rootNode && (!item || item->kind != MenuItemKind::Submenu)) return;
  const bool open = (TreeView_GetItemState(tree, node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
  TVITEMW update = {};
  update.mask = TVIF_HANDLE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  update.hItem = node;
  update.iImage = update.iSelectedImage = open ? kOpenFolderImage : kClosedFolderImage;
  TreeView_SetItem(tree, &update);
}

void KVMenuEditor::enableFields(bool enable) {
  for (HWND control : {functionLabel, functionEdit, acceleratorLabel, acceleratorCombo, controlCheck, shiftCheck,
                       altCheck}) {
    EnableWindow(control, enable);
  }
}

void KVMenuEditor::showFields(HTREEITEM node) {
  KVMenuItem* item = itemOf(node);
  filling = true;
  showReason("");
  if (item && item->kind == MenuItemKind::Command) {
    currentItem = item;
    SetWindowTextW(functionEdit, Wide(item->handler).c_str());
    const LRESULT found =
        SendMessageW(acceleratorCombo, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(Wide(item->accelKey).c_str()));
    SendMessageW(acceleratorCombo, CB_SETCURSEL, item->accelKey.empty() || found == CB_ERR ? 0 : found, 0);
    SendMessageW(controlCheck, BM_SETCHECK, item->ctrl ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(shiftCheck, BM_SETCHECK, item->shift ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(altCheck, BM_SETCHECK, item->alt ? BST_CHECKED : BST_UNCHECKED, 0);
    enableFields(true);
  } else {
    currentItem = item && item->kind == MenuItemKind::Submenu ? item : nullptr;
    SetWindowTextW(functionEdit, L"");
    SendMessageW(acceleratorCombo, CB_SETCURSEL, 0, 0);
    for (HWND check : {controlCheck, shiftCheck, altCheck}) SendMessageW(check, BM_SETCHECK, BST_UNCHECKED, 0);
    enableFields(false);
  }
  filling = false;
}

void KVMenuEditor::selectNode(HTREEITEM node) {
  TreeView_SelectItem(tree, node);
  TreeView_EnsureVisible(tree, node);
  showFields(node);
}

std::vector<KVMenuEditor::Action> KVMenuEditor::actionsFor(HTREEITEM node) const {
  if (node == rootNode) return {kAddSubmenu};
  const KVMenuItem* item = itemOf(node);
  if (!item) return {};
  switch (item->kind) {
    case MenuItemKind::Separator: return {kDelete};
    case MenuItemKind::Command: return {kRename, kDelete};
    case MenuItemKind::Submenu: return {kRename, kAddSubmenu, kAddMenuItem, kAddSeparator, kDelete};
  }
  return {};
}

void KVMenuEditor::perform(Action action, HTREEITEM node) {
  switch (action) {
    case kAddSubmenu: addItem(node, static_cast<int>(MenuItemKind::Submenu)); break;
    case kAddMenuItem: addItem(node, static_cast<int>(MenuItemKind::Command)); break;
    case kAddSeparator: addItem(node, static_cast<int>(MenuItemKind::Separator)); break;
    case kRename:
      SetFocus(tree);
      TreeView_EditLabel(tree, node);
      break;
    case kDelete: deleteNode(node); break;
    case kNone: break;
  }
}

HTREEITEM KVMenuEditor::addItem(HTREEITEM parent, int kind) {
  auto item = std::make_unique<KVMenuItem>();
  item->kind = static_cast<MenuItemKind>(kind);
  switch (item->kind) {
    case MenuItemKind::Submenu: item->text = "Submenu"; break;
    case MenuItemKind::Command:
      item->text = "Menu Item";
      item->fourthFlag = 1;
      break;
    case MenuItemKind::Separator: item->text = kSeparatorText; break;
  }
  const HTREEITEM node = insertNode(parent, TVI_LAST, item.get());
  items.push_back(std::move(item));
  TreeView_Expand(tree, parent, TVE_EXPAND);
  syncImage(parent);
  selectNode(node);
  return node;
}

void KVMenuEditor::deleteNode(HTREEITEM node) {
  if (!node || node == rootNode) return;
  HTREEITEM next = TreeView_GetNextSibling(tree, node);
  if (!next) next = TreeView_GetPrevSibling(tree, node);
  if (!next) next = TreeView_GetParent(tree, node);
  if (!next) next = rootNode;
  // The item copies stay with the dialog until it ends; only the nodes go.
  TreeView_DeleteItem(tree, node);
  selectNode(next);
}

bool KVMenuEditor::inSubtree(HTREEITEM node, HTREEITEM top) const {
  for (HTREEITEM at = node; at; at = TreeView_GetParent(tree, at)) {
    if (at == top) return true;
  }
  return false;
}

bool KVMenuEditor::dropNode(HTREEITEM dragged, HTREEITEM target, bool above) {
  // Dropping a node inside itself would take the copy away with the original.
  if (!dragged || !target || dragged == rootNode || target == rootNode || inSubtree(target, dragged)) return false;
  const HTREEITEM parent = TreeView_GetParent(tree, target);
  HTREEITEM after = target;
  if (above) {
    after = TreeView_GetPrevSibling(tree, target);
    if (!after) after = TVI_FIRST;
  }
  const HTREEITEM moved = copyNode(dragged, parent, after);
  TreeView_DeleteItem(tree, dragged);
  selectNode(moved);
  return true;
}

void KVMenuEditor::rebuild(HTREEITEM node, KVMenuItem& into) {
  for (HTREEITEM child = TreeView_GetChild(tree, node); child; child = TreeView_GetNextSibling(tree, child)) {
    const KVMenuItem* item = itemOf(child);
    if (!item) continue;
    KVMenuItem copy = *item;
    copy.children.clear();
    copy.id = 0;
    if (copy.kind == MenuItemKind::Command) copy.id = nextCommandId++;
    if (copy.kind == MenuItemKind::Submenu) rebuild(child, copy);
    into.children.push_back(std::move(copy));
  }
}

void KVMenuEditor::onOk() {
  if (TreeView_GetEditControl(tree)) {
    TreeView_EndEditLabelNow(tree, FALSE);
    return;
  }
  menuRoot.children.clear();
  nextCommandId = 100;
  rebuild(rootNode, menuRoot);
  EndDialog(window, 1);
}

void KVMenuEditor::onCancel() {
  // Escape during a drag ends the drag only.
  if (dragging) {
    endDrag({}, false);
    return;
  }
  if (TreeView_GetEditControl(tree)) {
    TreeView_EndEditLabelNow(tree, TRUE);
    return;
  }
  EndDialog(window, 2);
}

void KVMenuEditor::showReason(const std::string& reason) {
  SetWindowTextW(reasonText, Wide(reason).c_str());
}

void KVMenuEditor::onFunctionChange() {
  if (filling || !currentItem || currentItem->kind != MenuItemKind::Command) return;
  KVMenuItem candidate = *currentItem;
  candidate.handler = getWindowText(functionEdit);
  std::string problem;
  if (CommandFits(candidate, problem)) {
    currentItem->handler = candidate.handler;
    showReason("");
    return;
  }
  // Put back what the file can hold, and say why.
  DWORD caret = 0;
  SendMessageW(functionEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
  filling = true;
  SetWindowTextW(functionEdit, Wide(currentItem->handler).c_str());
  const int at = caret > 0 ? static_cast<int>(caret) - 1 : 0;
  SendMessageW(functionEdit, EM_SETSEL, static_cast<WPARAM>(at), at);
  filling = false;
  MessageBeep(MB_ICONWARNING);
  showReason(Capitalised(problem));
}

void KVMenuEditor::onCommand(WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case IDOK: onOk(); break;
    case IDCANCEL: onCancel(); break;
    case kFunctionEditId:
      if (code == EN_CHANGE) onFunctionChange();
      break;
    case kAcceleratorComboId:
      if (code == CBN_SELCHANGE && currentItem && currentItem->kind == MenuItemKind::Command && !filling) {
        const LRESULT index = SendMessageW(acceleratorCombo, CB_GETCURSEL, 0, 0);
        wchar_t key[8] = {};
        if (index > 0 && SendMessageW(acceleratorCombo, CB_GETLBTEXTLEN, index, 0) < 8) {
          SendMessageW(acceleratorCombo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(key));
        }
        currentItem->accelKey = kvtext::WideToUtf8(key);
      }
      break;
    case kControlCheckId:
    case kShiftCheckId:
    case kAltCheckId:
      if (code == BN_CLICKED && currentItem && currentItem->kind == MenuItemKind::Command && !filling) {
        const int on = IsDlgButtonChecked(window, id) == BST_CHECKED ? 1 : 0;
        if (id == kControlCheckId) currentItem->ctrl = on;
        if (id == kShiftCheckId) currentItem->shift = on;
        if (id == kAltCheckId) currentItem->alt = on;
      }
      break;
    default: break;
  }
}

void KVMenuEditor::showContextMenu(HTREEITEM node, POINT screen) {
  const std::vector<Action> actions = actionsFor(node);
  if (actions.empty()) return;
  kvwin::Menu menu(CreatePopupMenu());
  int id = 1;
  for (Action action : actions) {
    const wchar_t* text = L"";
    switch (action) {
      case kAddSubmenu: text = L"Add Submenu"; break;
      case kAddMenuItem: text = L"Add Menu Item"; break;
      case kAddSeparator: text = L"Add Seperator"; break;
      case kRename: text = L"Rename"; break;
      case kDelete: text = L"Delete"; break;
      case kNone: break;
    }
    // Delete stands apart from what comes before it.
    if (action == kDelete && id > 1) AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(id++), text);
  }
  const int chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, window, nullptr);
  if (chosen >= 1 && chosen <= static_cast<int>(actions.size())) perform(actions[static_cast<std::size_t>(chosen - 1)], node);
}

bool KVMenuEditor::beginLabelEdit(HTREEITEM node) const {
  const KVMenuItem* item = itemOf(node);
  return item && item->kind != MenuItemKind::Separator;
}

bool KVMenuEditor::endLabelEdit(const NMTVDISPINFOW& info) {
  KVMenuItem* item = itemOf(info.item.hItem);
  if (!item || !info.item.pszText) return false;
  KVMenuItem candidate = *item;
  candidate.text = kvtext::WideToUtf8(info.item.pszText);
  std::string problem;
  if (!CommandFits(candidate, problem)) {
    MessageBeep(MB_ICONWARNING);
    showReason(Capitalised(problem));
    return false;
  }
  item->text = candidate.text;
  return true;
}

HTREEITEM KVMenuEditor::nodeAt(POINT client) const {
  TVHITTESTINFO hit = {};
  hit.pt = client;
  MapWindowPoints(window, tree, &hit.pt, 1);
  const HTREEITEM node = TreeView_HitTest(tree, &hit);
  return (hit.flags & TVHT_ONITEM) ? node : nullptr;
}

void KVMenuEditor::beginDrag(const NMTREEVIEWW& drag) {
  const HTREEITEM node = drag.itemNew.hItem;
  if (!node || node == rootNode) return;
  const KVMenuItem* item = itemOf(node);
  const std::wstring text = Wide(item && item->kind != MenuItemKind::Separator ? item->text : kSeparatorText);
  const kvwin::WindowDc screen(window);
  const kvwin::MemoryDc memory(screen.get());
  SIZE size = {};
  {
    const kvwin::Selection measure(memory.get(), font);
    GetTextExtentPoint32W(memory.get(), text.c_str(), static_cast<int>(text.size()), &size);
  }
  if (size.cx <= 0) size.cx = 1;
  if (size.cy <= 0) size.cy = 1;
  const kvwin::Bitmap picture(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
  {
    const kvwin::Selection bitmap(memory.get(), picture.get());
    const kvwin::Selection text_font(memory.get(), font);
    const RECT all = {0, 0, size.cx, size.cy};
    FillRect(memory.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(memory.get(), RGB(0, 0, 0));
    SetBkMode(memory.get(), TRANSPARENT);
    TextOutW(memory.get(), 0, 0, text.c_str(), static_cast<int>(text.size()));
  }
  dragImage.reset(ImageList_Create(size.cx, size.cy, ILC_COLOR32 | ILC_MASK, 1, 0));
  ImageList_AddMasked(dragImage.get(), picture.get(), RGB(255, 255, 255));
  POINT at = drag.ptDrag;
  MapWindowPoints(tree, window, &at, 1);
  ImageList_BeginDrag(dragImage.get(), 0, 0, 0);
  ImageList_DragEnter(window, at.x, at.y);
  ShowCursor(FALSE);
  SetCapture(window);
  dragging = true;
  draggedNode = node;
  dragStart = at;
}

void KVMenuEditor::dragMove(POINT client) {
  if (!dragging) return;
  ImageList_DragMove(client.x, client.y);
  ImageList_DragShowNolock(FALSE);
  TreeView_SelectDropTarget(tree, nodeAt(client));
  ImageList_DragShowNolock(TRUE);
}

void KVMenuEditor::endDrag(POINT client, bool drop) {
  if (!dragging) return;
  dragging = false;
  ImageList_EndDrag();
  ImageList_DragLeave(window);
  TreeView_SelectDropTarget(tree, nullptr);
  if (GetCapture() == window) ReleaseCapture();
  ShowCursor(TRUE);
  dragImage.reset();
  const HTREEITEM dragged = std::exchange(draggedNode, nullptr);
  if (drop) dropNode(dragged, nodeAt(client), client.y < dragStart.y);
}

LRESULT KVMenuEditor::onNotify(const NMHDR& header) {
  if (header.hwndFrom != tree) return 0;
  switch (header.code) {
    case TVN_SELCHANGEDW:
      showFields(reinterpret_cast<const NMTREEVIEWW&>(header).itemNew.hItem);
      return 0;
    case TVN_ITEMEXPANDEDW:
      syncImage(reinterpret_cast<const NMTREEVIEWW&>(header).itemNew.hItem);
      return 0;
    case TVN_BEGINLABELEDITW:
      return beginLabelEdit(reinterpret_cast<const NMTVDISPINFOW&>(header).item.hItem) ? FALSE : TRUE;
    case TVN_ENDLABELEDITW:
      return endLabelEdit(reinterpret_cast<const NMTVDISPINFOW&>(header)) ? TRUE : FALSE;
    case TVN_BEGINDRAGW:
      beginDrag(reinterpret_cast<const NMTREEVIEWW&>(header));
      return 0;
    case TVN_KEYDOWN: {
      const HTREEITEM selected = TreeView_GetSelection(tree);
      switch (reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey) {
        case VK_F2: perform(kRename, selected); return 1;
        case VK_DELETE: deleteNode(selected); return 1;
        default: return 0;
      }
    }
    case NM_RCLICK: {
      POINT screen = {};
      GetCursorPos(&screen);
      POINT client = screen;
      ScreenToClient(window, &client);
      const HTREEITEM node = nodeAt(client);
      if (!node) return 1;
      selectNode(node);
      showContextMenu(node, screen);
      return 1;
    }
    default:
      return 0;
  }
}

INT_PTR KVMenuEditor::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return FALSE;  // the tree has the focus
    case WM_COMMAND:
      onCommand(wParam);
      return TRUE;
    case WM_NOTIFY:
      SetWindowLongPtrW(window, DWLP_MSGRESULT, onNotify(*reinterpret_cast<const NMHDR*>(lParam)));
      return TRUE;
    case WM_SIZE:
      layout();
      return TRUE;
    case WM_GETMINMAXINFO:
      if (minimumSize.cx > 0) {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = minimumSize.cx;
        limits->ptMinTrackSize.y = minimumSize.cy;
      }
      return TRUE;
    case WM_MOUSEMOVE:
      dragMove({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      return dragging;
    case WM_LBUTTONUP:
      endDrag({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}, true);
      return TRUE;
    case WM_CAPTURECHANGED:
      if (dragging && reinterpret_cast<HWND>(lParam) != window) endDrag({}, false);
      return FALSE;
    default:
      return FALSE;
  }
}
