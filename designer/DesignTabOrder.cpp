// Set Tab Order: every control shows its place in the tab order; clicking controls one after
// another gives them the next places.
#include "designer/WindowEditor.h"

#include <algorithm>

void KVWindowEditor::startTabOrder() {
  if (tabOrderMode) return;
  eraseHandles();
  tabOrderMode = true;
  nextTabIndex = 0;
  SetFocus(window);
  drawTabBadges();
}

void KVWindowEditor::drawTabBadges() {
  if (!tabOrderMode) return;
  const kvwin::WindowDc dc(window);
  SetBkMode(dc.get(), TRANSPARENT);
  SetTextColor(dc.get(), GetSysColor(COLOR_HIGHLIGHTTEXT));
  for (std::size_t i = 0; i < model.controls.size(); ++i) {
    const HWND handle = static_cast<HWND>(model.controls[i].platformWindow);
    if (!handle) continue;
    const RECT rect = selectionRect(model.controls[i]);
    const std::wstring number = std::to_wstring(i + 1);
    SIZE size = {};
    GetTextExtentPoint32W(dc.get(), number.c_str(), static_cast<int>(number.size()), &size);
    // What an earlier, wider badge covered is repainted first.
    RECT stale = {rect.left, rect.top, rect.left + size.cx + 18, rect.top + size.cy};
    MapWindowPoints(window, design.window, reinterpret_cast<POINT*>(&stale), 2);
    RedrawWindow(design.window, &stale, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT badge = {rect.left, rect.top, rect.left + size.cx + 8, rect.top + size.cy};
    FillRect(dc.get(), &badge, GetSysColorBrush(COLOR_HIGHLIGHT));
    DrawTextW(dc.get(), number.c_str(), static_cast<int>(number.size()), &badge,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
}

void KVWindowEditor::tabOrderClick(HWND hit) {
  KVControlRecord* clicked = hit && hit != design.window && hit != menuPreview ? recordOf(hit) : nullptr;
  if (!clicked) {
    endTabOrder();
    if (hit) select(&model.window);
    return;
  }
  const auto position = static_cast<std::size_t>(clicked - model.controls.data());
  const auto next = static_cast<std::size_t>(nextTabIndex);
  if (position < next) return;
  if (position > next) {
    const SelectionKeeper keep(*this);
    // The controls between move down one place.
    std::rotate(model.controls.begin() + static_cast<std::ptrdiff_t>(next),
                model.controls.begin() + static_cast<std::ptrdiff_t>(position),
                model.controls.begin() + static_cast<std::ptrdiff_t>(position) + 1);
    markModified();
  }
  ++nextTabIndex;
  drawTabBadges();
}

void KVWindowEditor::endTabOrder() {
  if (!tabOrderMode) return;
  tabOrderMode = false;
  nextTabIndex = 0;
  // The repaint that removes the badges draws the selection's handles again.
  highlighted = selected;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
