#include "common/WindowMath.h"

namespace kvwindow {

Point CenterOver(int width, int height, int parentLeft, int parentTop, int parentWidth, int parentHeight,
                 int screenWidth, int screenHeight) {
  Point p{parentLeft + (parentWidth - width) / 2, parentTop + (parentHeight - height) / 2};
  if (p.x < 0) p.x = 0;
  if (p.y < 0) p.y = 0;
  if (p.x + width > screenWidth) p.x = screenWidth - width;
  if (p.y + height > screenHeight) p.y = screenHeight - height;
  return p;
}

int ScrolledPosition(const ScrollBarState& bar, int request) {
  int position = bar.position;
  switch (request) {
    case kLineUp: position -= kScrollLine; break;
    case kLineDown: position += kScrollLine; break;
    case kPageUp: position -= bar.page; break;
    case kPageDown: position += bar.page; break;
    case kTop: position = bar.minimum; break;
    case kBottom: position = bar.maximum; break;
    case kThumbPosition: position = bar.trackPosition; break;
    default: break;  // a thumb being dragged moves nothing until it is released
  }
  if (position > bar.maximum) position = bar.maximum;
  if (position < 0) position = 0;
  return position;
}

namespace {

// A range of n pixels runs from 0 to n - 1. With 0 to n, content exactly as large as the
// client area would still show a bar, and the last position would leave one blank pixel.
int LastUnit(int content) { return content > 0 ? content - 1 : 0; }

}  // namespace

ScrollLayout RecomputeScrollBars(const ScrollInput& in) {
  // The client area as it would be without bars.
  int width = in.clientWidth + (in.hasVerticalBar ? in.verticalBarWidth : 0);
  int height = in.clientHeight + (in.hasHorizontalBar ? in.horizontalBarHeight : 0);
  int overX = in.contentWidth - width;
  int overY = in.contentHeight - height;
  ScrollLayout out;
  out.positionX = in.positionX;
  out.positionY = in.positionY;

  out.needHorizontal = overX > 0;
  if (out.needHorizontal) {
    overY += in.horizontalBarHeight;
  } else {
    out.positionX = 0;
  }
  if (overY > 0) {
    out.needVertical = true;
    overX += in.verticalBarWidth;
    if (!out.needHorizontal && overX > 0) {
      out.needHorizontal = true;
      overY += in.horizontalBarHeight;
    }
  } else {
    out.positionY = 0;
  }
  if (overX > 0 && out.positionX >= overX) out.positionX = overX;
  if (overY > 0 && out.positionY >= overY) out.positionY = overY;
  if (out.needHorizontal) height -= in.horizontalBarHeight;
  if (out.needVertical) width -= in.verticalBarWidth;

  out.scrollByX = in.positionX - out.positionX;
  out.scrollByY = in.positionY - out.positionY;
  out.maximumX = LastUnit(in.contentWidth);
  out.maximumY = LastUnit(in.contentHeight);
  out.pageWidth = width > 0 ? width : 0;
  out.pageHeight = height > 0 ? height : 0;
  // An empty client area would leave a bar that is not needed on screen.
  if (!out.needHorizontal && out.pageWidth <= out.maximumX) out.pageWidth = out.maximumX + 1;
  if (!out.needVertical && out.pageHeight <= out.maximumY) out.pageHeight = out.maximumY + 1;
  return out;
}

}  // namespace kvwindow
