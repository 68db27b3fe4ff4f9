#include "designer/PropertyGrid.h"

#include <commctrl.h>

#include "common/Text.h"
#include "designer/WinFile.h"

namespace {

constexpr UINT kActivateMessage = WM_APP + 1;

}  // namespace

KVPropertyGrid::KVPropertyGrid() {
  nameColumnWidth = scale(150);
  rowHeight = scale(18);
  panelIndent = scale(15);
  minWidthExtra = scale(100);
}

KVPropertyGrid::~KVPropertyGrid() {
  if (refusalTip && IsWindow(refusalTip)) DestroyWindow(refusalTip);
}

bool KVPropertyGrid::createFloating(HWND frame) {
  owner = frame;
  nameColumnWidth = scale(150);
  rowHeight = scale(18);
  return createModeless(WS_EX_DLGMODALFRAME, WS_BORDER | WS_SYSMENU | WS_THICKFRAME, 0, 0, scale(300), scale(400),
                        frame);
}

void KVPropertyGrid::hide() {
  dropEdit();
  hideRefusal();
  if (window) ShowWindow(window, SW_HIDE);
  visible = false;
}

void KVPropertyGrid::show(KVControlRecord* record) {
  if (!record) {
    hide();
    return;
  }
  if (!window && (!owner || !createFloating(owner))) {
    shownRecord = record;
    return;
  }
  // The shown record may already be gone (the designer's list changed): nothing pending is
  // written to it.
  dropEdit();
  hideRefusal();
  const bool sameKind = visible && !groups.empty() && shownKind == record->kind;
  shownRecord = record;
  shownKind = record->kind;
  if (sameKind) {
    updateValues(*record);
  } else {
    rebuild(*record);
  }
  if (firstShow) placeFirstShow();
  if (!visible) ShowWindow(window, SW_SHOWNOACTIVATE);
  visible = true;
}

void KVPropertyGrid::refreshGeometry(KVControlRecord* record) {
  if (record != shownRecord || !record) {
    show(record);
    return;
  }
  const std::vector<KVPropertyRow> rows = kvproperties::RowsFor(*record);
  for (const auto& group : groups) {
    for (std::size_t i = 0; i < group->rows.size(); ++i) {
      KVPropertyRow& row = group->rows[i];
      if (row.label != "X" && row.label != "Y" && row.label != "Width" && row.label != "Height") continue;
      for (const KVPropertyRow& fresh : rows) {
        if (fresh.label == row.label && fresh.group == row.group) row.value = fresh.value;
      }
      repaintRow(*group, static_cast<int>(i));
      if (editing.group == group.get() && editing.row == static_cast<int>(i) && GetFocus() != editBoxWindow) {
        SetWindowTextW(editBoxWindow, kvtext::Utf8ToWide(row.value).c_str());
        lastGoodText = row.value;
      }
    }
  }
}

void KVPropertyGrid::activate() {
  if (!window || !visible) return;
  SetActiveWindow(window);
  SetForegroundWindow(window);
  PostMessageW(window, kActivateMessage, 0, 0);
}

KVPropertyGrid::Group* KVPropertyGrid::findGroup(const std::string& name) const {
  for (const auto& group : groups) {
    if (group->name == name) return group.get();
  }
  return nullptr;
}

const KVPropertyRow* KVPropertyGrid::findRow(const std::string& groupName, const std::string& label) const {
  const Group* group = findGroup(groupName);
  if (!group) return nullptr;
  for (const KVPropertyRow& row : group->rows) {
    if (row.label == label) return &row;
  }
  return nullptr;
}

std::string KVPropertyGrid::selectedLabel() const {
  if (!activeGroup || activeGroup->selectedRow < 0) return {};
  return activeGroup->name + "/" + activeGroup->rows[static_cast<std::size_t>(activeGroup->selectedRow)].label;
}

bool KVPropertyGrid::selectRow(const std::string& groupName, const std::string& label) {
  Group* group = findGroup(groupName);
  if (!group) return false;
  for (std::size_t i = 0; i < group->rows.size(); ++i) {
    if (group->rows[i].label != label) continue;
    if (!group->expanded) toggleGroup(*group);
    select(*group, static_cast<int>(i));
    return true;
  }
  return false;
}

void KVPropertyGrid::onInitDialog() {
  SetWindowTextW(window, kvtext::Utf8ToWide(kTitle).c_str());
  LOGFONTW bold = {};
  GetObjectW(font, sizeof(bold), &bold);
  bold.lfWeight = FW_BOLD;
  headerFont.reset(CreateFontIndirectW(&bold));
  gridPen.reset(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE)));
  createEditors();
  SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
  onSize();
}

void KVPropertyGrid::onSize() {
  RECT client = {};
  GetClientRect(window, &client);
  panelWidth = client.right - panelIndent - 1;
  valueWidth = panelWidth - nameColumnWidth - 1;
  for (const auto& group : groups) {
    RECT at = {};
    GetWindowRect(group->panel, &at);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&at), 2);
    SetWindowPos(group->panel, nullptr, at.left, at.top, panelWidth, panelHeight(*group), SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(group->panel, nullptr, FALSE);
  }
  placeEditors();
}

void KVPropertyGrid::rebuild(const KVControlRecord& record) {
  hideEditors();
  activeGroup = nullptr;
  for (const auto& group : groups) {
    DestroyWindow(group->header);
    DestroyWindow(group->panel);
  }
  groups.clear();
  listHeight = 0;
  for (KVPropertyRow& row : kvproperties::RowsFor(record)) {
    Group* group = findGroup(row.group);
    if (!group) group = &addGroup(row.group);
    group->rows.push_back(std::move(row));
    listHeight += rowHeight + 1;
  }
  layout();
}

void KVPropertyGrid::updateValues(const KVControlRecord& record) {
  const std::vector<KVPropertyRow> rows = kvproperties::RowsFor(record);
  for (const auto& group : groups) {
    for (std::size_t i = 0; i < group->rows.size(); ++i) {
      KVPropertyRow& row = group->rows[i];
      for (const KVPropertyRow& fresh : rows) {
        if (fresh.group == row.group && fresh.label == row.label) {
          row.value = fresh.value;
          row.enabled = fresh.enabled;
        }
      }
    }
    InvalidateRect(group->panel, nullptr, FALSE);
  }
}

KVPropertyGrid::Group& KVPropertyGrid::addGroup(const std::string& name) {
  auto group = std::make_unique<Group>();
  group->name = name;
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_OWNERDRAW;
  group->header = CreateWindowExW(0, L"Static", kvtext::Utf8ToWide(name).c_str(), style, 0, 0, 0, 0, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHeaderId)), instance, nullptr);
  group->panel = CreateWindowExW(0, L"Static", L"", style, 0, 0, 0, 0, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPanelId)), instance, nullptr);
  SetWindowSubclass(group->header, GroupProc, 0, reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(group->panel, GroupProc, 0, reinterpret_cast<DWORD_PTR>(this));
  listHeight += rowHeight + 3;
  groups.push_back(std::move(group));
  return *groups.back();
}

int KVPropertyGrid::panelHeight(const Group& group) const {
  const int rows = static_cast<int>(group.rows.size());
  return rows > 0 ? (rowHeight + 1) * rows - 1 : 0;
}

int KVPropertyGrid::groupIndex(const Group& group) const {
  for (std::size_t i = 0; i < groups.size(); ++i) {
    if (groups[i].get() == &group) return static_cast<int>(i);
  }
  return -1;
}

// Places every group below the one before it, as far as the content is scrolled, and sets
// the scroll extent to what the open groups take.
void KVPropertyGrid::layout() {
  SCROLLINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = SIF_POS;
  GetScrollInfo(window, SB_VERT, &info);
  const int scrolledY = info.nPos;
  info.nPos = 0;
  GetScrollInfo(window, SB_HORZ, &info);
  const int scrolledX = info.nPos;

  const kvwin::WindowDc dc(window);
  const kvwin::Selection bold(dc.get(), headerFont.get());
  int y = 1;
  int height = 0;
  for (const auto& group : groups) {
    const kvtext::WideString name = kvtext::Utf8ToWide(group->name);
    SIZE text = {};
    GetTextExtentPoint32W(dc.get(), name.c_str(), static_cast<int>(name.size()), &text);
    SetWindowPos(group->header, nullptr, 1 - scrolledX, y - scrolledY, scale(23) + text.cx, rowHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    y += rowHeight + 2;
    height += rowHeight + 2;
    SetWindowPos(group->panel, nullptr, panelIndent - scrolledX, y - scrolledY, panelWidth, panelHeight(*group),
                 SWP_NOZORDER | SWP_NOACTIVATE | (group->expanded ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    if (group->expanded) {
      y += panelHeight(*group) + 1;
      height += panelHeight(*group) + 1;
    }
    InvalidateRect(group->header, nullptr, FALSE);
  }
  listHeight = height + 1;
  contentWidth = minWidthExtra;
  contentHeight = listHeight;
  updateScrollBars();
  placeEditors();
}

void KVPropertyGrid::toggleGroup(Group& group) {
  commit();
  hideEditors();
  if (activeGroup == &group && group.expanded) {
    // The selection goes with the rows out of sight.
    group.selectedRow = -1;
    activeGroup = nullptr;
  }
  group.expanded = !group.expanded;
  layout();
  InvalidateRect(group.header, nullptr, FALSE);
}

void KVPropertyGrid::placeFirstShow() {
  firstShow = false;
  RECT ownerRect = {};
  RECT own = {};
  if (!owner || !GetWindowRect(owner, &ownerRect) || !GetWindowRect(window, &own)) return;
  const int width = own.right - own.left;
  SetWindowPos(window, nullptr, ownerRect.right - width + 20, ownerRect.top + 40, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void KVPropertyGrid::onHeaderMouse(Group& group, UINT message, POINT point) {
  const bool onBox = point.x >= scale(2) && point.x <= scale(10) && point.y >= scale(5) && point.y <= scale(13);
  const bool onText = point.x > scale(16) && point.y >= scale(3) && point.y <= scale(15);
  if (onBox || (message == WM_LBUTTONDBLCLK && onText)) toggleGroup(group);
}

void KVPropertyGrid::onPanelMouse(Group& group, POINT point) {
  if (point.y <= 1) return;
  const int row = point.y / (rowHeight + 1);
  if (row < 0 || row >= static_cast<int>(group.rows.size())) return;
  select(group, row);
}

LRESULT CALLBACK KVPropertyGrid::GroupProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) {
  auto* grid = reinterpret_cast<KVPropertyGrid*>(self);
  Group* group = nullptr;
  for (const auto& candidate : grid->groups) {
    if (candidate->header == hwnd || candidate->panel == hwnd) group = candidate.get();
  }
  if (!group) return DefSubclassProc(hwnd, message, wParam, lParam);
  const POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (hwnd == group->header) {
        grid->onHeaderMouse(*group, message, point);
      } else {
        grid->onPanelMouse(*group, point);
      }
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      // A greyed row keeps the keyboard on its panel, so that Tab goes on from there.
      if (hwnd == group->panel) {
        switch (wParam) {
          case VK_TAB: grid->moveRow(GetKeyState(VK_SHIFT) >= 0); return 0;
          case VK_DOWN: grid->moveRow(true); return 0;
          case VK_UP: grid->moveRow(false); return 0;
          default: break;
        }
      }
      break;
    case WM_CHAR:
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, GroupProc, 0);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

INT_PTR KVPropertyGrid::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return TRUE;
    case WM_SIZE:
      onSize();
      return TRUE;
    case WM_GETMINMAXINFO:
      limitTracking(*reinterpret_cast<MINMAXINFO*>(lParam));
      return TRUE;
    case WM_DRAWITEM:
      drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_MOUSEWHEEL:
      onMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return TRUE;
    case WM_VSCROLL:
    case WM_HSCROLL:
      // The editors moved with the content; the drop-down list closes rather than float.
      if (lParam == 0) closeList(false);
      return FALSE;
    case WM_COMMAND:
      return onCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !activeGroup) PostMessageW(window, kActivateMessage, 0, 0);
      return FALSE;
    case kActivateMessage:
      onActivated();
      return TRUE;
    default:
      return FALSE;
  }
}

void KVPropertyGrid::limitTracking(MINMAXINFO& limits) const {
  limits.ptMinTrackSize.x = scale(50) + minWidthExtra;
  limits.ptMinTrackSize.y = scale(150);
}

// Three lines a notch, as the system's list controls scroll.
void KVPropertyGrid::onMouseWheel(int delta) {
  const int notches = delta / WHEEL_DELTA;
  for (int i = 0; i < 3 * (notches < 0 ? -notches : notches); ++i) {
    SendMessageW(window, WM_VSCROLL, notches > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
  }
}

bool KVPropertyGrid::onCommand(int id, int code) {
  switch (id) {
    case IDCANCEL:
      // The close box: a pending edit is kept, then the grid hides until shown again.
      commit();
      hide();
      return true;
    case kEditBoxId:
      if (code == EN_CHANGE) onEditChange();
      if (code == EN_KILLFOCUS) {
        if (!suppressCommit) commit();
        suppressCommit = false;
        hideRefusal();
      }
      return true;
    case kChoiceListId:
      if (code == LBN_KILLFOCUS && IsWindowVisible(choiceListWindow)) {
        closeList(!suppressCommit);
        suppressCommit = false;
      }
      return true;
    default:
      return false;
  }
}

// The grid became active: the editor of the selected row opens, or the first row of the first
// group that has rows is selected (its group opened).
void KVPropertyGrid::onActivated() {
  if (activeGroup) {
    openEditor();
    return;
  }
  for (const auto& group : groups) {
    if (group->rows.empty()) continue;
    if (!group->expanded) toggleGroup(*group);
    select(*group, 0);
    return;
  }
}
