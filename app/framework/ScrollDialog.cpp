#include "app/framework/ScrollDialog.h"

#include <mutex>

#include "common/WindowMath.h"

KVScrollDialog::KVScrollDialog()
    : verticalBarWidth(metrics.iScrollWidth), horizontalBarHeight(metrics.iScrollHeight) {
  extraStyle = WS_HSCROLL | WS_VSCROLL;
}

void KVScrollDialog::messageHook(HWND, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_SIZE:
      updateScrollBars();
      break;
    case WM_HSCROLL:
      scroll(SB_HORZ, LOWORD(wParam));
      break;
    case WM_VSCROLL:
      scroll(SB_VERT, LOWORD(wParam));
      break;
    default:
      break;
  }
}

void KVScrollDialog::scroll(int bar, int request) {
  SCROLLINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  GetScrollInfo(window, bar, &info);
  kvwindow::ScrollBarState state;
  state.minimum = info.nMin;
  state.maximum = info.nMax;
  state.page = static_cast<int>(info.nPage);
  state.position = info.nPos;
  state.trackPosition = info.nTrackPos;
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
  const std::lock_guard<CriticalSection> guard(lock);
  RECT client;
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

  // A range of n pixels runs from 0 to n - 1, so that a page of n pixels covers it and the
  // platform hides the bar exactly when the content fits.
  info.fMask = SIF_RANGE | SIF_PAGE;
  info.nMin = 0;
  info.nMax = contentWidth > 0 ? contentWidth - 1 : 0;
  info.nPage = static_cast<UINT>(out.pageWidth > 0 ? out.pageWidth : 0);
  SetScrollInfo(window, SB_HORZ, &info, TRUE);
  info.nMax = contentHeight > 0 ? contentHeight - 1 : 0;
  info.nPage = static_cast<UINT>(out.pageHeight > 0 ? out.pageHeight : 0);
  SetScrollInfo(window, SB_VERT, &info, TRUE);
  UpdateWindow(window);
}
