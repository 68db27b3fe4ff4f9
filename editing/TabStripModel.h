// KVTabStripModel: the geometry and state of the document tab strip, without a window. The
// Win32 strip measures text, draws what this model lays out and forwards the mouse to it.
// Tabs lie in one row in order, one pixel apart; scrolling moves them all by whole tabs,
// those scrolled out to the left having negative coordinates. Numbers are pixels of the
// strip's client area; the fixed parts of the layout are given for 96 DPI and scaled to the
// strip's DPI.
#pragma once

#include <string>
#include <vector>

class KVTabStripModel {
public:
  struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    // Right and bottom edges excluded, as the system's rectangles.
    bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
    bool operator==(const Rect& o) const {
      return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
  };

  struct Tab {
    int id = 0;
    const void* key = nullptr;  // the strip's own record for the tab, not used here
    std::string title;          // the document's display name
    bool modified = false;      // drawn as a "*" after the title, which the width leaves out
    bool hover = false;         // the mouse is over it (never set while it is the active tab)
    bool closeHover = false;    // the mouse is over its close button
    int width = 0;              // title width + the fixed part (33 at 96 DPI)
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
    bool scrolled = false;  // tabs came back from the left: repaint all
  };

  // What a mouse event asks of the window.
  struct MouseOutcome {
    std::vector<Rect> repaint;  // areas whose look changed
    bool requestLeave = false;  // ask for a notice when the mouse leaves the strip
    int open = 0;               // the tab whose document is to be opened
    int close = 0;              // the tab whose document is to be closed
    bool showList = false;      // the list of all tabs is to pop up under the list button
  };

  static constexpr int kFirstId = 100;

  // stripHeight is the window's height (22 pixels at 96 DPI).
  explicit KVTabStripModel(int stripHeight = 22, int dpi = 96);

  // Appends a tab after the last one; it is not selected yet. Returns its id.
  int Add(const void* key, const std::string& title, int titleWidth);
  Removal Remove(int id);
  // No tabs, none active, hovered or pressed, ids from kFirstId again, no scrolling.
  void Clear();
  // Makes the tab active and scrolls it into view; true when the tabs moved (repaint all),
  // false when only the old and new active tabs need repainting.
  bool Select(int id);
  // A new title and its width; the tabs after it follow (before it, for a tab scrolled out to
  // the left), then the active tab is scrolled into view. True when the width changed.
  bool Rename(int id, const std::string& title, int titleWidth);
  void SetModified(int id, bool modified);
  // A new client width: places the list button and scrolls the active tab into view.
  bool Resize(int clientWidth);
  // Scrolls by whole tabs so that the active tab is in view, or back to the right when
  // there is free room; true when the tabs moved.
  bool EnsureVisible();

  // The mouse over the strip, a left button press and release, and the mouse leaving it.
  // After a release that closes a tab, the window closes the document and moves the mouse
  // to the same point again so that the hover follows what is under it now.
  MouseOutcome MouseMove(int x, int y);
  MouseOutcome ButtonDown(int x, int y);
  MouseOutcome ButtonUp(int x, int y);
  MouseOutcome MouseLeave();
  // A press that will see no release (the strip lost the mouse capture).
  void CancelPress();

  Hit HitTest(int x, int y) const;
  // The tab after (step 1) or before (step -1) the active one, cyclic; 0 with fewer than two
  // tabs or none active.
  int Neighbour(int step) const;

  const std::vector<Tab>& Tabs() const { return tabs; }
  const Tab* Find(int id) const;
  int ActiveId() const { return activeId; }
  int HoveredId() const { return hoveredId; }
  int ClosePressedId() const { return closePressedId; }
  int PressedId() const { return pressedId; }
  bool ListHover() const { return listHover; }
  bool TrackingLeave() const { return trackingLeave; }
  // The first tab not scrolled out to the left; 0 when none.
  int FirstVisibleId() const;
  // Drawn and hit only when wholly left of the visible limit and the strip is not too narrow.
  bool IsDrawn(const Tab& tab) const;
  // The active tab is wider than the room left of the list button: no tab is drawn.
  bool TooNarrow() const { return tooNarrow; }
  int VisibleLimit() const { return visibleLimit; }
  int StripHeight() const { return height; }
  // The width of a tab beyond its title.
  int TitlePadding() const { return padding; }
  // The side of the close and list buttons' square pictures.
  int ButtonSize() const { return buttonSize; }

  Rect TabRect(const Tab& tab) const;
  Rect TextRect(const Tab& tab) const;
  // Also the zone where a press closes the tab.
  Rect CloseButtonRect(const Tab& tab) const;
  Rect ListButtonRect() const { return listButton; }
  // The title as drawn.
  static std::string Caption(const Tab& tab) { return tab.modified ? tab.title + "*" : tab.title; }

private:
  Tab* FindMutable(int id);
  void MoveAll(int dx);
  // Clears the hovered tab's flags, noting its rectangle when they were set.
  void Unhover(MouseOutcome& outcome);
  void SetListHover(bool hover, MouseOutcome& outcome);

  std::vector<Tab> tabs;
  int activeId = 0;
  int hoveredId = 0;
  int closePressedId = 0;
  int pressedId = 0;
  bool listHover = false;
  bool trackingLeave = false;
  int nextId = kFirstId;
  int height;
  // The fixed parts at the strip's DPI.
  int padding, listReserve, textLeft, textTop, buttonFromRight, buttonMargin, buttonBox, buttonSize;
  int visibleLimit = 0;
  bool tooNarrow = false;
  Rect listButton;
};
