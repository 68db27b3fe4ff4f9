#include "resedit/IconEditor.h"

#include <commdlg.h>

#include "app/framework/DocumentHost.h"
#include "common/PathName.h"
#include "common/Text.h"
#include "resedit/IconRows.h"

namespace {

constexpr int kContentWidth = 586;
constexpr int kContentHeight = 276;
constexpr DWORD kIconFormatVersion = 0x00030000;

}  // namespace

KVIconEditor::KVIconEditor(KVDocumentHost& documentHost) : host(documentHost) {}

KVIconEditor::~KVIconEditor() { destroyPreview(); }

bool KVIconEditor::create(DocumentRecord* record, HWND parentWindow, int x, int y, int width, int height) {
  if (!createEditorWindow(*this, record, parentWindow, x, y, width, height)) {
    lastFailure = "the editor's window could not be created";
    return false;
  }
  return true;
}

INT_PTR KVIconEditor::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return 0;
    case WM_SHOWWINDOW:
      if (!wParam) focusBack.remember(window);
      return 0;
    case WM_SETFOCUS:
      focusBack.restore(browse);
      return 1;  // the focus is on Browse already
    case WM_COMMAND:
      if (LOWORD(wParam) == kBrowseId && HIWORD(wParam) == BN_CLICKED) {
        onBrowse();
        return 1;
      }
      return 0;
    case WM_NOTIFY:
      if (lParam) onNotify(*reinterpret_cast<const NMHDR*>(lParam));
      return 0;
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!draw || draw->CtlID != kPreviewId) return 0;
      onDrawPreview(*draw);
      return 1;
    }
    default:
      return 0;
  }
}

void KVIconEditor::onInitDialog() {
  editorWindow = window;
  dialogNavigation = 1;
  buildControls();
  contentWidth = scale(kContentWidth);
  contentHeight = scale(kContentHeight);
  updateScrollBars();
  SetFocus(browse);
  if (document && document->item) load(document->item->Path());
}

void KVIconEditor::buildControls() {
  const HWND label =
      createChild(0, L"Static", L"File:", WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE, 10, 10, 40, 20, window, kLabelId);
  fileNameEdit = createChild(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL,
                             55, 10, 150, 20, window, kFileNameId);
  browse = createChild(0, L"Button", L"&Browse...", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 210, 9, 75, 22,
                       window, kBrowseId);
  listView = createChild(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                             LVS_NOSORTHEADER,
                         55, 40, 229, 165, window, kImageListId);
  previewControl = createChild(0, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 300, 10, 256, 256, window,
                               kPreviewId);
  for (const HWND control : {label, fileNameEdit, browse, listView, previewControl}) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  ListView_SetExtendedListViewStyle(listView, LVS_EX_FULLROWSELECT);
  const wchar_t* titles[] = {L"Size", L"Type"};
  const int widths[] = {105, 90};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = scale(widths[i]);
    column.pszText = const_cast<wchar_t*>(titles[i]);
    ListView_InsertColumn(listView, i, &column);
  }
}

bool KVIconEditor::load(const std::string& path) {
  auto file = std::make_unique<KVIconFile>();
  if (!file->Load(path)) return false;
  destroyPreview();
  icon = std::move(file);
  shownPath = path;
  SetWindowTextW(fileNameEdit, kvtext::Utf8ToWide(kvpath::FileNameOf(path)).c_str());
  ListView_DeleteAllItems(listView);
  const std::vector<kviconrows::Row> rows = kviconrows::RowsOf(*icon);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    kvtext::WideString size = kvtext::Utf8ToWide(rows[i].size);
    kvtext::WideString type = kvtext::Utf8ToWide(rows[i].type);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = size.data();
    const int at = ListView_InsertItem(listView, &item);
    if (at >= 0) ListView_SetItemText(listView, at, 1, type.data());
  }
  if (!rows.empty()) {
    ListView_SetItemState(listView, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    showPreview(0);  // also when the first row was selected before and no change is notified
  }
  InvalidateRect(previewControl, nullptr, TRUE);
  return true;
}

void KVIconEditor::onNotify(const NMHDR& header) {
  if (header.idFrom != kImageListId || header.code != LVN_ITEMCHANGED) return;
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED)) {
    showPreview(change.iItem);
  }
}

void KVIconEditor::showPreview(int index) {
  if (!icon || index < 0 || static_cast<std::uint32_t>(index) >= icon->Count()) return;
  std::string bytes;
  if (!icon->ImageBytes(static_cast<std::uint32_t>(index), bytes) || bytes.empty()) return;
  const KVIconEntry& entry = icon->Entries()[static_cast<std::size_t>(index)];
  destroyPreview();
  previewSize = {kviconrows::SideOf(entry.width), kviconrows::SideOf(entry.height)};
  preview = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), TRUE,
                                     kIconFormatVersion, previewSize.cx, previewSize.cy, LR_DEFAULTCOLOR);
  InvalidateRect(previewControl, nullptr, TRUE);
}

void KVIconEditor::onDrawPreview(const DRAWITEMSTRUCT& draw) {
  FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  if (preview) DrawIconEx(draw.hDC, 0, 0, preview, previewSize.cx, previewSize.cy, 0, nullptr, DI_NORMAL);
}

void KVIconEditor::destroyPreview() {
  if (preview) DestroyIcon(preview);
  preview = nullptr;
}

void KVIconEditor::onBrowse() {
  std::wstring chosen(4096, L'\0');
  // The project's resources folder first, where the icon lives.
  const kvtext::WideString folder = kvtext::Utf8ToWide(kvpath::FolderOf(shownPath));
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = window;
  dialog.lpstrFilter = L"Icon File\0*.ico\0";
  dialog.lpstrFile = chosen.data();
  dialog.nMaxFile = static_cast<DWORD>(chosen.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return;
  chosen.resize(wcslen(chosen.c_str()));
  pick(kvtext::WideToUtf8(chosen));
}

void KVIconEditor::pick(const std::string& path) {
  if (path.empty() || kvtext::EqualsNoCase(path, shownPath)) return;
  if (!load(path)) {
    refuse(path + " cannot be used as the project's icon: it is not an icon file, or its images lie outside the file.");
    return;
  }
  setModified(parent);
}

void KVIconEditor::refuse(const std::string& text) const {
  MessageBoxW(window, kvtext::Utf8ToWide(text).c_str(), L"KelVox Studio", MB_OK | MB_ICONERROR);
}

bool KVIconEditor::save() {
  if (!document || !document->item) return false;
  // Nothing was picked when the project has no icon file and none is shown.
  if (!shownPath.empty() && !kvtext::EqualsNoCase(shownPath, document->item->Path())) {
    std::string why;
    if (!host.replaceProjectIcon(document, shownPath, why)) {
      lastFailure = why.empty() ? "the icon could not be copied into the project" : why;
      return false;
    }
    load(document->item->Path());
  }
  lastFailure.clear();
  modified = 0;
  return true;
}
