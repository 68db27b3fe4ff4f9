#include "project/ProjectTree.h"

#include <windowsx.h>

#include <utility>

#include "common/Text.h"
#include "project/Project.h"

namespace {

constexpr const char* kCategoryNames[] = {"Source Files", "Dialog Windows", "External Libraries", "Resources"};
constexpr DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                             TVS_EDITLABELS | TVS_SHOWSELALWAYS;

int ImageForType(ProjectItemType type) {
  switch (type) {
    case ProjectItemType::SourceFile: return KVProjectTree::kSourceImage;
    case ProjectItemType::DialogWindow: return KVProjectTree::kDialogImage;
    case ProjectItemType::ExternalLibrary: return KVProjectTree::kLibraryImage;
    case ProjectItemType::VersionInfo: return KVProjectTree::kVersionImage;
    default: return KVProjectTree::kBitmapImage;
  }
}

}  // namespace

KVProjectTree::~KVProjectTree() {
  if (isDragging) endDrag(false);
}

bool KVProjectTree::createPane(HWND frame, int x, int y, int width, int height) {
  frameWindow = frame;
  return createModeless(0, WS_CHILD | WS_VISIBLE, x, y, width, height, frame);
}

INT_PTR KVProjectTree::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return TRUE;
    case WM_NOTIFY: {
      const INT_PTR result = onNotify(reinterpret_cast<const NMHDR*>(lParam));
      SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) != treeViewWindow) return FALSE;
      onContextMenuKey(lParam);
      return TRUE;
    case kOpenMessage:
      // Only a record a node still carries: the file may have left the project meanwhile,
      // and its record with it, so the pointer is compared, never followed, until found.
      if (lParam && holdsRecord(root, lParam)) host.openDocument(reinterpret_cast<DocumentRecord*>(lParam), -1, -1);
      return TRUE;
    case kShowMessage:
      if (!pendingMessage.empty()) ask(std::exchange(pendingMessage, std::string()), MB_OK | MB_ICONERROR);
      return TRUE;
    case WM_LBUTTONDOWN:
      beginSplitter({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return TRUE;
    case WM_LBUTTONDBLCLK:
      onButtonUp();
      return TRUE;
    case WM_MOUSEMOVE:
      return onMouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_LBUTTONUP:
      return onButtonUp();
    case WM_CAPTURECHANGED:
      // Another window took the mouse: the modal state ends without effect.
      if (isDragging) endDrag(false);
      if (splitterLastX) endSplitter(false);
      return TRUE;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == window && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
        SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    case WM_SETFOCUS:
      if (treeViewWindow) SetFocus(treeViewWindow);
      return TRUE;
    default:
      return FALSE;
  }
}

void KVProjectTree::onInitDialog() {
  treeViewWindow = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"", kTreeStyle, 0, 0, 10, 10, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTreeViewId)), instance, nullptr);
  SendMessageW(treeViewWindow, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  createImages();
  static const WORD kChecker[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
  const kvwin::Bitmap pattern(CreateBitmap(8, 8, 1, 1, kChecker));
  splitterBrush.reset(CreatePatternBrush(pattern.get()));
}

INT_PTR KVProjectTree::onNotify(const NMHDR* header) {
  if (!header || header->hwndFrom != treeViewWindow) return 0;
  switch (header->code) {
    case NM_DBLCLK:
      return onDoubleClick() ? 1 : 0;
    case NM_RCLICK:
      onRightClick();
      return 1;
    case NM_RETURN:
      // Enter opens a file; on a folder it opens or closes the folder.
      if (const HTREEITEM node = TreeView_GetSelection(treeViewWindow)) {
        if (recordOf(node)) {
          runMenuEntry(node, 1);
        } else {
          TreeView_Expand(treeViewWindow, node, TVE_TOGGLE);
          syncFolderImage(node);
        }
      }
      return 1;
    case TVN_KEYDOWN:
      return onKeyDown(reinterpret_cast<const NMTVKEYDOWN*>(header)->wVKey) ? 1 : 0;
    case TVN_ITEMEXPANDEDW:
      onItemExpanded(*reinterpret_cast<const NMTREEVIEWW*>(header));
      return 0;
    case TVN_BEGINLABELEDITW:
      return refuseLabelEdit(reinterpret_cast<const NMTVDISPINFOW*>(header)->item.hItem) ? 1 : 0;
    case TVN_ENDLABELEDITW:
      return onEndLabelEdit(*reinterpret_cast<const NMTVDISPINFOW*>(header)) ? 1 : 0;
    case TVN_BEGINDRAGW:
      beginDrag(*reinterpret_cast<const NMTREEVIEWW*>(header));
      return 0;
    default:
      return 0;
  }
}

bool KVProjectTree::onDoubleClick() {
  TVHITTESTINFO hit = {};
  const DWORD position = GetMessagePos();
  hit.pt = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  ScreenToClient(treeViewWindow, &hit.pt);
  const HTREEITEM node = TreeView_HitTest(treeViewWindow, &hit);
  if (!node || !(hit.flags & TVHT_ONITEM)) return false;
  DocumentRecord* record = recordOf(node);
  if (!record) return false;
  PostMessageW(window, kOpenMessage, 0, reinterpret_cast<LPARAM>(record));
  return true;
}

void KVProjectTree::onRightClick() {
  TVHITTESTINFO hit = {};
  const DWORD position = GetMessagePos();
  const POINT screen = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  hit.pt = screen;
  ScreenToClient(treeViewWindow, &hit.pt);
  const HTREEITEM node = TreeView_HitTest(treeViewWindow, &hit);
  if (!node || !(hit.flags & TVHT_ONITEM)) return;
  TreeView_SelectItem(treeViewWindow, node);
  showContextMenu(node, screen);
}

// Shift+F10 and the menu key: the menu opens at the selected node, not where the mouse is.
void KVProjectTree::onContextMenuKey(LPARAM position) {
  const HTREEITEM node = TreeView_GetSelection(treeViewWindow);
  if (!node) return;
  POINT at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  if (position == -1) {
    RECT label = {};
    TreeView_EnsureVisible(treeViewWindow, node);
    TreeView_GetItemRect(treeViewWindow, node, &label, TRUE);
    at = {label.left, label.bottom};
    ClientToScreen(treeViewWindow, &at);
  }
  showContextMenu(node, at, position == -1);
}

bool KVProjectTree::onKeyDown(WORD key) {
  const HTREEITEM node = TreeView_GetSelection(treeViewWindow);
  if (!node) return false;
  switch (key) {
    case VK_F2:
      renameNode(node);
      return true;
    case VK_DELETE:
      removeNodeAsked(node);
      return true;
    default:
      return false;
  }
}

void KVProjectTree::onItemExpanded(const NMTREEVIEWW& change) { syncFolderImage(change.itemNew.hItem); }

// Folders show the open picture while expanded. Expanding by message sends no notice on
// every system, so the picture follows the node's state rather than counting notices.
void KVProjectTree::syncFolderImage(HTREEITEM node) {
  if (!node || node == root || recordOf(node)) return;
  const bool expanded = (TreeView_GetItemState(treeViewWindow, node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
  setImage(node, expanded ? kOpenFolderImage : kFolderImage);
}

void KVProjectTree::expand(HTREEITEM node) {
  if (!node) return;
  TreeView_Expand(treeViewWindow, node, TVE_EXPAND);
  syncFolderImage(node);
}

void KVProjectTree::renameNode(HTREEITEM node) {
  if (refuseLabelEdit(node)) return;
  SetFocus(treeViewWindow);
  TreeView_EditLabel(treeViewWindow, node);
}

// Only files the project can rename and the user's own folders have editable labels.
bool KVProjectTree::refuseLabelEdit(HTREEITEM node) const {
  if (!node || node == root || categoryIndex(node) >= 0) return true;
  const DocumentRecord* record = recordOf(node);
  if (!record) return false;
  const ProjectItemType type = record->kind();
  return type == ProjectItemType::VersionInfo || type == ProjectItemType::Icon;
}

// The label shows what the model made of the text (a source file renamed to "app" shows
// "app.js"), so the tree's own update of the label is always declined for files.
bool KVProjectTree::onEndLabelEdit(const NMTVDISPINFOW& edit) {
  if (!edit.item.pszText) return false;
  const std::string text = kvtext::WideToUtf8(edit.item.pszText);
  if (DocumentRecord* record = recordOf(edit.item.hItem)) {
    renameFile(record, text);
    return false;
  }
  return text.find_first_not_of(" \t") != std::string::npos;
}

void KVProjectTree::tellLater(const std::string& text) {
  pendingMessage = text;
  PostMessageW(window, kShowMessage, 0, 0);
}

int KVProjectTree::ask(const std::string& text, UINT type) {
  const HWND owner = frameWindow ? frameWindow : window;
  const int answer = MessageBoxW(owner, kvtext::Utf8ToWide(text).c_str(), L"KelVox Studio", type);
  SetFocus(treeViewWindow);
  return answer;
}

HTREEITEM KVProjectTree::insertNode(HTREEITEM parent, HTREEITEM after, const std::string& text, int image,
                                    LPARAM data) {
  const kvtext::WideString wide = kvtext::Utf8ToWide(text);
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent ? parent : TVI_ROOT;
  insert.hInsertAfter = after ? after : TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<wchar_t*>(wide.c_str());
  insert.item.iImage = image;
  insert.item.iSelectedImage = image;
  insert.item.lParam = data;
  return TreeView_InsertItem(treeViewWindow, &insert);
}

void KVProjectTree::Reset(const std::string& projectName) {
  Clear();
  root = insertNode(nullptr, nullptr, projectName, kRootImage, 0);
  for (int i = 0; i < 4; ++i) categories[i] = insertNode(root, nullptr, kCategoryNames[i], kFolderImage, 0);
}

void KVProjectTree::Clear() {
  if (isDragging) endDrag(false);
  if (treeViewWindow) {
    // An open label editor belongs to a node that is about to go.
    TreeView_EndEditLabelNow(treeViewWindow, TRUE);
    TreeView_DeleteAllItems(treeViewWindow);
  }
  root = nullptr;
  iconItem = nullptr;
  for (HTREEITEM& category : categories) category = nullptr;
}

HTREEITEM KVProjectTree::categoryFor(const DocumentRecord& record) const {
  switch (record.item->type) {
    case ProjectItemType::SourceFile: return categories[0];
    case ProjectItemType::DialogWindow: return categories[1];
    case ProjectItemType::ExternalLibrary: return categories[2];
    default: return categories[3];
  }
}

int KVProjectTree::categoryIndex(HTREEITEM node) const {
  for (int i = 0; i < 4; ++i) {
    if (node && categories[i] == node) return i;
  }
  return -1;
}

bool KVProjectTree::PlaceNode(DocumentRecord* record, HTREEITEM parent) {
  const ProjectItemType type = record->item->type;
  if (!parent || type == ProjectItemType::VersionInfo || type == ProjectItemType::Icon) {
    parent = categoryFor(*record);
  }
  if (!parent) return false;
  record->treeNode =
      insertNode(parent, nullptr, record->item->displayName, ImageForType(type), reinterpret_cast<LPARAM>(record));
  if (record->treeNode && type == ProjectItemType::Icon) {
    iconItem = record->treeNode;
    RefreshIcon(record->item->Path());
  }
  return record->treeNode != nullptr;
}

void KVProjectTree::removeNode(DocumentRecord* record) {
  if (record->treeNode) {
    if (record->treeNode == iconItem) iconItem = nullptr;
    TreeView_DeleteItem(treeViewWindow, record->treeNode);
  }
  record->treeNode = nullptr;
}

HTREEITEM KVProjectTree::AddFolder(const std::string& label, HTREEITEM parent) {
  const HTREEITEM folder = insertNode(parent ? parent : categories[0], nullptr, label, kFolderImage, 0);
  if (folder) TreeView_SelectItem(treeViewWindow, folder);
  return folder;
}

void KVProjectTree::UpdateNode(DocumentRecord* record) {
  if (!record->treeNode) return;
  if (record->kind() == ProjectItemType::Icon) {
    RefreshIcon(record->item->Path());
    return;
  }
  const kvtext::WideString text = kvtext::Utf8ToWide(record->item->displayName);
  TVITEMW item = {};
  item.mask = TVIF_TEXT;
  item.hItem = record->treeNode;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  TreeView_SetItem(treeViewWindow, &item);
}

void KVProjectTree::ExpandCategories() {
  for (HTREEITEM category : categories) expand(category);
  if (root) TreeView_Expand(treeViewWindow, root, TVE_EXPAND);
}

void KVProjectTree::SelectNode(HTREEITEM node) {
  if (!node) return;
  TreeView_EnsureVisible(treeViewWindow, node);
  for (HTREEITEM parent = TreeView_GetParent(treeViewWindow, node); parent;
       parent = TreeView_GetParent(treeViewWindow, parent)) {
    syncFolderImage(parent);
  }
  TreeView_SelectItem(treeViewWindow, node);
}

DocumentRecord* KVProjectTree::recordOf(HTREEITEM node) const {
  if (!node) return nullptr;
  TVITEMW item = {};
  item.mask = TVIF_PARAM;
  item.hItem = node;
  if (!TreeView_GetItem(treeViewWindow, &item)) return nullptr;
  return reinterpret_cast<DocumentRecord*>(item.lParam);
}

std::string KVProjectTree::textOf(HTREEITEM node) const {
  wchar_t buffer[1024] = {};
  TVITEMW item = {};
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = buffer;
  item.cchTextMax = static_cast<int>(std::size(buffer));
  TreeView_GetItem(treeViewWindow, &item);
  return kvtext::WideToUtf8(buffer);
}

int KVProjectTree::imageOf(HTREEITEM node) const {
  TVITEMW item = {};
  item.mask = TVIF_IMAGE;
  item.hItem = node;
  return TreeView_GetItem(treeViewWindow, &item) ? item.iImage : -1;
}

void KVProjectTree::setImage(HTREEITEM node, int image) {
  TVITEMW item = {};
  item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  item.hItem = node;
  item.iImage = image;
  item.iSelectedImage = image;
  TreeView_SetItem(treeViewWindow, &item);
}

// A folder of the user's: a node without a record whose parent is a category or a folder
// (the categories' parent is the root, which has none).
bool KVProjectTree::isUserFolder(HTREEITEM node) const {
  if (!node || node == root || recordOf(node)) return false;
  const HTREEITEM parent = TreeView_GetParent(treeViewWindow, node);
  return parent && parent != root;
}

bool KVProjectTree::holdsRecord(HTREEITEM parent, LPARAM data) const {
  for (HTREEITEM node = parent ? TreeView_GetChild(treeViewWindow, parent) : nullptr; node;
       node = TreeView_GetNextSibling(treeViewWindow, node)) {
    TVITEMW item = {};
    item.mask = TVIF_PARAM;
    item.hItem = node;
    if (TreeView_GetItem(treeViewWindow, &item) && item.lParam == data) return true;
    if (holdsRecord(node, data)) return true;
  }
  return false;
}

std::vector<LayoutEntry> KVProjectTree::layout() const {
  return categories[0] ? layoutBelow(categories[0]) : std::vector<LayoutEntry>{};
}

std::vector<LayoutEntry> KVProjectTree::layoutBelow(HTREEITEM parent) const {
  std::vector<LayoutEntry> entries;
  for (HTREEITEM node = TreeView_GetChild(treeViewWindow, parent); node;
       node = TreeView_GetNextSibling(treeViewWindow, node)) {
    LayoutEntry entry;
    entry.name = textOf(node);
    entry.folder = recordOf(node) == nullptr;
    if (entry.folder) entry.children = layoutBelow(node);
    entries.push_back(std::move(entry));
  }
  return entries;
}
