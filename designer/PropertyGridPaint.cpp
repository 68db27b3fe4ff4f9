// Drawing of the property grid's group headers and rows panels.
#include "designer/PropertyGrid.h"

#include "common/Text.h"

void KVPropertyGrid::drawItem(const DRAWITEMSTRUCT& item) {
  for (const auto& group : groups) {
    if (item.hwndItem == group->header) drawHeader(*group, item.hDC, item.rcItem);
    if (item.hwndItem == group->panel) drawPanel(*group, item.hDC, item.rcItem);
  }
}

void KVPropertyGrid::drawHeader(const Group& group, HDC dc, const RECT& area) {
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  // The 9 by 9 box with a minus, or a plus while the group is closed.
  const int left = scale(2), top = scale(5), size = scale(9);
  const RECT box = {left, top, left + size, top + size};
  const kvwin::Brush black(CreateSolidBrush(RGB(0, 0, 0)));
  FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &box, black.get());
  const int inset = scale(2);
  const int middle = top + size / 2;
  const RECT across = {left + inset, middle, left + size - inset, middle + 1};
  FillRect(dc, &across, black.get());
  if (!group.expanded) {
    const int centre = left + size / 2;
    const RECT down = {centre, top + inset, centre + 1, top + size - inset};
    FillRect(dc, &down, black.get());
  }
  const kvwin::Selection bold(dc, headerFont.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  const kvtext::WideString name = kvtext::Utf8ToWide(group.name);
  RECT text = {scale(18), 0, area.right, area.bottom};
  DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void KVPropertyGrid::drawPanel(const Group& group, HDC dc, const RECT& area) {
  FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
  const kvwin::Selection pen(dc, gridPen.get());
  const kvwin::Selection text(dc, font);
  SetBkMode(dc, TRANSPARENT);
  MoveToEx(dc, nameColumnWidth, 0, nullptr);
  LineTo(dc, nameColumnWidth, area.bottom);
  const int gap = scale(4), end = scale(5);
  for (std::size_t i = 0; i < group.rows.size(); ++i) {
    const KVPropertyRow& row = group.rows[i];
    const int top = static_cast<int>(i) * (rowHeight + 1);
    const int bottom = top + rowHeight;
    MoveToEx(dc, 0, bottom, nullptr);
    LineTo(dc, area.right, bottom);
    const bool selected = static_cast<int>(i) == group.selectedRow && activeGroup == &group;
    if (selected) {
      const RECT cell = {0, top, nameColumnWidth, bottom};
      FillRect(dc, &cell, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    const COLORREF colour = GetSysColor(row.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : colour);
    const kvtext::WideString label = kvtext::Utf8ToWide(row.label);
    RECT labelRect = {gap, top, nameColumnWidth - end, bottom};
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &labelRect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(dc, colour);
    const kvtext::WideString value = kvtext::Utf8ToWide(row.value);
    RECT valueRect = {nameColumnWidth + end, top, panelWidth - end, bottom};
    DrawTextW(dc, value.c_str(), static_cast<int>(value.size()), &valueRect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

void KVPropertyGrid::repaintRow(const Group& group, int row) {
  const RECT area = rowRect(group, row);
  InvalidateRect(group.panel, &area, FALSE);
}

RECT KVPropertyGrid::rowRect(const Group&, int row) const {
  const int top = row * (rowHeight + 1);
  return {0, top, panelWidth, top + rowHeight + 1};
}
