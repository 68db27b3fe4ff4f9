#include "common/WindowMath.h"

namespace kvwindow {

Point CenterOver(int width, int height, int parentLeft, int parentTop, int parentWidth, int parentHeight,
                 int screenWidth, int screenHeight) {
  Point p{parentLeft + (parentWidth - width) / 2, parentTop + (parentHeight - height) / 2};
  if (p.x < 0) p.x = 0;
  if (p.y < 0) p.y = 0;
  // A window larger than the screen ends up with a negative corner, its right edge on screen.
  if (p.x + width > screenWidth) p.x = screenWidth - width;
  if (p.y + height > screenHeight) p.y = screenHeight - height;
  return p;
}

int ScrolledPosition(const ScrollBarState& bar, int request) {
  constexpr int kLine = 20;
  int position = bar.position;
  switch (request) {
    case kLineUp: position -= kLine; break;
    case kLineDown: position += kLine; break;
    case kPageUp: position -= bar.page; break;
    case kPageDown: position += bar.page; break;
    case kTop: position = bar.minimum; break;
    case kBottom: position = bar.maximum; break;
    case kThumbPosition: position = bar.trackPosition; break;
    default: break;  // the thumb being dragged moves nothing until it is released
  }
  if (position < 0) position = 0;
  if (position > bar.maximum) position = bar.maximum;
  return position;
}

ScrollLayout RecomputeScrollBars(const ScrollInput& in) {
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
  out.pageWidth = width;
  out.pageHeight = height;
  out.scrollByX = in.positionX - out.positionX;
  out.scrollByY = in.positionY - out.positionY;
  return out;
}

}  // namespace kvwindow
