#include "common/WindowMath.h"

#include <gtest/gtest.h>

using namespace kvwindow;

TEST(WindowMath, CentringKeepsDialogsOnScreen) {
  struct Row { int w, h, parentLeft, parentTop, parentW, parentH; Point expected; };
  const Row rows[] = {
      {200, 100, 100, 100, 800, 600, {400, 350}},   // plain centring
      {400, 300, 0, 0, 100, 100, {0, 0}},           // parent near the corner: nothing negative
      {2000, 1200, 0, 0, 1600, 1000, {-400, -200}}, // larger than the screen: right edge on screen
      {300, 200, 1500, 900, 300, 200, {1300, 800}}, // would leave the screen at the bottom right
      {201, 101, 0, 0, 400, 300, {99, 99}},         // integer division
  };
  for (const Row& r : rows) {
    EXPECT_EQ(CenterOver(r.w, r.h, r.parentLeft, r.parentTop, r.parentW, r.parentH, 1600, 1000), r.expected)
        << r.w << "x" << r.h;
  }
}

TEST(WindowMath, ScrollRequestsMoveWithinTheRange) {
  const ScrollBarState bar{0, 500, 100, 5, 300};
  struct Row { int request; int expected; };
  for (const Row& r : {Row{kLineUp, 0}, Row{kLineDown, 25}, Row{kPageUp, 0}, Row{kPageDown, 105},
                       Row{kTop, 0}, Row{kBottom, 500}, Row{kThumbPosition, 300}, Row{kThumbTrack, 5},
                       Row{kEndScroll, 5}}) {
    EXPECT_EQ(ScrolledPosition(bar, r.request), r.expected) << r.request;
  }
  EXPECT_EQ(ScrolledPosition({0, 500, 100, 490, 0}, kLineDown), 500);
}

TEST(WindowMath, ContentThatFitsNeedsNoBarsAndResetsPositions) {
  ScrollInput in;
  in.clientWidth = 300; in.clientHeight = 200;
  in.contentWidth = 300; in.contentHeight = 200;
  in.verticalBarWidth = 17; in.horizontalBarHeight = 17;
  in.positionX = 40; in.positionY = 30;
  const ScrollLayout out = RecomputeScrollBars(in);
  EXPECT_FALSE(out.needHorizontal);
  EXPECT_FALSE(out.needVertical);
  EXPECT_EQ(out.positionX, 0);
  EXPECT_EQ(out.positionY, 0);
  EXPECT_EQ(out.scrollByX, 40);
  EXPECT_EQ(out.scrollByY, 30);
  EXPECT_EQ(out.pageWidth, 300);
}

TEST(WindowMath, AHorizontalBarCanBringTheVerticalOne) {
  ScrollInput in;
  in.clientWidth = 300; in.clientHeight = 200;
  in.verticalBarWidth = 17; in.horizontalBarHeight = 17;
  in.contentWidth = 301;  // one pixel too wide
  in.contentHeight = 190; // fits, until the horizontal bar takes 17 pixels
  ScrollLayout out = RecomputeScrollBars(in);
  EXPECT_TRUE(out.needHorizontal);
  EXPECT_TRUE(out.needVertical);
  EXPECT_EQ(out.pageWidth, 283);
  EXPECT_EQ(out.pageHeight, 183);

  in.contentHeight = 150;
  out = RecomputeScrollBars(in);
  EXPECT_TRUE(out.needHorizontal);
  EXPECT_FALSE(out.needVertical);

  // Bars already shown count as client area.
  in.hasVerticalBar = in.hasHorizontalBar = true;
  in.clientWidth = 283; in.clientHeight = 183;
  in.contentWidth = 300; in.contentHeight = 200;
  out = RecomputeScrollBars(in);
  EXPECT_FALSE(out.needHorizontal);
  EXPECT_FALSE(out.needVertical);
}

TEST(WindowMath, PositionsBeyondTheOverflowAreClamped) {
  ScrollInput in;
  in.clientWidth = 100; in.clientHeight = 100;
  in.verticalBarWidth = 10; in.horizontalBarHeight = 10;
  in.contentWidth = 150; in.contentHeight = 400;
  in.positionX = 500; in.positionY = 20;
  const ScrollLayout out = RecomputeScrollBars(in);
  // overX = 50 + 10 for the vertical bar
  EXPECT_EQ(out.positionX, 60);
  EXPECT_EQ(out.positionY, 20);
  EXPECT_EQ(out.scrollByX, 440);
  EXPECT_EQ(out.scrollByY, 0);
}
