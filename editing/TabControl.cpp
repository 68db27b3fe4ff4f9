#include "editing/TabControl.h"

#include <windowsx.h>

#include <algorithm>

#include "common/Text.h"
#include "project/XML.h"

namespace {

constexpr int kStripHeight = 22;
constexpr int kTabPadding = 12;

std::string TabElement(const char* name, const DocumentRecord& record) {
  std::string element = KVXML::ElementText(name, record.item->displayName);
  // Insert the type attribute into the start tag made by the element-text operation.
  const std::string attribute = " type=\"" + std::to_string(static_cast<int>(record.kind())) + "\"";
  const std::size_t nameEnd = 1 + std::char_traits<char>::length(name);
  element.insert(nameEnd, attribute);
  return element;
}

}  // namespace

KVTabControl::KVTabControl(KVDocumentHost& documentHost)
    : host(documentHost),
      stripBrush(CreateSolidBrush(RGB(132, 176, 210))),
      tabBrush(CreateSolidBrush(RGB(157, 195, 224))),
      selectedBrush(CreateSolidBrush(RGB(205, 228, 245))) {}

KVTabControl::~KVTabControl() {
  DeleteObject(stripBrush);
  DeleteObject(tabBrush);
  DeleteObject(selectedBrush);
}

int KVTabControl::stripHeight() const { return MulDiv(kStripHeight, dpi, 96); }

bool KVTabControl::createPane(HWND frameWindow, int x, int y, int width) {
  return createModeless(0, WS_CHILD, x, y, width, stripHeight(), frameWindow);
}

int KVTabControl::add(DocumentRecord* record) {
  Tab tab;
  tab.id = nextId++;
  tab.record = record;
  tabs.push_back(tab);
  measure();
  if (window) ShowWindow(window, SW_SHOW);
  return tab.id;
}

bool KVTabControl::remove(DocumentRecord* record) {
  const auto it = std::find_if(tabs.begin(), tabs.end(), [&](const Tab& t) { return t.record == record; });
  if (it == tabs.end()) return !tabs.empty();
  const bool wasSelected = it->selected;
  const std::size_t index = static_cast<std::size_t>(it - tabs.begin());
  tabs.erase(it);
  measure();
  if (tabs.empty()) {
    if (window) ShowWindow(window, SW_HIDE);
    return false;
  }
  if (wasSelected) {
    const Tab& neighbour = tabs[std::min(index, tabs.size() - 1)];
    host.openDocument(neighbour.record, -1, -1);
  }
  if (window) InvalidateRect(window, nullptr, TRUE);
  return true;
}

void KVTabControl::select(int id) {
  for (Tab& tab : tabs) tab.selected = tab.id == id;
  if (window) InvalidateRect(window, nullptr, TRUE);
}

void KVTabControl::repaintTab(int id) {
  for (const Tab& tab : tabs) {
    if (tab.id == id && window) InvalidateRect(window, &tab.rect, FALSE);
  }
}

void KVTabControl::clear() {
  tabs.clear();
  nextId = 100;
  if (window) ShowWindow(window, SW_HIDE);
}

const KVTabControl::Tab* KVTabControl::selectedTab() const {
  for (const Tab& tab : tabs) {
    if (tab.selected) return &tab;
  }
  return nullptr;
}

DocumentRecord* KVTabControl::neighbourOfSelected(bool forward) const {
  if (tabs.size() < 2) return nullptr;
  std::size_t selected = 0;
  for (std::size_t i = 0; i < tabs.size(); ++i) {
    if (tabs[i].selected) selected = i;
  }
  const std::size_t next = forward ? (selected + 1) % tabs.size() : (selected + tabs.size() - 1) % tabs.size();
  return tabs[next].record;
}

std::string KVTabControl::stateText() const {
  std::string text;
  for (const Tab& tab : tabs) text += TabElement("Name", *tab.record);
  if (const Tab* active = selectedTab()) text += TabElement("Selected", *active->record);
  return text;
}

void KVTabControl::measure() {
  if (!window) return;
  HDC dc = GetDC(window);
  const HGDIOBJ old = SelectObject(dc, font);
  int left = 0;
  const int height = stripHeight();
  for (Tab& tab : tabs) {
    std::string title = tab.record->item->displayName;
    if (tab.record->editor && tab.record->editor->modified) title += "*";
    const kvtext::WideString wide = kvtext::Utf8ToWide(title);
    SIZE size = {};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    const int width = size.cx + 2 * MulDiv(kTabPadding, dpi, 96);
    tab.rect = {left, 0, left + width, height - 2};
    left += width + 1;
  }
  SelectObject(dc, old);
  ReleaseDC(window, dc);
}

void KVTabControl::onPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, stripBrush);
  const HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  for (const Tab& tab : tabs) {
    FillRect(dc, &tab.rect, tab.selected ? selectedBrush : tabBrush);
    std::string title = tab.record->item->displayName;
    if (tab.record->editor && tab.record->editor->modified) title += "*";
    const kvtext::WideString wide = kvtext::Utf8ToWide(title);
    RECT text = tab.rect;
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  SelectObject(dc, old);
  EndPaint(window, &paint);
}

void KVTabControl::onClick(int x, int y) {
  const POINT point = {x, y};
  for (const Tab& tab : tabs) {
    if (PtInRect(&tab.rect, point)) {
      host.openDocument(tab.record, -1, -1);
      return;
    }
  }
}

INT_PTR KVTabControl::dialogProc(HWND, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      measure();
      return TRUE;
    case WM_PAINT:
      onPaint();
      return TRUE;
    case WM_LBUTTONDOWN:
      onClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    default:
      return FALSE;
  }
}
