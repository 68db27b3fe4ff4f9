#include "editing/OutputPane.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

#include "resources/ResourceIds.h"

namespace {

constexpr int kCellSize = 16;
constexpr int kCellCount = 4;
constexpr COLORREF kTransparent = RGB(255, 255, 255);
constexpr COLORREF kHoverFrame = RGB(240, 140, 30);
constexpr int kBarHeight = 4;

// The tab strip's button strip when it is there with its four cells.
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

// A device context of the frame's whole client area, children included, for the drag bar.
class UnclippedDc {
public:
  explicit UnclippedDc(HWND window) : window(window), dc(GetDCEx(window, nullptr, DCX_CACHE)) {}
  ~UnclippedDc() {
    if (dc) ReleaseDC(window, dc);
  }
  UnclippedDc(const UnclippedDc&) = delete;
  UnclippedDc& operator=(const UnclippedDc&) = delete;
  HDC get() const { return dc; }

private:
  HWND window;
  HDC dc;
};

// A cross of two-pixel diagonals in box, and an orange frame around it when hovered: the
// button's picture when the bitmap is missing.
void DrawCrossShape(HDC dc, const RECT& box, bool hovered) {
  const int size = box.right - box.left;
  const int inset = MulDiv(4, size, kCellSize);
  const kvwin::Pen pen(CreatePen(PS_SOLID, MulDiv(2, size, kCellSize), RGB(0, 0, 0)));
  const kvwin::Selection selection(dc, pen.get());
  MoveToEx(dc, box.left + inset, box.top + inset, nullptr);
  LineTo(dc, box.right - inset, box.bottom - inset);
  MoveToEx(dc, box.right - inset - 1, box.top + inset, nullptr);
  LineTo(dc, box.left + inset - 1, box.bottom - inset);
  if (!hovered) return;
  const kvwin::Brush frame(CreateSolidBrush(kHoverFrame));
  FrameRect(dc, &box, frame.get());
}

}  // namespace

KVOutputDialog::KVOutputDialog(KVDocumentHost& documentHost)
    : host(documentHost), headerBrush(CreateSolidBrush(RGB(132, 176, 210))), buttons(LoadButtons()) {
  // A 50 % checkerboard: the bar inverts every other pixel, and inverting again erases it.
  const WORD rows[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
  dragPattern.reset(CreateBitmap(8, 8, 1, 1, rows));
  dragBrush.reset(CreatePatternBrush(dragPattern.get()));
}

KVOutputDialog::~KVOutputDialog() {
  if (drag.active) cancelDrag();
}

bool KVOutputDialog::createPane(HWND frameWindow, int x, int y, int paneWidth, int paneHeight) {
  width = paneWidth;
  height = paneHeight;
  return createModeless(0, WS_CHILD | WS_CLIPCHILDREN, x, y, paneWidth, paneHeight, frameWindow);
}

sptr_t KVOutputDialog::call(unsigned int message, uptr_t wParam, sptr_t lParam) const {
  return directFunction ? directFunction(directPointer, message, wParam, lParam) : 0;
}

void KVOutputDialog::onInitDialog() {
  text = CreateWindowExW(0, L"Scintilla", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, 0, kDragZone, 10, 10,
                         window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)), instance, nullptr);
  if (!text) return;
  directFunction = reinterpret_cast<SciFnDirect>(SendMessageW(text, SCI_GETDIRECTFUNCTION, 0, 0));
  directPointer = static_cast<sptr_t>(SendMessageW(text, SCI_GETDIRECTPOINTER, 0, 0));
  if (!directFunction || !directPointer) {
    directFunction = nullptr;
    return;
  }
  configureText();
}

void KVOutputDialog::configureText() {
  // Escape arrives as a typed character, which hides the pane.
  call(SCI_ASSIGNCMDKEY, SCK_ESCAPE, 0);
  call(SCI_SETREADONLY, 1);
  call(SCI_SETMARGINS, 0);
  call(SCI_STYLESETFONT, STYLE_DEFAULT, reinterpret_cast<sptr_t>("Consolas"));
  call(SCI_STYLESETSIZE, STYLE_DEFAULT, 10);
  call(SCI_STYLESETBACK, STYLE_DEFAULT, RGB(255, 255, 255));
  call(SCI_STYLESETFORE, STYLE_DEFAULT, RGB(0, 0, 0));
  call(SCI_SETSELBACK, 1, RGB(153, 201, 239));
  // The horizontal bar appears once a shown line is wider than the pane.
  call(SCI_SETSCROLLWIDTH, 1);
  call(SCI_SETSCROLLWIDTHTRACKING, 1);
}

void KVOutputDialog::append(const std::string& added) {
  call(SCI_SETREADONLY, 0);
  call(SCI_ADDTEXT, added.size(), reinterpret_cast<sptr_t>(added.data()));
  call(SCI_SCROLLCARET);
  call(SCI_SETREADONLY, 1);
}

void KVOutputDialog::clear() {
  call(SCI_SETREADONLY, 0);
  call(SCI_CLEARALL);
  call(SCI_SETREADONLY, 1);
}

void KVOutputDialog::show() {
  if (visible) return;
  ShowWindow(window, SW_SHOW);
  visible = true;
  host.relayout();
}

void KVOutputDialog::hide() {
  if (drag.active) cancelDrag();
  ShowWindow(window, SW_HIDE);
  visible = false;
  setHover(false);
  host.relayout();
}

void KVOutputDialog::onEraseBackground(HDC dc) {
  RECT band;
  GetClientRect(window, &band);
  band.bottom = scale(kDragZone);
  FillRect(dc, &band, GetSysColorBrush(COLOR_BTNFACE));
  band.top = band.bottom;
  band.bottom = scale(kHeaderHeight);
  FillRect(dc, &band, headerBrush.get());
}

void KVOutputDialog::onPaint() {
  const kvwin::PaintDc paint(window);
  const HDC dc = paint.get();
  drawCloseButton(dc);
  const kvwin::Selection selection(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT caption = {scale(4), scale(7), scale(100), scale(kHeaderHeight)};
  DrawTextW(dc, L"Output", -1, &caption, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void KVOutputDialog::drawCloseButton(HDC dc) const {
  const int size = closeButton.right - closeButton.left;
  if (size <= 0) return;
  if (closeHover) {
    const kvwin::Brush white(CreateSolidBrush(kTransparent));
    FillRect(dc, &closeButton, white.get());
  } else {
    FillRect(dc, &closeButton, headerBrush.get());
  }
  if (!buttons) {
    DrawCrossShape(dc, closeButton, closeHover);
    return;
  }
  const kvwin::MemoryDc source(dc);
  const kvwin::Selection selection(source.get(), buttons.get());
  const int cell = closeHover ? 1 : 0;
  if (closeHover && size == kCellSize) {
    BitBlt(dc, closeButton.left, closeButton.top, size, size, source.get(), cell * kCellSize, 0, SRCCOPY);
  } else {
    TransparentBlt(dc, closeButton.left, closeButton.top, size, size, source.get(), cell * kCellSize, 0, kCellSize,
                   kCellSize, kTransparent);
  }
}

void KVOutputDialog::onSize(int newWidth, int newHeight) {
  width = newWidth;
  const int top = scale(7);
  closeButton = {newWidth - scale(19), top, newWidth - scale(3), top + scale(kCellSize)};
  if (text) {
    const int textTop = scale(kHeaderHeight);
    MoveWindow(text, 0, textTop, newWidth, newHeight > textTop ? newHeight - textTop : 0, TRUE);
  }
  InvalidateRect(window, nullptr, TRUE);
}

void KVOutputDialog::setHover(bool hover) {
  if (hover == closeHover) return;
  closeHover = hover;
  if (window) InvalidateRect(window, &closeButton, TRUE);
}

bool KVOutputDialog::onSetCursor() {
  POINT at;
  GetCursorPos(&at);
  ScreenToClient(window, &at);
  if (at.y > scale(kDragZone) && !drag.active) return false;
  SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
  return true;
}

void KVOutputDialog::onMouseMove(int x, int y) {
  if (drag.active) {
    moveDrag(y);
    return;
  }
  if (y <= scale(kDragZone)) {
    SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
    setHover(false);
    return;
  }
  if (!tracking) {
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
    tracking = TrackMouseEvent(&track) != FALSE;
  }
  const POINT at = {x, y};
  setHover(PtInRect(&closeButton, at) != FALSE);
}

void KVOutputDialog::onMouseLeave() {
  tracking = false;
  setHover(false);
}

void KVOutputDialog::onLeftButtonDown(int y) {
  if (y > scale(kDragZone) || drag.active) return;
  SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
  beginDrag(y);
}

void KVOutputDialog::onLeftButtonUp(int x, int y) {
  if (drag.active) {
    endDrag();
    return;
  }
  const POINT at = {x, y};
  if (visible && PtInRect(&closeButton, at)) hide();
}

int KVOutputDialog::frameY(int y) const {
  POINT at = {0, y};
  MapWindowPoints(window, parent, &at, 1);
  return at.y;
}

void KVOutputDialog::beginDrag(int y) {
  RECT pane;
  GetWindowRect(window, &pane);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&pane), 2);
  drag.active = true;
  drag.startY = frameY(y);
  drag.startTop = pane.top;
  drag.proposed = {pane.left, pane.top, pane.left + width, pane.top + kBarHeight};
  SetCapture(window);
  drawBar(drag.proposed);
  drag.drawn = drag.proposed;
}

// The bar follows the mouse, no higher than the minimum top and no lower than leaves the pane
// its minimum height.
void KVOutputDialog::moveDrag(int y) {
  const int bottom = drag.startTop + height;
  // A pane already shorter, or higher, than allowed is not moved further the wrong way.
  const int lowest = std::max(bottom - scale(kMinimumHeight), drag.startTop);
  const int highest = std::min(minimumTop, drag.startTop);
  const int top = std::clamp(drag.startTop + frameY(y) - drag.startY, highest, lowest);
  if (top == drag.proposed.top) return;
  drag.proposed.top = top;
  drag.proposed.bottom = top + kBarHeight;
  drawBar(drag.drawn);
  drawBar(drag.proposed);
  drag.drawn = drag.proposed;
}

void KVOutputDialog::endDrag() {
  const RECT proposed = drag.proposed;
  cancelDrag();
  if (proposed.top == drag.startTop) return;
  height = drag.startTop + height - proposed.top;
  MoveWindow(window, proposed.left, proposed.top, width, height, TRUE);
  host.relayout();
}

void KVOutputDialog::cancelDrag() {
  if (!drag.active) return;
  drag.active = false;
  drawBar(drag.drawn);
  drag.drawn = {};
  if (GetCapture() == window) ReleaseCapture();
}

void KVOutputDialog::drawBar(const RECT& bar) const {
  if (IsRectEmpty(&bar) || !parent) return;
  const UnclippedDc dc(parent);
  if (!dc.get()) return;
  const kvwin::Selection selection(dc.get(), dragBrush.get());
  PatBlt(dc.get(), bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top, PATINVERT);
}

void KVOutputDialog::onNotify(const NMHDR& header) {
  if (header.hwndFrom != text) return;
  const auto& notification = reinterpret_cast<const SCNotification&>(header);
  if (header.code == SCN_DOUBLECLICK) {
    openLine(notification.line);
  } else if (header.code == SCN_CHARADDED && notification.ch == 27 && visible) {
    hide();
  }
}

// A line "name(n)..." opens the document called name at its line n; any other line does nothing.
void KVOutputDialog::openLine(Sci_Position line) {
  const sptr_t length = call(SCI_LINELENGTH, static_cast<uptr_t>(line));
  if (length <= 0) return;
  std::string content(static_cast<std::size_t>(length) + 1, '\0');
  call(SCI_GETLINE, static_cast<uptr_t>(line), reinterpret_cast<sptr_t>(content.data()));
  content.resize(static_cast<std::size_t>(length));
  const std::size_t open = content.find('(');
  if (open == std::string::npos) return;
  DocumentRecord* record = host.documentNamed(content.substr(0, open));
  if (!record) return;
  const long number = std::atol(content.c_str() + open + 1);
  host.openDocument(record, number > 0 ? static_cast<int>(number - 1) : -1, -1);
}

INT_PTR KVOutputDialog::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return TRUE;
    case WM_ERASEBKGND:
      onEraseBackground(reinterpret_cast<HDC>(wParam));
      SetWindowLongPtrW(window, DWLP_MSGRESULT, 1);
      return TRUE;
    case WM_PAINT:
      onPaint();
      return TRUE;
    case WM_SIZE:
      onSize(LOWORD(lParam), HIWORD(lParam));
      return TRUE;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) != window || !onSetCursor()) return FALSE;
      SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_MOUSEMOVE:
      onMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_MOUSELEAVE:
      onMouseLeave();
      return TRUE;
    case WM_LBUTTONDOWN:
      onLeftButtonDown(GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_LBUTTONUP:
      onLeftButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_LBUTTONDBLCLK:
      if (drag.active) endDrag();
      return TRUE;
    case WM_CAPTURECHANGED:
      if (drag.active && reinterpret_cast<HWND>(lParam) != window) cancelDrag();
      return TRUE;
    case WM_NOTIFY:
      onNotify(*reinterpret_cast<const NMHDR*>(lParam));
      return TRUE;
    default:
      return FALSE;
  }
}
