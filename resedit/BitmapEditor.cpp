#include "resedit/BitmapEditor.h"

#include "common/Text.h"
#include "resedit/Image.h"

bool KVBitmapEditor::create(DocumentRecord* record, HWND parentWindow, int x, int y, int width, int height) {
  if (!createEditorWindow(*this, record, parentWindow, x, y, width, height)) {
    lastFailure = "the viewer's window could not be created";
    return false;
  }
  editorWindow = window;
  return true;
}

INT_PTR KVBitmapEditor::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return 0;
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!draw || draw->CtlID != kPictureId) return 0;
      onDrawItem(*draw);
      return 1;
    }
    case WM_PAINT:
      onPaint();
      return 1;
    case WM_SETFOCUS:
      return 1;  // the view itself keeps the focus for the scrolling keys; the picture takes none
    case WM_KEYDOWN:
      return onKey(static_cast<UINT>(wParam)) ? 1 : 0;
    case WM_MOUSEWHEEL:
      scrollBy(SB_VERT, GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? SB_LINEUP : SB_LINEDOWN, 3);
      return 1;
    default:
      return 0;
  }
}

void KVBitmapEditor::onInitDialog() {
  picture = createChild(0, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, kMargin, kMargin, 10, 10, window,
                        kPictureId);
  if (document && document->item) showPicture(document->item->Path());
}

void KVBitmapEditor::showPicture(const std::string& path) {
  ZKImage image;
  UINT width = 0;
  UINT height = 0;
  if (!image.load(path) || !image.bitmap() || !image.size(width, height)) return;
  // The list copies the picture, so the loader and its bitmap can go now.
  imageList.reset(ImageList_Create(static_cast<int>(width), static_cast<int>(height), ILC_COLOR32, 1, 1));
  if (!imageList.get() || ImageList_Add(imageList.get(), image.bitmap(), nullptr) < 0) {
    imageList.reset();
    return;
  }
  shownWidth = static_cast<int>(width);
  shownHeight = static_cast<int>(height);
  contentWidth = shownWidth + scale(2 * kMargin);
  contentHeight = shownHeight + scale(2 * kMargin);
  updateScrollBars();
  // Scrolling moves the children, so the picture is placed relative to where the view is now.
  SCROLLINFO horizontal = {};
  horizontal.cbSize = sizeof(horizontal);
  horizontal.fMask = SIF_POS;
  SCROLLINFO vertical = horizontal;
  GetScrollInfo(window, SB_HORZ, &horizontal);
  GetScrollInfo(window, SB_VERT, &vertical);
  MoveWindow(picture, scale(kMargin) - horizontal.nPos, scale(kMargin) - vertical.nPos, shownWidth, shownHeight, TRUE);
  InvalidateRect(picture, nullptr, TRUE);
}

void KVBitmapEditor::onDrawItem(const DRAWITEMSTRUCT& draw) {
  if (imageList.get()) ImageList_Draw(imageList.get(), 0, draw.hDC, 0, 0, ILD_IMAGE);
}

// A file that shows nothing says so, in the grey of an empty area.
void KVBitmapEditor::onPaint() {
  const kvwin::PaintDc paint(window);
  if (imageList.get() || !document || !document->item) return;
  RECT client = {};
  GetClientRect(window, &client);
  client.left += scale(kMargin);
  client.top += scale(kMargin);
  const kvtext::WideString text =
      kvtext::Utf8ToWide(document->item->fileName + " cannot be shown: it is not a picture this system can decode.");
  const kvwin::Selection chosenFont(paint.get(), font);
  SetBkMode(paint.get(), TRANSPARENT);
  SetTextColor(paint.get(), GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(paint.get(), text.c_str(), -1, &client, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
}

// The picture scrolls from the keyboard as with the bars: arrows by lines, Page Up and Page
// Down by pages, Home and End to the top and the bottom (with Ctrl, to the left and right).
bool KVBitmapEditor::onKey(UINT key) {
  const bool control = GetKeyState(VK_CONTROL) < 0;
  switch (key) {
    case VK_UP: scrollBy(SB_VERT, SB_LINEUP, 1); return true;
    case VK_DOWN: scrollBy(SB_VERT, SB_LINEDOWN, 1); return true;
    case VK_LEFT: scrollBy(SB_HORZ, SB_LINEUP, 1); return true;
    case VK_RIGHT: scrollBy(SB_HORZ, SB_LINEDOWN, 1); return true;
    case VK_PRIOR: scrollBy(SB_VERT, SB_PAGEUP, 1); return true;
    case VK_NEXT: scrollBy(SB_VERT, SB_PAGEDOWN, 1); return true;
    case VK_HOME: scrollBy(control ? SB_HORZ : SB_VERT, SB_TOP, 1); return true;
    case VK_END: scrollBy(control ? SB_HORZ : SB_VERT, SB_BOTTOM, 1); return true;
    default: return false;
  }
}

void KVBitmapEditor::scrollBy(int bar, int request, int times) {
  for (int i = 0; i < times; ++i) SendMessageW(window, bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, request, 0);
}
