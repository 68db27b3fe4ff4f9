#include "editing/TabControl.h"

#include <windowsx.h>

#include "common/Text.h"

namespace {

constexpr int kStripHeight = 22;

RECT ToRect(const KVTabStripModel::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

DocumentRecord* RecordOf(const KVTabStripModel::Tab& tab) {
  return static_cast<DocumentRecord*>(const_cast<void*>(tab.key));
}

bool IsModified(const DocumentRecord& record) { return record.editor && record.editor->modified; }

}  // namespace

KVTabControl::KVTabControl(KVDocumentHost& documentHost)
    : host(documentHost),
      model(kStripHeight),
      stripBrush(CreateSolidBrush(RGB(132, 176, 210))),
      tabBrush(CreateSolidBrush(RGB(157, 195, 224))),
      selectedBrush(CreateSolidBrush(RGB(205, 228, 245))) {}

int KVTabControl::stripHeight() const { return MulDiv(kStripHeight, dpi, 96); }

bool KVTabControl::createPane(HWND frameWindow, int x, int y, int width) {
  model = KVTabStripModel(stripHeight());
  return createModeless(0, WS_CHILD, x, y, width, stripHeight(), frameWindow);
}

int KVTabControl::titleWidth(const std::string& caption) const {
  if (!window) return 0;
  const kvwin::WindowDc dc(window);
  const kvwin::Selection selection(dc.get(), font);
  const kvtext::WideString wide = kvtext::Utf8ToWide(caption);
  SIZE size = {};
  GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
  return size.cx;
}

int KVTabControl::add(DocumentRecord* record) {
  const std::string& title = record->item->displayName;
  const int id = model.Add(record, title, titleWidth(title));
  if (window) {
    ShowWindow(window, SW_SHOW);
    InvalidateRect(window, nullptr, TRUE);
  }
  return id;
}

bool KVTabControl::remove(DocumentRecord* record) {
  int id = 0;
  for (const auto& tab : model.Tabs()) {
    if (tab.key == record) id = tab.id;
  }
  if (id == 0) return !model.Tabs().empty();
  const KVTabStripModel::Removal removal = model.Remove(id);
  if (window) InvalidateRect(window, nullptr, TRUE);
  if (!removal.tabsRemain) {
    if (window) ShowWindow(window, SW_HIDE);
    return false;
  }
  if (DocumentRecord* next = recordOf(removal.openNext)) host.openDocument(next, -1, -1);
  return true;
}

void KVTabControl::select(int id) {
  model.Select(id);
  if (window) InvalidateRect(window, nullptr, TRUE);
}

void KVTabControl::repaintTab(int id) {
  const KVTabStripModel::Tab* tab = model.Find(id);
  if (!tab) return;
  DocumentRecord* record = RecordOf(*tab);
  const bool modified = IsModified(*record);
  if (tab->modified != modified || tab->title != record->item->displayName) {
    model.SetModified(id, modified);
    const std::string& title = record->item->displayName;
    model.Rename(id, title, titleWidth(modified ? title + "*" : title));
  }
  if (window) InvalidateRect(window, nullptr, TRUE);
}

void KVTabControl::clear() {
  model.Clear();
  if (window) ShowWindow(window, SW_HIDE);
}

DocumentRecord* KVTabControl::recordOf(int id) const {
  const KVTabStripModel::Tab* tab = model.Find(id);
  return tab ? RecordOf(*tab) : nullptr;
}

DocumentRecord* KVTabControl::neighbourOfSelected(bool forward) const {
  return recordOf(model.Neighbour(forward ? 1 : -1));
}

SavedTabs KVTabControl::savedTabs() const {
  SavedTabs saved;
  for (const auto& tab : model.Tabs()) {
    const DocumentRecord* record = RecordOf(tab);
    SavedTab entry;
    entry.type = record->kind();
    entry.displayName = record->item->displayName;
    saved.tabs.push_back(entry);
    if (tab.id == model.ActiveId()) saved.selected = entry;
  }
  return saved;
}

void KVTabControl::onPaint() {
  const kvwin::PaintDc dc(window);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc.get(), &client, stripBrush.get());
  const kvwin::Selection selection(dc.get(), font);
  SetBkMode(dc.get(), TRANSPARENT);
  for (const auto& tab : model.Tabs()) {
    if (!model.IsDrawn(tab)) continue;
    RECT box = ToRect(model.TabRect(tab));
    FillRect(dc.get(), &box, tab.id == model.ActiveId() ? selectedBrush.get() : tabBrush.get());
    const kvtext::WideString caption = kvtext::Utf8ToWide(KVTabStripModel::Caption(tab));
    RECT text = ToRect(model.TextRect(tab));
    DrawTextW(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  }
}

void KVTabControl::onClick(int x, int y) {
  const KVTabStripModel::Hit hit = model.HitTest(x, y);
  DocumentRecord* record = recordOf(hit.id);
  if (!record) return;
  if (hit.onClose) {
    host.closeDocument(record);
  } else {
    host.openDocument(record, -1, -1);
  }
}

void KVTabControl::onSize(int width) {
  if (model.Resize(width) && window) InvalidateRect(window, nullptr, TRUE);
}

INT_PTR KVTabControl::dialogProc(HWND, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_PAINT:
      onPaint();
      return TRUE;
    case WM_SIZE:
      onSize(LOWORD(lParam));
      return TRUE;
    case WM_LBUTTONDOWN:
      onClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    default:
      return FALSE;
  }
}
