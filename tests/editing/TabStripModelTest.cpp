#include "editing/TabStripModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Rect = KVTabStripModel::Rect;

// A strip of the given client width holding tabs whose titles measure the given widths
// (each tab is then that + 33 wide).
KVTabStripModel Strip(int clientWidth, const std::vector<int>& titleWidths) {
  KVTabStripModel strip;
  strip.Resize(clientWidth);
  for (size_t i = 0; i < titleWidths.size(); ++i) {
    strip.Add(nullptr, "t" + std::to_string(i), titleWidths[i]);
  }
  return strip;
}

std::vector<int> Lefts(const KVTabStripModel& strip) {
  std::vector<int> lefts;
  for (const auto& tab : strip.Tabs()) lefts.push_back(tab.left);
  return lefts;
}

}  // namespace

TEST(TabStripModel, TabsLieInOneRowWithTheirFixedParts) {
  KVTabStripModel strip = Strip(500, {40, 7});
  const auto& tabs = strip.Tabs();
  ASSERT_EQ(tabs.size(), 2u);
  EXPECT_EQ(tabs[0].id, 100);
  EXPECT_EQ(tabs[1].id, 101);
  EXPECT_EQ(strip.TabRect(tabs[0]), (Rect{0, 0, 73, 20}));
  EXPECT_EQ(strip.TabRect(tabs[1]), (Rect{74, 0, 114, 20}));
  EXPECT_EQ(strip.TextRect(tabs[1]), (Rect{78, 2, 95, 20}));
  EXPECT_EQ(strip.CloseButtonRect(tabs[1]), (Rect{95, 2, 111, 18}));
  EXPECT_EQ(strip.ListButtonRect(), (Rect{481, 2, 497, 18}));
  EXPECT_EQ(strip.VisibleLimit(), 473);
  EXPECT_EQ(strip.ActiveId(), 0);  // a new tab is not selected

  strip.SetModified(101, true);
  EXPECT_EQ(KVTabStripModel::Caption(*strip.Find(101)), "t1*");
  EXPECT_EQ(strip.Tabs()[1].width, 40);  // measured without the mark

  strip.Clear();
  EXPECT_TRUE(strip.Tabs().empty());
  EXPECT_EQ(strip.Add(nullptr, "again", 10), 100);
}

TEST(TabStripModel, HitTestFindsTabsAndTheirCloseZone) {
  KVTabStripModel strip = Strip(200, {40, 40, 40});  // tabs 0-73, 74-147, 148-221; limit 173
  struct Case {
    int x, y;
    int id;
    bool onClose;
  };
  const Case cases[] = {
      {0, 0, 100, false},   {72, 20, 100, false}, {73, 5, 0, false},     {74, 5, 101, false},
      {0, 21, 0, false},
      {53, 2, 100, false},  {54, 2, 100, true},   {69, 17, 100, true},   {70, 10, 100, false},
      {54, 1, 100, false},  {54, 18, 100, false}, {128, 10, 101, true},
      {150, 5, 0, false},  // the third tab reaches past the limit: neither drawn nor hit
      {-1, 5, 0, false},
  };
  for (const Case& c : cases) {
    const KVTabStripModel::Hit hit = strip.HitTest(c.x, c.y);
    EXPECT_EQ(hit.id, c.id) << c.x << "," << c.y;
    EXPECT_EQ(hit.onClose, c.onClose) << c.x << "," << c.y;
  }
  EXPECT_TRUE(strip.IsDrawn(strip.Tabs()[1]));
  EXPECT_FALSE(strip.IsDrawn(strip.Tabs()[2]));
}

TEST(TabStripModel, RemovingTheActiveTabOpensItsRightNeighbourElseTheNewLast) {
  struct Case {
    int active, removed;
    int openNext;
    std::vector<int> lefts;
  };
  const Case cases[] = {
      {101, 101, 102, {0, 74}},  // the right neighbour
      {102, 102, 101, {0, 74}},  // the last: its left neighbour
      {100, 101, 0, {0, 74}},    // an inactive tab: the active one stays
      {101, 105, 0, {0, 74, 148}},
  };
  for (const Case& c : cases) {
    KVTabStripModel strip = Strip(1000, {40, 40, 40});
    strip.Select(c.active);
    const KVTabStripModel::Removal removal = strip.Remove(c.removed);
    EXPECT_EQ(removal.removed, c.removed != 105);
    EXPECT_TRUE(removal.tabsRemain);
    EXPECT_EQ(removal.openNext, c.openNext) << c.removed;
    EXPECT_EQ(strip.ActiveId(), c.active == c.removed ? 0 : c.active);
    EXPECT_EQ(Lefts(strip), c.lefts) << c.removed;
  }
  KVTabStripModel strip = Strip(1000, {40, 40});
  strip.Select(100);
  const KVTabStripModel::Removal first = strip.Remove(100);
  EXPECT_EQ(first.repaintLeft, 0);
  EXPECT_EQ(first.repaintRight, 147);
  const KVTabStripModel::Removal last = strip.Remove(101);
  EXPECT_FALSE(last.tabsRemain);
  EXPECT_EQ(last.openNext, 0);
}

TEST(TabStripModel, SelectingScrollsByWholeTabsUntilTheActiveTabFits) {
  // Five tabs 74 wide (pitch 75) in a strip whose limit is 200: three fit (0..223 does not).
  KVTabStripModel strip = Strip(227, {41, 41, 41, 41, 41});
  EXPECT_FALSE(strip.Select(101));
  EXPECT_EQ(strip.FirstVisibleId(), 100);

  EXPECT_TRUE(strip.Select(104));  // right edge 374: 174 past, so three whole tabs go
  EXPECT_EQ(Lefts(strip), (std::vector<int>{-225, -150, -75, 0, 75}));
  EXPECT_EQ(strip.FirstVisibleId(), 103);
  EXPECT_EQ(strip.HitTest(10, 5).id, 103);

  EXPECT_TRUE(strip.Select(101));  // scrolled out to the left: brought to the left edge
  EXPECT_EQ(Lefts(strip), (std::vector<int>{-75, 0, 75, 150, 225}));
  EXPECT_FALSE(strip.Select(102));

  // Closing tabs at the right leaves room: whole tabs come back from the left, only those
  // that fit.
  EXPECT_FALSE(strip.Remove(104).scrolled);
  EXPECT_FALSE(strip.Remove(103).scrolled);  // 50 pixels free, the hidden tab is 74 wide
  EXPECT_EQ(Lefts(strip), (std::vector<int>{-75, 0, 75}));
  const KVTabStripModel::Removal third = strip.Remove(102);
  EXPECT_EQ(third.openNext, 101);
  EXPECT_TRUE(third.scrolled);
  EXPECT_EQ(Lefts(strip), (std::vector<int>{0, 75}));
  EXPECT_FALSE(strip.Select(101));
}

TEST(TabStripModel, ANarrowStripShowsNoTabsAndAWiderOneBringsThemBack) {
  KVTabStripModel strip = Strip(300, {100, 100});
  strip.Select(101);
  EXPECT_TRUE(strip.Resize(150));  // limit 123 < width 133
  EXPECT_TRUE(strip.TooNarrow());
  EXPECT_FALSE(strip.IsDrawn(strip.Tabs()[0]));
  EXPECT_EQ(strip.HitTest(5, 5).id, 0);

  EXPECT_TRUE(strip.Resize(170));  // limit 143: the active tab alone fits, scrolled in
  EXPECT_FALSE(strip.TooNarrow());
  EXPECT_EQ(Lefts(strip), (std::vector<int>{-134, 0}));
  EXPECT_TRUE(strip.Resize(400));
  EXPECT_EQ(Lefts(strip), (std::vector<int>{0, 134}));

  // Selecting a tab that fits where the wide one did not: nothing scrolls, yet every tab
  // comes back and the whole strip is to be painted.
  KVTabStripModel narrow = Strip(300, {10, 100});
  narrow.Select(101);
  narrow.Resize(150);
  EXPECT_TRUE(narrow.TooNarrow());
  EXPECT_TRUE(narrow.Select(100));
  EXPECT_FALSE(narrow.TooNarrow());
  EXPECT_EQ(Lefts(narrow), (std::vector<int>{0, 44}));
  EXPECT_TRUE(narrow.IsDrawn(narrow.Tabs()[0]));
}

TEST(TabStripModel, RenamingMovesTheTabsThatFollowOrForAScrolledTabThoseBefore) {
  KVTabStripModel strip = Strip(1000, {40, 40, 40});
  EXPECT_FALSE(strip.Rename(101, "same", 40));
  EXPECT_EQ(strip.Find(101)->title, "same");
  EXPECT_TRUE(strip.Rename(101, "wider", 60));
  EXPECT_EQ(Lefts(strip), (std::vector<int>{0, 74, 168}));

  KVTabStripModel scrolled = Strip(227, {41, 41, 41, 41, 41});
  scrolled.Select(104);  // lefts -225, -150, -75, 0, 75
  scrolled.Rename(101, "wider", 51);
  EXPECT_EQ(Lefts(scrolled), (std::vector<int>{-235, -160, -75, 0, 75}));
  EXPECT_EQ(scrolled.Tabs()[1].left + scrolled.Tabs()[1].width, -76);
}

TEST(TabStripModel, NeighboursCycleFromTheActiveTab) {
  KVTabStripModel strip = Strip(1000, {10, 10, 10});
  EXPECT_EQ(strip.Neighbour(1), 0);  // none active
  strip.Select(102);
  EXPECT_EQ(strip.Neighbour(1), 100);
  EXPECT_EQ(strip.Neighbour(-1), 101);
  strip.Select(100);
  EXPECT_EQ(strip.Neighbour(-1), 102);
  KVTabStripModel one = Strip(1000, {10});
  one.Select(100);
  EXPECT_EQ(one.Neighbour(1), 0);
}

TEST(TabStripModel, FixedPartsScaleWithTheDpi) {
  KVTabStripModel strip(33, 144);
  strip.Resize(500);
  strip.Add(nullptr, "a", 60);
  const auto& tab = strip.Tabs()[0];
  EXPECT_EQ(tab.width, 110);
  EXPECT_EQ(strip.TabRect(tab), (Rect{0, 0, 110, 31}));
  EXPECT_EQ(strip.TextRect(tab), (Rect{6, 3, 81, 31}));
  EXPECT_EQ(strip.CloseButtonRect(tab), (Rect{81, 3, 105, 27}));
  EXPECT_EQ(strip.ListButtonRect(), (Rect{471, 3, 495, 27}));
  EXPECT_EQ(strip.VisibleLimit(), 459);
  EXPECT_EQ(strip.ButtonSize(), 24);
  EXPECT_TRUE(strip.HitTest(81, 3).onClose);
  EXPECT_FALSE(strip.HitTest(105, 3).onClose);
  EXPECT_FALSE(strip.HitTest(81, 27).onClose);
}

TEST(TabStripModel, MovingTheMouseHoversTabsTheirCloseButtonsAndTheListButton) {
  KVTabStripModel strip = Strip(300, {40, 40});  // tabs 0-73 and 74-147; list 281-297
  strip.Select(101);
  const Rect first{0, 0, 73, 20}, second{74, 0, 147, 20}, list{281, 2, 297, 18};

  KVTabStripModel::MouseOutcome moved = strip.MouseMove(10, 10);
  EXPECT_TRUE(moved.requestLeave);
  EXPECT_EQ(moved.repaint, (std::vector<Rect>{first}));
  EXPECT_EQ(strip.HoveredId(), 100);
  EXPECT_TRUE(strip.Tabs()[0].hover);

  moved = strip.MouseMove(11, 10);  // nothing changes: nothing to repaint, tracking asked once
  EXPECT_FALSE(moved.requestLeave);
  EXPECT_TRUE(moved.repaint.empty());

  moved = strip.MouseMove(60, 10);  // onto its close button
  EXPECT_EQ(moved.repaint, (std::vector<Rect>{first}));
  EXPECT_TRUE(strip.Tabs()[0].closeHover);

  // Onto the active tab: the old one is cleared; the active one gets no hover of its own,
  // only its close button's.
  moved = strip.MouseMove(80, 10);
  EXPECT_EQ(moved.repaint, (std::vector<Rect>{first}));
  EXPECT_FALSE(strip.Tabs()[0].hover);
  EXPECT_FALSE(strip.Tabs()[0].closeHover);
  EXPECT_EQ(strip.HoveredId(), 101);
  EXPECT_FALSE(strip.Tabs()[1].hover);
  moved = strip.MouseMove(134, 10);
  EXPECT_EQ(moved.repaint, (std::vector<Rect>{second}));
  EXPECT_TRUE(strip.Tabs()[1].closeHover);

  moved = strip.MouseMove(290, 10);  // off the tabs, onto the list button
  EXPECT_EQ(moved.repaint, (std::vector<Rect>{second, list}));
  EXPECT_EQ(strip.HoveredId(), 0);
  EXPECT_TRUE(strip.ListHover());

  moved = strip.MouseMove(20, 10);  // straight back onto a tab
  EXPECT_EQ(moved.repaint, (std::vector<Rect>{list, first}));
  EXPECT_FALSE(strip.ListHover());

  const KVTabStripModel::MouseOutcome left = strip.MouseLeave();
  EXPECT_EQ(left.repaint, (std::vector<Rect>{first}));
  EXPECT_EQ(strip.HoveredId(), 0);
  EXPECT_FALSE(strip.Tabs()[0].hover);
  EXPECT_FALSE(strip.TrackingLeave());
  EXPECT_TRUE(strip.MouseMove(20, 10).requestLeave);
}

TEST(TabStripModel, PressesOpenTabsArmTheCloseButtonAndOpenTheList) {
  struct Case {
    const char* what;
    int downX, downY, upX, upY;
    int open, close;
    bool showList;
  };
  // Tabs 0-73 (active) and 74-147; close buttons at 54-69 and 128-143, rows 2-17.
  const Case cases[] = {
      {"an inactive tab opens", 80, 10, 80, 10, 101, 0, false},
      {"the active tab does not open again", 10, 10, 10, 10, 0, 0, false},
      {"close pressed and released inside", 128, 10, 143, 17, 0, 101, false},
      {"the active tab's close button", 54, 2, 60, 10, 0, 100, false},
      {"released beside the close button", 128, 10, 144, 10, 0, 0, false},
      {"released on another tab's close button", 128, 10, 60, 10, 0, 0, false},
      {"released outside the strip", 128, 10, 130, 40, 0, 0, false},
      {"pressed beside, released on the close button", 120, 10, 130, 10, 101, 0, false},
      {"the list button", 290, 10, 290, 10, 0, 0, true},
      {"between the tabs and the list button", 200, 10, 200, 10, 0, 0, false},
  };
  for (const Case& c : cases) {
    KVTabStripModel strip = Strip(300, {40, 40});
    strip.Select(100);
    const KVTabStripModel::MouseOutcome down = strip.ButtonDown(c.downX, c.downY);
    EXPECT_EQ(down.open, c.open) << c.what;
    EXPECT_EQ(down.showList, c.showList) << c.what;
    EXPECT_EQ(down.close, 0) << c.what;
    const KVTabStripModel::MouseOutcome up = strip.ButtonUp(c.upX, c.upY);
    EXPECT_EQ(up.close, c.close) << c.what;
    EXPECT_EQ(up.open, 0) << c.what;
    EXPECT_EQ(strip.ClosePressedId(), 0) << c.what;
    EXPECT_EQ(strip.PressedId(), 0) << c.what;
  }

  KVTabStripModel empty = Strip(300, {});
  EXPECT_FALSE(empty.ButtonDown(290, 10).showList);
}

TEST(TabStripModel, LeavingOrRemovingForgetsThePressAndTheHover) {
  KVTabStripModel strip = Strip(300, {40, 40});
  strip.Select(100);
  strip.ButtonDown(130, 10);
  EXPECT_EQ(strip.ClosePressedId(), 101);
  EXPECT_EQ(strip.PressedId(), 101);
  strip.MouseLeave();
  EXPECT_EQ(strip.ButtonUp(130, 10).close, 0);

  strip.MouseMove(130, 10);
  strip.ButtonDown(130, 10);
  strip.Remove(101);
  EXPECT_EQ(strip.HoveredId(), 0);
  EXPECT_EQ(strip.ClosePressedId(), 0);
  EXPECT_EQ(strip.PressedId(), 0);
  // The tab that takes the place under the mouse is hovered by the next move.
  strip.Add(nullptr, "new", 40);
  EXPECT_EQ(strip.MouseMove(130, 10).repaint.size(), 1u);
  EXPECT_EQ(strip.HoveredId(), 102);
}
