// The arithmetic of the window framework, free of any window: centring a dialog, the scroll
// position a scroll request leads to, and the recomputation of a scroll dialog's bars.
#pragma once

namespace kvwindow {

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

// Top-left corner of a width x height window centred over the parent's window rectangle,
// kept off negative coordinates and then pulled back inside the screen's right and bottom
// edges. A window larger than the screen therefore gets a negative corner.
Point CenterOver(int width, int height, int parentLeft, int parentTop, int parentWidth, int parentHeight,
                 int screenWidth, int screenHeight);

// Scroll-bar request codes, numbered as the platform numbers them (SB_LINEUP ...).
enum ScrollRequest {
  kLineUp = 0, kLineDown = 1, kPageUp = 2, kPageDown = 3, kThumbPosition = 4, kThumbTrack = 5,
  kTop = 6, kBottom = 7, kEndScroll = 8,
};

// Distance of one line step, in device pixels.
constexpr int kScrollLine = 20;

struct ScrollBarState {
  int minimum = 0, maximum = 0, page = 0, position = 0, trackPosition = 0;
};

// The new position for a request: lines move by kScrollLine, pages by the page, the thumb
// only when it is released; clamped to 0..maximum.
int ScrolledPosition(const ScrollBarState& bar, int request);

struct ScrollInput {
  int clientWidth = 0, clientHeight = 0;  // as the platform reports, shown bars excluded
  bool hasVerticalBar = false, hasHorizontalBar = false;  // shown now
  int contentWidth = 0, contentHeight = 0;
  int verticalBarWidth = 0, horizontalBarHeight = 0;
  int positionX = 0, positionY = 0;
};

struct ScrollLayout {
  bool needHorizontal = false, needVertical = false;
  int positionX = 0, positionY = 0;
  int scrollByX = 0, scrollByY = 0;  // old position - new position
  // Each bar's range is 0..maximum with the given page; the platform hides a bar whose page
  // covers its range, which happens exactly when the bar is not needed.
  int maximumX = 0, maximumY = 0;
  int pageWidth = 0, pageHeight = 0;
};

ScrollLayout RecomputeScrollBars(const ScrollInput& in);

}  // namespace kvwindow
