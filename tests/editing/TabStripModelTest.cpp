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
  strip.Remove(104);
  strip.Remove(103);
  EXPECT_FALSE(strip.EnsureVisible());  // 50 pixels free, the hidden tab is 74 wide
  EXPECT_EQ(Lefts(strip), (std::vector<int>{-75, 0, 75}));
  EXPECT_EQ(strip.Remove(102).openNext, 101);
  strip.Select(101);
  EXPECT_EQ(Lefts(strip), (std::vector<int>{0, 75}));
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
