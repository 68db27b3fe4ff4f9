#include "project/ProjectTree.h"

#include <windowsx.h>

#include "common/Text.h"

namespace {

constexpr const char* kCategoryNames[] = {"Source Files", "Dialog Windows", "External Libraries", "Resources"};
constexpr DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                             TVS_EDITLABELS | TVS_SHOWSELALWAYS;

std::string NodeText(HWND tree, HTREEITEM node) {
  wchar_t buffer[1024] = {};
  TVITEMW item = {};
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = buffer;
  item.cchTextMax = static_cast<int>(std::size(buffer));
  TreeView_GetItem(tree, &item);
  return kvtext::WideToUtf8(buffer);
}

LPARAM NodeData(HWND tree, HTREEITEM node) {
  TVITEMW item = {};
  item.mask = TVIF_PARAM;
  item.hItem = node;
  TreeView_GetItem(tree, &item);
  return item.lParam;
}

}  // namespace

bool KVProjectTree::createPane(HWND frame, int x, int y, int width, int height) {
  return createModeless(0, WS_CHILD | WS_VISIBLE, x, y, width, height, frame);
}

INT_PTR KVProjectTree::dialogProc(HWND, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == treeViewWindow && header->code == NM_DBLCLK && onDoubleClick()) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 1);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

void KVProjectTree::onInitDialog() {
  treeViewWindow = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"", kTreeStyle, 0, 0, 10, 10, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTreeViewId)), instance, nullptr);
  SendMessageW(treeViewWindow, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

bool KVProjectTree::onDoubleClick() {
  TVHITTESTINFO hit = {};
  const DWORD position = GetMessagePos();
  hit.pt = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  ScreenToClient(treeViewWindow, &hit.pt);
  const HTREEITEM node = TreeView_HitTest(treeViewWindow, &hit);
  if (!node || !(hit.flags & TVHT_ONITEM)) return false;
  auto* record = reinterpret_cast<DocumentRecord*>(NodeData(treeViewWindow, node));
  if (!record) return false;
  host.openDocument(record, -1, -1);
  return true;
}

HTREEITEM KVProjectTree::insertNode(HTREEITEM parent, const std::string& text, LPARAM data) {
  const kvtext::WideString wide = kvtext::Utf8ToWide(text);
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  insert.item.pszText = const_cast<wchar_t*>(wide.c_str());
  insert.item.lParam = data;
  return TreeView_InsertItem(treeViewWindow, &insert);
}

void KVProjectTree::Reset(const std::string& projectName) {
  Clear();
  root = insertNode(nullptr, projectName, 0);
  for (int i = 0; i < 4; ++i) categories[i] = insertNode(root, kCategoryNames[i], 0);
}

void KVProjectTree::Clear() {
  if (treeViewWindow) TreeView_DeleteAllItems(treeViewWindow);
  root = nullptr;
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

bool KVProjectTree::PlaceNode(DocumentRecord* record, HTREEITEM parent) {
  const ProjectItemType type = record->item->type;
  if (!parent || type == ProjectItemType::VersionInfo || type == ProjectItemType::Icon) {
    parent = categoryFor(*record);
  }
  if (!parent) return false;
  record->treeNode = insertNode(parent, record->item->displayName, reinterpret_cast<LPARAM>(record));
  return record->treeNode != nullptr;
}

void KVProjectTree::removeNode(DocumentRecord* record) {
  if (record->treeNode) TreeView_DeleteItem(treeViewWindow, record->treeNode);
  record->treeNode = nullptr;
}

HTREEITEM KVProjectTree::AddFolder(const std::string& label, HTREEITEM parent) {
  const HTREEITEM folder = insertNode(parent ? parent : categories[0], label, 0);
  if (folder) TreeView_SelectItem(treeViewWindow, folder);
  return folder;
}

void KVProjectTree::ExpandCategories() {
  for (HTREEITEM category : categories) {
    if (category) TreeView_Expand(treeViewWindow, category, TVE_EXPAND);
  }
  if (root) TreeView_Expand(treeViewWindow, root, TVE_EXPAND);
}

void KVProjectTree::SelectNode(HTREEITEM node) {
  if (!node) return;
  TreeView_Expand(treeViewWindow, node, TVE_EXPAND);
  TreeView_SelectItem(treeViewWindow, node);
}

std::vector<LayoutEntry> KVProjectTree::layout() const {
  return categories[0] ? layoutBelow(categories[0]) : std::vector<LayoutEntry>{};
}

std::vector<LayoutEntry> KVProjectTree::layoutBelow(HTREEITEM parent) const {
  std::vector<LayoutEntry> entries;
  for (HTREEITEM node = TreeView_GetChild(treeViewWindow, parent); node;
       node = TreeView_GetNextSibling(treeViewWindow, node)) {
    LayoutEntry entry;
    entry.name = NodeText(treeViewWindow, node);
    entry.folder = NodeData(treeViewWindow, node) == 0;
    if (entry.folder) entry.children = layoutBelow(node);
    entries.push_back(std::move(entry));
  }
  return entries;
}
