#include "common/WindowMath.h"

#include <gtest/gtest.h>

using namespace kvwindow;

namespace {

constexpr int kScreenWidth = 1600;
constexpr int kScreenHeight = 1000;

TEST(WindowMath, CentringKeepsDialogsOnScreen) {
  struct Row { const char* what; int w, h, parentLeft, parentTop, parentW, parentH; Point expected; };
  const Row rows[] = {
      {"plain centring", 200, 100, 100, 100, 800, 600, {400, 350}},
      {"odd difference rounds toward zero", 201, 101, 0, 0, 400, 300, {99, 99}},
      {"parent near the top-left corner", 400, 300, 0, 0, 100, 100, {0, 0}},
      {"parent partly off screen to the left", 200, 100, -300, -200, 400, 300, {0, 0}},
      {"would leave the screen at the bottom right", 300, 200, 1500, 900, 300, 200, {1300, 800}},
      {"larger than the screen: right and bottom edges on screen", 2000, 1200, 0, 0, 1600, 1000, {-400, -200}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(CenterOver(r.w, r.h, r.parentLeft, r.parentTop, r.parentW, r.parentH, kScreenWidth, kScreenHeight),
              r.expected)
        << r.what;
  }
}

TEST(WindowMath, ScrollRequestsMoveWithinTheRange) {
  struct Row { const char* what; ScrollBarState bar; int request; int expected; };
  const ScrollBarState mid{0, 500, 100, 250, 300};
  const Row rows[] = {
      {"line up", mid, kLineUp, 230},
      {"line down", mid, kLineDown, 270},
      {"page up", mid, kPageUp, 150},
      {"page down", mid, kPageDown, 350},
      {"top", mid, kTop, 0},
      {"bottom", mid, kBottom, 500},
      {"thumb released", mid, kThumbPosition, 300},
      {"thumb dragged", mid, kThumbTrack, 250},
      {"end of scrolling", mid, kEndScroll, 250},
      {"unknown request", mid, 99, 250},
      {"line up at 5 stops at 0, not -15", {0, 500, 100, 5, 0}, kLineUp, 0},
      {"page up near the top", {0, 500, 100, 40, 0}, kPageUp, 0},
      {"line down near the end", {0, 500, 100, 490, 0}, kLineDown, 500},
      {"page down near the end", {0, 500, 100, 450, 0}, kPageDown, 500},
  };
  for (const Row& r : rows) EXPECT_EQ(ScrolledPosition(r.bar, r.request), r.expected) << r.what;
}

struct Area {
  int clientW, clientH;
  bool shownV, shownH;
  int contentW, contentH;
};

// Bars 17 pixels wide and high throughout.
ScrollLayout Recompute(const Area& a, int positionX = 0, int positionY = 0) {
  ScrollInput in;
  in.clientWidth = a.clientW;
  in.clientHeight = a.clientH;
  in.hasVerticalBar = a.shownV;
  in.hasHorizontalBar = a.shownH;
  in.contentWidth = a.contentW;
  in.contentHeight = a.contentH;
  in.verticalBarWidth = 17;
  in.horizontalBarHeight = 17;
  in.positionX = positionX;
  in.positionY = positionY;
  return RecomputeScrollBars(in);
}

// The platform shows a bar when its page is smaller than its range 0..maximum.
bool Shown(int page, int maximum) { return page < maximum + 1; }

TEST(WindowMath, BarsAppearExactlyWhenTheContentDoesNotFit) {
  struct Row { const char* what; Area area; bool needH, needV; int pageW, pageH; };
  const Row rows[] = {
      {"fits exactly", {300, 200, false, false, 300, 200}, false, false, 300, 200},
      {"no content", {300, 200, false, false, 0, 0}, false, false, 300, 200},
      {"one pixel wider, low enough for the bar", {300, 200, false, false, 301, 183}, true, false, 300, 183},
      {"one pixel wider, the bar pushes it too tall", {300, 200, false, false, 301, 190}, true, true, 283, 183},
      {"one pixel taller, narrow enough for the bar", {300, 200, false, false, 283, 201}, false, true, 283, 200},
      {"one pixel taller, the bar pushes it too wide", {300, 200, false, false, 290, 201}, true, true, 283, 183},
      {"both too large", {300, 200, false, false, 1000, 1000}, true, true, 283, 183},
      {"shown bars count as client area", {283, 183, true, true, 300, 200}, false, false, 300, 200},
      {"shown bars that are still needed", {283, 183, true, true, 301, 201}, true, true, 283, 183},
      {"empty client area, no content", {0, 0, false, false, 0, 0}, false, false, 1, 1},
      {"empty client area, some content", {0, 0, false, false, 50, 50}, true, true, 0, 0},
  };
  for (const Row& c : rows) {
    const ScrollLayout out = Recompute(c.area);
    EXPECT_EQ(out.needHorizontal, c.needH) << c.what;
    EXPECT_EQ(out.needVertical, c.needV) << c.what;
    EXPECT_EQ(out.pageWidth, c.pageW) << c.what;
    EXPECT_EQ(out.pageHeight, c.pageH) << c.what;
    EXPECT_EQ(Shown(out.pageWidth, out.maximumX), out.needHorizontal) << c.what;
    EXPECT_EQ(Shown(out.pageHeight, out.maximumY), out.needVertical) << c.what;
  }
}

TEST(WindowMath, PositionsResetOrClampedWithTheBars) {
  struct Row { const char* what; Area area; int oldX, oldY, newX, newY; };
  const Row rows[] = {
      {"content fits: both back to 0", {300, 200, false, false, 300, 200}, 40, 30, 0, 0},
      {"within the overflow: kept", {100, 100, false, false, 150, 400}, 20, 20, 20, 20},
      // overX = 50, plus 17 for the vertical bar; overY = 300, plus 17 for the horizontal one
      {"beyond the overflow: clamped", {100, 100, false, false, 150, 400}, 500, 900, 67, 317},
      {"no horizontal bar any more: x reset, y kept", {100, 100, false, false, 80, 400}, 30, 20, 0, 20},
  };
  for (const Row& r : rows) {
    const ScrollLayout out = Recompute(r.area, r.oldX, r.oldY);
    EXPECT_EQ(out.positionX, r.newX) << r.what;
    EXPECT_EQ(out.positionY, r.newY) << r.what;
    EXPECT_EQ(out.scrollByX, r.oldX - r.newX) << r.what;
    EXPECT_EQ(out.scrollByY, r.oldY - r.newY) << r.what;
  }
}

}  // namespace
