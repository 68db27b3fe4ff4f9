// The arithmetic of the window framework, free of any window: centring a dialog, the scroll
// position a scroll request leads to, and the recomputation of a scroll dialog's bars.
#pragma once

namespace kvwindow {

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

// Top-left corner of a w x h window centred over the parent's window rectangle, kept off
// negative coordinates and then pulled back inside the screen's right and bottom edges.
Point CenterOver(int width, int height, int parentLeft, int parentTop, int parentWidth, int parentHeight,
                 int screenWidth, int screenHeight);

// Scroll-bar request codes, as the platform numbers them.
enum ScrollRequest {
  kLineUp = 0, kLineDown = 1, kPageUp = 2, kPageDown = 3, kThumbPosition = 4, kThumbTrack = 5,
  kTop = 6, kBottom = 7, kEndScroll = 8,
};

struct ScrollBarState {
  int minimum = 0, maximum = 0, page = 0, position = 0, trackPosition = 0;
};

// The new position for a request: lines move by 20, pages by the page, the thumb only when
// it is released; clamped to 0..maximum.
int ScrolledPosition(const ScrollBarState& bar, int request);

struct ScrollInput {
  int clientWidth = 0, clientHeight = 0;  // as the platform reports, bars excluded
  bool hasVerticalBar = false, hasHorizontalBar = false;
  int contentWidth = 0, contentHeight = 0;
  int verticalBarWidth = 0, horizontalBarHeight = 0;
  int positionX = 0, positionY = 0;
};

struct ScrollLayout {
  bool needHorizontal = false, needVertical = false;
  int positionX = 0, positionY = 0;
  int pageWidth = 0, pageHeight = 0;
  int scrollByX = 0, scrollByY = 0;  // old position - new position
};

ScrollLayout RecomputeScrollBars(const ScrollInput& in);

}  // namespace kvwindow
