#include "editing/TabControl.h"

#include <windowsx.h>

#include <cstddef>
#include <iterator>

#include "common/Text.h"
#include "resources/ResourceIds.h"

namespace {

constexpr int kStripHeight = 22;
constexpr int kCellSize = 16;
constexpr int kCellCount = 4;
constexpr COLORREF kNormalColour = RGB(157, 195, 224);
constexpr COLORREF kHoverColour = RGB(181, 212, 236);
constexpr COLORREF kSelectedColour = RGB(205, 228, 245);
constexpr COLORREF kStripColour = RGB(132, 176, 210);
constexpr COLORREF kTransparent = RGB(255, 255, 255);
constexpr COLORREF kFrameColour = RGB(240, 140, 30);

// The pictures' shapes on their 16 x 16 grid, for drawing them without the bitmap.
struct CellRect {
  int x, y, width, height;
};
constexpr CellRect kCross[] = {{4, 4, 2, 1}, {10, 4, 2, 1}, {4, 5, 3, 1},  {9, 5, 3, 1},  {5, 6, 6, 1},  {6, 7, 4, 2},
                               {5, 9, 6, 1}, {4, 10, 3, 1}, {9, 10, 3, 1}, {4, 11, 2, 1}, {10, 11, 2, 1}};
constexpr CellRect kTriangle[] = {{4, 6, 8, 1}, {5, 7, 6, 1}, {6, 8, 4, 1}, {7, 9, 2, 1}};
constexpr CellRect kFrame[] = {{0, 0, 16, 1}, {0, 15, 16, 1}, {0, 0, 1, 16}, {15, 0, 1, 16}};

RECT ToRect(const KVTabStripModel::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

DocumentRecord* RecordOf(const KVTabStripModel::Tab& tab) {
  return static_cast<DocumentRecord*>(const_cast<void*>(tab.key));
}

bool IsModified(const DocumentRecord& record) { return record.editor && record.editor->modified; }

// The bitmap when it is there and has its four cells.
HBITMAP LoadButtons() {
  auto* bitmap = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_TAB_BUTTONS), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  BITMAP info = {};
  if (bitmap && (GetObjectW(bitmap, sizeof info, &info) != sizeof info || info.bmWidth < kCellSize * kCellCount ||
                 info.bmHeight < kCellSize)) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

void FillShapes(HDC dc, const CellRect* shapes, std::size_t count, const RECT& box, COLORREF colour) {
  const int size = box.right - box.left;
  const auto at = [size](int cellUnits) { return MulDiv(cellUnits, size, kCellSize); };
  const kvwin::Brush brush(CreateSolidBrush(colour));
  for (std::size_t i = 0; i < count; ++i) {
    const CellRect& s = shapes[i];
    const RECT r = {box.left + at(s.x), box.top + at(s.y), box.left + at(s.x + s.width), box.top + at(s.y + s.height)};
    FillRect(dc, &r, brush.get());
  }
}

// "&" would otherwise underline the next letter of a menu item.
kvtext::WideString MenuText(const std::string& name) {
  kvtext::WideString text;
  for (const wchar_t c : kvtext::Utf8ToWide(name)) {
    text += c;
    if (c == L'&') text += L'&';
  }
  return text;
}

}  // namespace

KVTabControl::KVTabControl(KVDocumentHost& documentHost)
    : host(documentHost),
      model(kStripHeight),
      normalBrush(CreateSolidBrush(kNormalColour)),
      hoverBrush(CreateSolidBrush(kHoverColour)),
      selectedBrush(CreateSolidBrush(kSelectedColour)),
      stripBrush(CreateSolidBrush(kStripColour)),
      normalPen(CreatePen(PS_SOLID, 1, kNormalColour)),
      hoverPen(CreatePen(PS_SOLID, 1, kHoverColour)),
      selectedPen(CreatePen(PS_SOLID, 1, kSelectedColour)),
      buttons(LoadButtons()) {}

int KVTabControl::stripHeight() const { return MulDiv(kStripHeight, dpi, 96); }

bool KVTabControl::createPane(HWND frameWindow, int x, int y, int width) {
  model = KVTabStripModel(stripHeight(), dpi);
  return createModeless(0, WS_CHILD, x, y, width, stripHeight(), frameWindow);
}

int KVTabControl::titleWidth(const std::string& title) const {
  if (!window) return 0;
  const kvwin::WindowDc dc(window);
  const kvwin::Selection selection(dc.get(), font);
  SetMapMode(dc.get(), MM_TEXT);
  const kvtext::WideString wide = kvtext::Utf8ToWide(title);
  SIZE size = {};
  GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
  return size.cx;
}

void KVTabControl::invalidate(const KVTabStripModel::Rect& area) const {
  if (!window) return;
  const RECT r = ToRect(area);
  InvalidateRect(window, &r, FALSE);
}

void KVTabControl::invalidateAll() const {
  if (window) InvalidateRect(window, nullptr, FALSE);
}

int KVTabControl::add(DocumentRecord* record) {
  const std::string& title = record->item->displayName;
  const int id = model.Add(record, title, titleWidth(title));
  if (window) {
    if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOW);
    invalidate(model.TabRect(*model.Find(id)));
  }
  return id;
}

bool KVTabControl::remove(DocumentRecord* record) {
  const KVTabStripModel::Tab* tab = model.Find(record->tabId);
  if (!tab || tab->key != record) return !model.Tabs().empty();
  const KVTabStripModel::Removal removal = model.Remove(record->tabId);
  record->tabId = 0;
  if (!removal.tabsRemain) {
    if (window) ShowWindow(window, SW_HIDE);
  } else if (DocumentRecord* next = recordOf(removal.openNext)) {
    host.openDocument(next, -1, -1);
  }
  if (removal.scrolled) {
    invalidateAll();
  } else {
    invalidate({removal.repaintLeft, 0, removal.repaintRight, model.StripHeight()});
  }
  return removal.tabsRemain;
}

void KVTabControl::select(int id) {
  const int old = model.ActiveId();
  if (model.Select(id)) {
    invalidateAll();
    return;
  }
  for (const int changed : {old, id}) {
    if (const KVTabStripModel::Tab* tab = model.Find(changed)) invalidate(model.TabRect(*tab));
  }
}

void KVTabControl::repaintTab(int id) {
  const KVTabStripModel::Tab* tab = model.Find(id);
  if (!tab) return;
  const DocumentRecord* record = RecordOf(*tab);
  model.SetModified(id, IsModified(*record));
  const std::string& title = record->item->displayName;
  // The width follows the name alone, so that the modified mark does not move the tabs.
  if (model.Rename(id, title, titleWidth(title))) {
    invalidateAll();
  } else {
    invalidate(model.TabRect(*model.Find(id)));
  }
}

void KVTabControl::clear() {
  model.Clear();
  if (window) ShowWindow(window, SW_HIDE);
  invalidateAll();
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

void KVTabControl::apply(const KVTabStripModel::MouseOutcome& outcome) {
  if (outcome.requestLeave && window) {
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
  }
  for (const KVTabStripModel::Rect& area : outcome.repaint) invalidate(area);
}

void KVTabControl::onSize(int width) {
  model.Resize(width);
  invalidateAll();
}

void KVTabControl::onMouseMove(int x, int y) { apply(model.MouseMove(x, y)); }

void KVTabControl::onButtonDown(int x, int y) {
  const KVTabStripModel::MouseOutcome outcome = model.ButtonDown(x, y);
  apply(outcome);
  // The release is wanted even outside the strip, where it closes nothing.
  if (model.ClosePressedId() != 0) SetCapture(window);
  if (DocumentRecord* record = recordOf(outcome.open)) host.openDocument(record, -1, -1);
  if (outcome.showList) showList();
}

void KVTabControl::onButtonUp(int x, int y) {
  const KVTabStripModel::MouseOutcome outcome = model.ButtonUp(x, y);
  if (GetCapture() == window) ReleaseCapture();
  apply(outcome);
  DocumentRecord* record = recordOf(outcome.close);
  if (!record) return;
  host.closeDocument(record);
  // Another tab may now lie under the mouse.
  onMouseMove(x, y);
}

void KVTabControl::onMouseLeave() { apply(model.MouseLeave()); }

void KVTabControl::onCaptureChanged(HWND newCapture) {
  if (newCapture != window) model.CancelPress();
}

void KVTabControl::showList() {
  const kvwin::Menu menu(CreatePopupMenu());
  if (!menu.get()) return;
  std::vector<int> ids;
  for (const auto& tab : model.Tabs()) {
    ids.push_back(tab.id);
    const kvtext::WideString text = MenuText(RecordOf(tab)->item->displayName);
    AppendMenuW(menu.get(), MF_STRING, ids.size(), text.c_str());
  }
  const KVTabStripModel::Rect button = model.ListButtonRect();
  POINT at = {button.left, button.bottom};
  ClientToScreen(window, &at);
  const int chosen = static_cast<int>(
      TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x,
                     at.y, 0, window, nullptr));
  if (chosen < 1 || chosen > static_cast<int>(ids.size())) return;
  if (DocumentRecord* record = recordOf(ids[static_cast<std::size_t>(chosen - 1)])) host.openDocument(record, -1, -1);
}

void KVTabControl::onPaint() {
  const kvwin::PaintDc target(window);
  RECT client;
  GetClientRect(window, &client);
  // Drawn off screen first, so that the strip does not flicker while the mouse moves.
  const kvwin::MemoryDc buffer(target.get());
  const kvwin::Bitmap image(CreateCompatibleBitmap(target.get(), client.right, client.bottom));
  if (!buffer.get() || !image) {
    paint(target.get());
    return;
  }
  {
    const kvwin::Selection selection(buffer.get(), image.get());
    paint(buffer.get());
    BitBlt(target.get(), 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
  }
}

void KVTabControl::paint(HDC dc) const {
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, stripBrush.get());
  RECT band = client;
  band.top = band.bottom - 2;
  FillRect(dc, &band, selectedBrush.get());
  paintListButton(dc);
  if (model.TooNarrow()) return;
  const kvwin::Selection selection(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  for (const auto& tab : model.Tabs()) {
    if (model.IsDrawn(tab)) paintTab(dc, tab);
  }
}

void KVTabControl::paintTab(HDC dc, const KVTabStripModel::Tab& tab) const {
  const bool selected = tab.id == model.ActiveId();
  const HBRUSH brush = selected ? selectedBrush.get() : tab.hover ? hoverBrush.get() : normalBrush.get();
  const HPEN pen = selected ? selectedPen.get() : tab.hover ? hoverPen.get() : normalPen.get();
  const KVTabStripModel::Rect box = model.TabRect(tab);
  {
    const kvwin::Selection brushSelection(dc, brush);
    const kvwin::Selection penSelection(dc, pen);
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
  }
  if (tab.closeHover) {
    drawButton(dc, 1, model.CloseButtonRect(tab), true);
  } else if (tab.hover || selected) {
    drawButton(dc, 0, model.CloseButtonRect(tab), false);
  }
  const kvtext::WideString caption = kvtext::Utf8ToWide(KVTabStripModel::Caption(tab));
  RECT text = ToRect(model.TextRect(tab));
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void KVTabControl::paintListButton(HDC dc) const {
  const KVTabStripModel::Rect button = model.ListButtonRect();
  if (model.ListHover()) {
    drawButton(dc, 3, button, true);
    return;
  }
  const RECT r = ToRect(button);
  FillRect(dc, &r, stripBrush.get());
  drawButton(dc, 2, button, false);
}

void KVTabControl::drawButton(HDC dc, int cell, const KVTabStripModel::Rect& box, bool opaque) const {
  const int size = model.ButtonSize();
  if (buttons && size == kCellSize) {
    const kvwin::MemoryDc source(dc);
    const kvwin::Selection selection(source.get(), buttons.get());
    if (opaque) {
      BitBlt(dc, box.left, box.top, size, size, source.get(), cell * kCellSize, 0, SRCCOPY);
    } else {
      TransparentBlt(dc, box.left, box.top, size, size, source.get(), cell * kCellSize, 0, kCellSize, kCellSize,
                     kTransparent);
    }
    return;
  }
  // No bitmap, or a DPI at which 16 pixels would be too small: the same shapes, scaled.
  const RECT r = {box.left, box.top, box.left + size, box.top + size};
  if (opaque) {
    const kvwin::Brush white(CreateSolidBrush(kTransparent));
    FillRect(dc, &r, white.get());
  }
  if (cell == 1 || cell == 3) FillShapes(dc, kFrame, std::size(kFrame), r, kFrameColour);
  if (cell < 2) {
    FillShapes(dc, kCross, std::size(kCross), r, RGB(0, 0, 0));
  } else {
    FillShapes(dc, kTriangle, std::size(kTriangle), r, RGB(0, 0, 0));
  }
}

INT_PTR KVTabControl::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_ERASEBKGND:
      // Painting covers the whole client area.
      SetWindowLongPtrW(window, DWLP_MSGRESULT, 1);
      return TRUE;
    case WM_PAINT: onPaint(); return TRUE;
    case WM_PRINTCLIENT: paint(reinterpret_cast<HDC>(wParam)); return TRUE;
    case WM_SIZE: onSize(LOWORD(lParam)); return TRUE;
    case WM_MOUSEMOVE: onMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // closing tabs one after another is quick enough to be a double click
      onButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_LBUTTONUP: onButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return TRUE;
    case WM_MOUSELEAVE: onMouseLeave(); return TRUE;
    case WM_CAPTURECHANGED: onCaptureChanged(reinterpret_cast<HWND>(lParam)); return TRUE;
    default: return FALSE;
  }
}
