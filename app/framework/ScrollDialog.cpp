#include "app/framework/ScrollDialog.h"

#include <mutex>

#include "common/WindowMath.h"

static_assert(kvwindow::kLineUp == SB_LINEUP && kvwindow::kLineDown == SB_LINEDOWN &&
                  kvwindow::kPageUp == SB_PAGEUP && kvwindow::kPageDown == SB_PAGEDOWN &&
                  kvwindow::kThumbPosition == SB_THUMBPOSITION && kvwindow::kThumbTrack == SB_THUMBTRACK &&
                  kvwindow::kTop == SB_TOP && kvwindow::kBottom == SB_BOTTOM && kvwindow::kEndScroll == SB_ENDSCROLL,
              "scroll request codes differ from the platform's");
static_assert(SB_LINELEFT == SB_LINEUP && SB_PAGERIGHT == SB_PAGEDOWN && SB_LEFT == SB_TOP && SB_RIGHT == SB_BOTTOM,
              "horizontal and vertical requests share their codes");

KVScrollDialog::KVScrollDialog()
    : verticalBarWidth(metrics.iScrollWidth), horizontalBarHeight(metrics.iScrollHeight) {
  extraStyle = WS_HSCROLL | WS_VSCROLL;
}

bool KVScrollDialog::createEditorWindow(KVEditorBase& editor, DocumentRecord* record, HWND parentWindow, int x,
                                        int y, int width, int height) {
  editor.document = record;
  return createModeless(0, WS_CHILD | WS_VISIBLE | WS_BORDER, x, y, width, height, parentWindow);
}

void KVScrollDialog::messageHook(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  // Scroll messages that name a control come from a child (a scroll bar, an up-down or a
  // trackbar control) and are its owner's business, not the dialog's own bars'.
  const bool ownBar = lParam == 0;
  switch (message) {
    case WM_SIZE:
      updateScrollBars();
      break;
    case WM_HSCROLL:
      if (ownBar) scroll(SB_HORZ, LOWORD(wParam));
      break;
    case WM_VSCROLL:
      if (ownBar) scroll(SB_VERT, LOWORD(wParam));
      break;
    default:
      break;
  }
}

void KVScrollDialog::scroll(int bar, int request) {
  SCROLLINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  if (!GetScrollInfo(window, bar, &info)) return;
  kvwindow::ScrollBarState state;
  state.minimum = info.nMin;
  state.maximum = info.nMax;
  state.page = static_cast<int>(info.nPage);
  state.position = info.nPos;
  state.trackPosition = info.nTrackPos;  // 32 bits, unlike the position in the message
  const int wanted = kvwindow::ScrolledPosition(state, request);
  if (wanted == info.nPos) return;

  info.fMask = SIF_POS;
  info.nPos = wanted;
  SetScrollInfo(window, bar, &info, TRUE);
  GetScrollInfo(window, bar, &info);  // the platform keeps it within maximum - page + 1
  const int moved = state.position - info.nPos;
  ScrollWindow(window, bar == SB_HORZ ? moved : 0, bar == SB_VERT ? moved : 0, nullptr, nullptr);
  UpdateWindow(window);
}

void KVScrollDialog::updateScrollBars() {
  if (!window) return;
  const std::lock_guard<kvwin::CriticalSection> guard(lock);
  RECT client = {};
  GetClientRect(window, &client);
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);

  kvwindow::ScrollInput in;
  in.clientWidth = client.right;
  in.clientHeight = client.bottom;
  in.hasVerticalBar = (style & WS_VSCROLL) != 0;
  in.hasHorizontalBar = (style & WS_HSCROLL) != 0;
  in.contentWidth = contentWidth;
  in.contentHeight = contentHeight;
  in.verticalBarWidth = verticalBarWidth;
  in.horizontalBarHeight = horizontalBarHeight;
  SCROLLINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = SIF_POS;
  if (GetScrollInfo(window, SB_HORZ, &info)) in.positionX = info.nPos;
  info.nPos = 0;
  if (GetScrollInfo(window, SB_VERT, &info)) in.positionY = info.nPos;

  const kvwindow::ScrollLayout out = kvwindow::RecomputeScrollBars(in);
  info.fMask = SIF_POS;
  info.nPos = out.positionX;
  SetScrollInfo(window, SB_HORZ, &info, TRUE);
  info.nPos = out.positionY;
  SetScrollInfo(window, SB_VERT, &info, TRUE);
  ScrollWindow(window, out.scrollByX, out.scrollByY, nullptr, nullptr);

  // The platform hides a bar whose page covers its range.
  info.fMask = SIF_RANGE | SIF_PAGE;
  info.nMin = 0;
  info.nMax = out.maximumX;
  info.nPage = static_cast<UINT>(out.pageWidth);
  SetScrollInfo(window, SB_HORZ, &info, TRUE);
  info.nMax = out.maximumY;
  info.nPage = static_cast<UINT>(out.pageHeight);
  SetScrollInfo(window, SB_VERT, &info, TRUE);
  UpdateWindow(window);
}
