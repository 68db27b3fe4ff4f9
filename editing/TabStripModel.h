// KVTabStripModel: the geometry and state of the document tab strip, without a window. The
// Win32 strip measures text, draws what this model lays out and forwards the mouse to it.
// Tabs lie in one row in order, one pixel apart; scrolling moves them all by whole tabs,
// those scrolled out to the left having negative coordinates. Numbers are pixels of the
// strip's client area.
#pragma once

#include <string>
#include <vector>

class KVTabStripModel {
public:
  struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y <= bottom; }
    bool operator==(const Rect& o) const {
      return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
  };

  struct Tab {
    int id = 0;
    const void* key = nullptr;  // the strip's own record for the tab, not used here
    std::string title;          // the document's display name
    bool modified = false;      // drawn as a "*" after the title
    int width = 0;              // title width + kTitlePadding
    int left = 0;
  };

  struct Hit {
    int id = 0;  // 0: no tab
    bool onClose = false;
  };

  struct Removal {
    bool removed = false;
    bool tabsRemain = false;
    int openNext = 0;  // the tab whose document opens next (the removed one was active), or 0
    int repaintLeft = 0, repaintRight = 0;
  };

  static constexpr int kFirstId = 100;
  static constexpr int kTitlePadding = 33;
  // The list button and its margins at the right end.
  static constexpr int kListButtonReserve = 27;

  // stripHeight is the window's height (22 pixels at 96 DPI).
  explicit KVTabStripModel(int stripHeight = 22) : height(stripHeight) {}

  // Appends a tab after the last one; it is not selected yet. Returns its id.
  int Add(const void* key, const std::string& title, int titleWidth);
  Removal Remove(int id);
  // No tabs, none active, ids from kFirstId again, no scrolling.
  void Clear();
  // Makes the tab active and scrolls it into view; true when the tabs moved (repaint all),
  // false when only the old and new active tabs need repainting.
  bool Select(int id);
  // A new title and its width; the tabs after it follow (before it, for a tab scrolled out to
  // the left). True when the tabs moved.
  bool Rename(int id, const std::string& title, int titleWidth);
  void SetModified(int id, bool modified);
  // A new client width: places the list button and scrolls the active tab into view.
  bool Resize(int clientWidth);
  // Scrolls by whole tabs so that the active tab is in view, or back to the right when
  // there is free room; true when the tabs moved.
  bool EnsureVisible();

  Hit HitTest(int x, int y) const;
  // The tab after (step 1) or before (step -1) the active one, cyclic; 0 with fewer than two
  // tabs or none active.
  int Neighbour(int step) const;

  const std::vector<Tab>& Tabs() const { return tabs; }
  const Tab* Find(int id) const;
  int ActiveId() const { return activeId; }
  // The first tab not scrolled out to the left; 0 when none.
  int FirstVisibleId() const;
  // Drawn and hit only when wholly left of the visible limit and the strip is not too narrow.
  bool IsDrawn(const Tab& tab) const;
  // The active tab is wider than the room left of the list button: no tab is drawn.
  bool TooNarrow() const { return tooNarrow; }
  int VisibleLimit() const { return visibleLimit; }
  int StripHeight() const { return height; }

  Rect TabRect(const Tab& tab) const;
  Rect TextRect(const Tab& tab) const;
  Rect CloseButtonRect(const Tab& tab) const;
  Rect ListButtonRect() const { return listButton; }
  // The title as drawn.
  static std::string Caption(const Tab& tab) { return tab.modified ? tab.title + "*" : tab.title; }

private:
  Tab* FindMutable(int id);
  void MoveAll(int dx);
  bool InCloseZone(const Tab& tab, int x, int y) const;

  std::vector<Tab> tabs;
  int activeId = 0;
  int nextId = kFirstId;
  int height;
  int visibleLimit = 0;
  bool tooNarrow = false;
  Rect listButton;
};
