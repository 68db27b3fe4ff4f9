#include "editing/TabStripModel.h"

#include <algorithm>

#include "common/DpiRule.h"

KVTabStripModel::KVTabStripModel(int stripHeight, int dpi)
    : height(stripHeight),
      padding(kvtext::ScaleForDpi(33, dpi)),
      listReserve(kvtext::ScaleForDpi(27, dpi)),
      textLeft(kvtext::ScaleForDpi(4, dpi)),
      textTop(kvtext::ScaleForDpi(2, dpi)),
      buttonFromRight(kvtext::ScaleForDpi(19, dpi)),
      buttonMargin(kvtext::ScaleForDpi(3, dpi)),
      buttonBox(kvtext::ScaleForDpi(18, dpi)),
      buttonSize(kvtext::ScaleForDpi(16, dpi)) {}

int KVTabStripModel::Add(const void* key, const std::string& title, int titleWidth) {
  Tab tab;
  tab.id = nextId++;
  tab.key = key;
  tab.title = title;
  tab.width = titleWidth + padding;
  tab.left = tabs.empty() ? 0 : tabs.back().left + tabs.back().width + 1;
  tabs.push_back(std::move(tab));
  return tabs.back().id;
}

KVTabStripModel::Removal KVTabStripModel::Remove(int id) {
  Removal removal;
  const auto it = std::find_if(tabs.begin(), tabs.end(), [&](const Tab& t) { return t.id == id; });
  if (it == tabs.end()) {
    removal.tabsRemain = !tabs.empty();
    return removal;
  }
  removal.removed = true;
  removal.repaintLeft = it->left;
  removal.repaintRight = tabs.back().left + tabs.back().width;
  const bool wasActive = id == activeId;
  if (wasActive) activeId = 0;
  if (hoveredId == id) hoveredId = 0;
  if (closePressedId == id) closePressedId = 0;
  if (pressedId == id) pressedId = 0;
  const int shift = it->width + 1;
  for (auto later = it + 1; later != tabs.end(); ++later) later->left -= shift;
  const size_t index = static_cast<size_t>(it - tabs.begin());
  tabs.erase(it);
  removal.tabsRemain = !tabs.empty();
  // The tab that followed the removed one, or the new last one.
  if (wasActive && !tabs.empty()) removal.openNext = tabs[std::min(index, tabs.size() - 1)].id;
  // The room the tab leaves brings back tabs scrolled out to the left, as it does when the
  // strip widens.
  removal.scrolled = EnsureVisible();
  return removal;
}

void KVTabStripModel::Clear() {
  tabs.clear();
  activeId = 0;
  hoveredId = closePressedId = pressedId = 0;
  nextId = kFirstId;
  tooNarrow = false;
}

bool KVTabStripModel::Select(int id) {
  if (FindMutable(id) == nullptr) return false;
  activeId = id;
  return EnsureVisible();
}

bool KVTabStripModel::Rename(int id, const std::string& title, int titleWidth) {
  Tab* tab = FindMutable(id);
  if (tab == nullptr) return false;
  tab->title = title;
  const int difference = titleWidth + padding - tab->width;
  if (difference == 0) return false;
  tab->width += difference;
  if (tab->left < 0) {
    // Scrolled out to the left: its right edge stays, it and the earlier tabs move.
    for (Tab& other : tabs) {
      if (other.id == id) {
        other.left -= difference;
        break;
      }
      other.left -= difference;
    }
  } else {
    bool after = false;
    for (Tab& other : tabs) {
      if (after) other.left += difference;
      after = after || other.id == id;
    }
  }
  EnsureVisible();
  return true;
}

void KVTabStripModel::SetModified(int id, bool modified) {
  if (Tab* tab = FindMutable(id)) tab->modified = modified;
}

bool KVTabStripModel::Resize(int clientWidth) {
  listButton.left = clientWidth - buttonFromRight;
  listButton.right = clientWidth - buttonMargin;
  listButton.top = (height - buttonBox) / 2;
  listButton.bottom = listButton.top + buttonSize;
  visibleLimit = clientWidth - listReserve;
  return EnsureVisible();
}

bool KVTabStripModel::EnsureVisible() {
  // Tabs hidden while the strip was too narrow come back: that, too, is a change to paint.
  const bool wasTooNarrow = tooNarrow;
  if (const Tab* active = Find(activeId)) {
    if (visibleLimit < active->width) {
      tooNarrow = true;
      return true;
    }
    tooNarrow = false;
    const int right = active->left + active->width;
    int shift = 0;
    if (right < visibleLimit) {
      if (active->left < 0) shift = active->left;
    } else if (right > visibleLimit) {
      // Whole tabs go out to the left until the active one ends inside the limit.
      const int needed = right - visibleLimit;
      for (const Tab& tab : tabs) {
        if (tab.left < 0) continue;
        if (shift >= needed) break;
        shift += tab.width + 1;
      }
    }
    if (shift != 0) {
      MoveAll(-shift);
      return true;
    }
  } else {
    tooNarrow = false;
  }
  if (tabs.empty()) return wasTooNarrow;
  const int lastRight = tabs.back().left + tabs.back().width;
  if (lastRight >= visibleLimit) return wasTooNarrow;
  // Free room at the right brings whole tabs back from the left, as many as fit.
  int room = visibleLimit - lastRight - 1;
  int total = 0;
  for (auto it = tabs.rbegin(); it != tabs.rend(); ++it) {
    if (it->left >= 0) continue;
    if (it->width > room) break;
    total += it->width + 1;
    room -= it->width + 1;
    if (room <= 0) break;
  }
  if (total == 0) return wasTooNarrow;
  MoveAll(total);
  return true;
}

KVTabStripModel::MouseOutcome KVTabStripModel::MouseMove(int x, int y) {
  MouseOutcome outcome;
  if (!trackingLeave) {
    trackingLeave = true;
    outcome.requestLeave = true;
  }
  const Hit hit = HitTest(x, y);
  Tab* tab = FindMutable(hit.id);
  if (!tab) {
    Unhover(outcome);
    SetListHover(listButton.Contains(x, y), outcome);
    return outcome;
  }
  SetListHover(false, outcome);
  if (hoveredId != tab->id) {
    Unhover(outcome);
    hoveredId = tab->id;
  }
  bool changed = false;
  if (tab->id != activeId && !tab->hover) {
    tab->hover = true;
    changed = true;
  }
  if (tab->closeHover != hit.onClose) {
    tab->closeHover = hit.onClose;
    changed = true;
  }
  if (changed) outcome.repaint.push_back(TabRect(*tab));
  return outcome;
}

KVTabStripModel::MouseOutcome KVTabStripModel::ButtonDown(int x, int y) {
  MouseOutcome outcome;
  CancelPress();
  const Hit hit = HitTest(x, y);
  if (hit.id != 0) {
    // A press on the close button only arms it; the release decides.
    if (hit.onClose) {
      closePressedId = hit.id;
    } else if (hit.id != activeId) {
      outcome.open = hit.id;
    }
    pressedId = hit.id;
  } else if (listButton.Contains(x, y) && !tabs.empty()) {
    outcome.showList = true;
  }
  return outcome;
}

KVTabStripModel::MouseOutcome KVTabStripModel::ButtonUp(int x, int y) {
  MouseOutcome outcome;
  if (closePressedId != 0) {
    const Hit hit = HitTest(x, y);
    if (hit.id == closePressedId && hit.onClose) outcome.close = hit.id;
  }
  CancelPress();
  return outcome;
}

KVTabStripModel::MouseOutcome KVTabStripModel::MouseLeave() {
  MouseOutcome outcome;
  CancelPress();
  trackingLeave = false;
  Unhover(outcome);
  SetListHover(false, outcome);
  return outcome;
}

void KVTabStripModel::CancelPress() { closePressedId = pressedId = 0; }

void KVTabStripModel::Unhover(MouseOutcome& outcome) {
  Tab* tab = FindMutable(hoveredId);
  hoveredId = 0;
  if (!tab || (!tab->hover && !tab->closeHover)) return;
  tab->hover = tab->closeHover = false;
  outcome.repaint.push_back(TabRect(*tab));
}

void KVTabStripModel::SetListHover(bool hover, MouseOutcome& outcome) {
  if (listHover == hover) return;
  listHover = hover;
  outcome.repaint.push_back(listButton);
}

KVTabStripModel::Hit KVTabStripModel::HitTest(int x, int y) const {
  if (tooNarrow) return {};
  for (const Tab& tab : tabs) {
    // The bottom row of a tab still hits it.
    const Rect r = TabRect(tab);
    if (x < r.left || x >= r.right || y < r.top || y > r.bottom) continue;
    if (!IsDrawn(tab)) return {};
    return {tab.id, CloseButtonRect(tab).Contains(x, y)};
  }
  return {};
}

int KVTabStripModel::Neighbour(int step) const {
  if (tabs.size() < 2) return 0;
  const auto it = std::find_if(tabs.begin(), tabs.end(), [&](const Tab& t) { return t.id == activeId; });
  if (it == tabs.end()) return 0;
  const int count = static_cast<int>(tabs.size());
  const int index = static_cast<int>(it - tabs.begin());
  return tabs[static_cast<size_t>(((index + step) % count + count) % count)].id;
}

const KVTabStripModel::Tab* KVTabStripModel::Find(int id) const {
  for (const Tab& tab : tabs) {
    if (tab.id == id) return &tab;
  }
  return nullptr;
}

KVTabStripModel::Tab* KVTabStripModel::FindMutable(int id) {
  return const_cast<Tab*>(static_cast<const KVTabStripModel*>(this)->Find(id));
}

int KVTabStripModel::FirstVisibleId() const {
  for (const Tab& tab : tabs) {
    if (tab.left >= 0) return tab.id;
  }
  return 0;
}

bool KVTabStripModel::IsDrawn(const Tab& tab) const { return !tooNarrow && tab.left + tab.width <= visibleLimit; }

KVTabStripModel::Rect KVTabStripModel::TabRect(const Tab& tab) const {
  return {tab.left, 0, tab.left + tab.width, height - 2};
}

KVTabStripModel::Rect KVTabStripModel::TextRect(const Tab& tab) const {
  const Rect r = TabRect(tab);
  return {r.left + textLeft, r.top + textTop, r.right - buttonFromRight, r.bottom};
}

KVTabStripModel::Rect KVTabStripModel::CloseButtonRect(const Tab& tab) const {
  const Rect r = TabRect(tab);
  const int top = (height - buttonBox) / 2 + r.top;
  return {r.right - buttonFromRight, top, r.right - buttonFromRight + buttonSize, top + buttonSize};
}

void KVTabStripModel::MoveAll(int dx) {
  for (Tab& tab : tabs) tab.left += dx;
}
