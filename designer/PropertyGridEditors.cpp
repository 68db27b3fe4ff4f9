// The property grid's editors: the text box, the drop-down button and its list, the keys
// that move between rows, the commit of a value, the refusal of text the file cannot hold,
// and the font dialog.
#include "designer/PropertyGrid.h"

#include <commctrl.h>
#include <commdlg.h>

#include "common/Text.h"
#include "designer/SystemLogFont.h"
#include "designer/WindowEditor.h"

namespace {

void SetText(HWND control, const std::string& text) {
  SetWindowTextW(control, kvtext::Utf8ToWide(text).c_str());
}

void CaretToEnd(HWND edit) {
  const int length = GetWindowTextLengthW(edit);
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(length), length);
}

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }

// Whether the record, with the font chosen, can still be written to the dialog window file.
bool FontStorable(const KVControlRecord& record, const KVLogFont& font, int pointSize) {
  KVControlRecord candidate = record;
  kvproperties::SetChosenFont(candidate, font, pointSize);
  if (font.faceName.empty() || !KVWinFile::StorableText(candidate.fontLabel) ||
      !KVWinFile::StorableText(candidate.fontData)) {
    return false;
  }
  std::string line;
  return candidate.kind == "Window" || KVWinFile::FormatControlLine(candidate, line).ok;
}

}  // namespace

void KVPropertyGrid::createEditors() {
  editBoxWindow = CreateWindowExW(0, L"Edit", L"", 0x44010080, 0, 0, 0, 0, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditBoxId)), instance, nullptr);
  choiceButtonWindow = CreateWindowExW(0, L"ComboBox", L"", 0x44000003, 0, 0, scale(17), scale(15), window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(kChoiceButtonId)), instance,
                                       nullptr);
  choiceListWindow = CreateWindowExW(0, L"ListBox", L"", 0x44800001, 0, 0, 0, 0, window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kChoiceListId)), instance, nullptr);
  for (HWND editor : {editBoxWindow, choiceButtonWindow, choiceListWindow}) {
    if (!editor) continue;
    SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowSubclass(editor, EditorProc, static_cast<UINT_PTR>(GetDlgCtrlID(editor)),
                      reinterpret_cast<DWORD_PTR>(this));
  }
  SendMessageW(choiceButtonWindow, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), scale(12));
  {
    const kvwin::WindowDc dc(editBoxWindow);
    const kvwin::Selection text(dc.get(), font);
    TEXTMETRICW metrics = {};
    if (GetTextMetricsW(dc.get(), &metrics)) textHeight = metrics.tmHeight;
  }
  SendMessageW(choiceListWindow, LB_SETITEMHEIGHT, 0, rowHeight);

  refusalTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_BALLOON,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, instance,
                               nullptr);
  if (refusalTip) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(editBoxWindow);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(refusalTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(refusalTip, TTM_SETMAXTIPWIDTH, 0, scale(280));
  }
}

KVPropertyRow* KVPropertyGrid::editedRow() const {
  if (!editing || editing.row >= static_cast<int>(editing.group->rows.size())) return nullptr;
  return &editing.group->rows[static_cast<std::size_t>(editing.row)];
}

void KVPropertyGrid::select(Group& group, int row) {
  if (activeGroup == &group && group.selectedRow == row) {
    openEditor();
    return;
  }
  commit();
  hideEditors();
  if (activeGroup && activeGroup->selectedRow >= 0) {
    repaintRow(*activeGroup, activeGroup->selectedRow);
    activeGroup->selectedRow = -1;
  }
  activeGroup = &group;
  group.selectedRow = row;
  repaintRow(group, row);

  // Keep the row in sight: the client area scrolls until the row is in it.
  RECT rowArea = rowRect(group, row);
  MapWindowPoints(group.panel, window, reinterpret_cast<POINT*>(&rowArea), 2);
  RECT client = {};
  GetClientRect(window, &client);
  int by = 0;
  if (rowArea.top < 0) by = rowArea.top;
  if (rowArea.bottom > client.bottom) by = rowArea.bottom - client.bottom;
  if (by != 0) {
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_POS;
    GetScrollInfo(window, SB_VERT, &info);
    const int before = info.nPos;
    info.nPos += by;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    GetScrollInfo(window, SB_VERT, &info);
    ScrollWindow(window, 0, before - info.nPos, nullptr, nullptr);
    UpdateWindow(window);
  }
  openEditor();
}

void KVPropertyGrid::openEditor() {
  if (!activeGroup || activeGroup->selectedRow < 0) return;
  hideEditors();
  const KVPropertyRow& row = activeGroup->rows[static_cast<std::size_t>(activeGroup->selectedRow)];
  if (!row.enabled) {
    // Nothing to edit; the panel keeps the keyboard so that Tab goes on.
    SetFocus(activeGroup->panel);
    return;
  }
  editing = {activeGroup, activeGroup->selectedRow};
  placeEditors();
  if (row.editor == KVRowEditor::Text) {
    SetText(editBoxWindow, row.value);
    lastGoodText = row.value;
    CaretToEnd(editBoxWindow);
    SetWindowPos(editBoxWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetFocus(editBoxWindow);
  } else {
    SetWindowPos(choiceButtonWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetFocus(choiceButtonWindow);
  }
}

// The open editor over its row: the text box over the value cell, the button at the row's
// right end.
void KVPropertyGrid::placeEditors() {
  if (!editing) return;
  RECT area = rowRect(*editing.group, editing.row);
  MapWindowPoints(editing.group->panel, window, reinterpret_cast<POINT*>(&area), 2);
  // The box's text sits on the same line as the value drawn in the cell.
  const int drop = textHeight > 0 && textHeight < rowHeight ? (rowHeight - textHeight) / 2 : 0;
  SetWindowPos(editBoxWindow, nullptr, area.left + nameColumnWidth + 2, area.top + drop, valueWidth - 1,
               rowHeight - 1 - drop, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(choiceButtonWindow, nullptr, area.left + panelWidth - scale(17), area.top - 1, scale(17), scale(15),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void KVPropertyGrid::hideEditors() {
  editing = {};
  suppressCommit = true;
  if (choiceListWindow) ShowWindow(choiceListWindow, SW_HIDE);
  if (editBoxWindow) ShowWindow(editBoxWindow, SW_HIDE);
  if (choiceButtonWindow) ShowWindow(choiceButtonWindow, SW_HIDE);
  suppressCommit = false;
  hideRefusal();
}

void KVPropertyGrid::dropEdit() { hideEditors(); }

bool KVPropertyGrid::commit() {
  KVPropertyRow* row = editedRow();
  if (!row || !row->enabled || row->editor != KVRowEditor::Text || !shownRecord) return false;
  const std::string value = getWindowText(editBoxWindow);
  const std::string reason = kvproperties::CommitRefusal(*shownRecord, row->label, value);
  if (!reason.empty()) {
    SetText(editBoxWindow, row->value);
    lastGoodText = row->value;
    CaretToEnd(editBoxWindow);
    showRefusal(reason);
    return false;
  }
  return commitValue(*editing.group, editing.row, value);
}

bool KVPropertyGrid::commitValue(Group& group, int rowIndex, const std::string& value) {
  KVPropertyRow& row = group.rows[static_cast<std::size_t>(rowIndex)];
  if (value == row.value || !shownRecord) return false;
  row.value = value;
  KVControlRecord* record = shownRecord;
  kvproperties::Set(*record, row.label, value);
  if (row.label == "Caption") {
    HWND shows = static_cast<HWND>(record->platformWindow);
    if (record->kind == "Window" && currentDesigner) shows = currentDesigner->designWindowHandle();
    if (shows) SetText(shows, record->caption);
  }
  if (currentDesigner) currentDesigner->applyRecord(record);
  // A change can show elsewhere: Multiline greys two rows, a font sets a combo box's height.
  if (shownRecord == record) updateValues(*record);
  repaintRow(group, rowIndex);
  return true;
}

void KVPropertyGrid::moveRow(bool forward) {
  if (!activeGroup || activeGroup->selectedRow < 0) {
    PostMessageW(window, WM_APP + 1, 0, 0);
    return;
  }
  commit();
  int index = groupIndex(*activeGroup);
  int row = activeGroup->selectedRow + (forward ? 1 : -1);
  Group* target = activeGroup;
  while (row < 0 || row >= static_cast<int>(target->rows.size())) {
    index += forward ? 1 : -1;
    if (index < 0 || index >= static_cast<int>(groups.size())) {
      openEditor();  // the first or last row keeps its editor
      return;
    }
    target = groups[static_cast<std::size_t>(index)].get();
    row = forward ? 0 : static_cast<int>(target->rows.size()) - 1;
  }
  if (!target->expanded) toggleGroup(*target);
  select(*target, row);
}

void KVPropertyGrid::toggleList() {
  if (IsWindowVisible(choiceListWindow)) {
    closeList(false);
    return;
  }
  const KVPropertyRow* row = editedRow();
  if (!row || row->editor != KVRowEditor::Choice) return;
  SendMessageW(choiceListWindow, LB_RESETCONTENT, 0, 0);
  int current = -1;
  for (std::size_t i = 0; i < row->choices.size(); ++i) {
    SendMessageW(choiceListWindow, LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(kvtext::Utf8ToWide(row->choices[i]).c_str()));
    if (row->choices[i] == row->value) current = static_cast<int>(i);
  }
  SendMessageW(choiceListWindow, LB_SETCURSEL, static_cast<WPARAM>(current < 0 ? 0 : current), 0);
  RECT button = {};
  GetWindowRect(choiceButtonWindow, &button);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&button), 2);
  const int height = static_cast<int>(row->choices.size()) * rowHeight + 2;
  // Under the button, or above it when the grid has no room below.
  RECT client = {};
  GetClientRect(window, &client);
  const int top = button.bottom + height > client.bottom && button.top - height >= 0 ? button.top - height
                                                                                    : button.bottom;
  SetWindowPos(choiceListWindow, HWND_TOP, button.right - valueWidth, top, valueWidth, height, SWP_SHOWWINDOW);
  suppressCommit = true;
  SetFocus(choiceListWindow);
  suppressCommit = false;
}

void KVPropertyGrid::closeList(bool commitChoice) {
  if (!choiceListWindow || !IsWindowVisible(choiceListWindow)) return;
  const LRESULT chosen = SendMessageW(choiceListWindow, LB_GETCURSEL, 0, 0);
  const bool listHadFocus = GetFocus() == choiceListWindow;
  suppressCommit = true;
  ShowWindow(choiceListWindow, SW_HIDE);
  if (listHadFocus && IsWindowVisible(choiceButtonWindow)) SetFocus(choiceButtonWindow);
  suppressCommit = false;
  KVPropertyRow* row = editedRow();
  if (!commitChoice || !row || chosen < 0 || chosen >= static_cast<LRESULT>(row->choices.size())) return;
  const std::string value = row->choices[static_cast<std::size_t>(chosen)];
  Group& group = *editing.group;
  const int index = editing.row;
  if (row->label == kvproperties::kFontLabel && value == kvproperties::kChooseFont) {
    chooseFont(group, index);
  } else {
    commitValue(group, index, value);
  }
}

void KVPropertyGrid::onEditChange() {
  KVPropertyRow* row = editedRow();
  if (refusing || !row || !shownRecord) return;
  const std::string text = getWindowText(editBoxWindow);
  const std::string reason = kvproperties::Refusal(*shownRecord, row->label, text);
  if (reason.empty()) {
    lastGoodText = text;
    hideRefusal();
    return;
  }
  // Put back the text before the keystroke or paste, with the caret where it was.
  DWORD caret = 0;
  SendMessageW(editBoxWindow, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
  const int grown = GetWindowTextLengthW(editBoxWindow) - static_cast<int>(kvtext::Utf8ToWide(lastGoodText).size());
  const int at = static_cast<int>(caret) - (grown > 0 ? grown : 0);
  refusing = true;
  SetText(editBoxWindow, lastGoodText);
  SendMessageW(editBoxWindow, EM_SETSEL, static_cast<WPARAM>(at < 0 ? 0 : at), at < 0 ? 0 : at);
  refusing = false;
  MessageBeep(MB_ICONWARNING);
  showRefusal(reason);
}

void KVPropertyGrid::onEditKey(WPARAM key) {
  KVPropertyRow* row = editedRow();
  switch (key) {
    case VK_RETURN:
      commit();
      CaretToEnd(editBoxWindow);
      break;
    case VK_ESCAPE:
      if (row && getWindowText(editBoxWindow) != row->value) {
        SetText(editBoxWindow, row->value);
        lastGoodText = row->value;
        CaretToEnd(editBoxWindow);
        hideRefusal();
      } else if (owner) {
        // A second Escape gives the keyboard back to the document.
        SetActiveWindow(owner);
      }
      break;
    case VK_TAB: moveRow(!ShiftHeld()); break;
    case VK_DOWN: moveRow(true); break;
    case VK_UP: moveRow(false); break;
    default: break;
  }
}

bool KVPropertyGrid::onChoiceKey(WPARAM key, bool system) {
  if (system) {
    if (key != VK_DOWN && key != VK_UP) return false;
    toggleList();
    return true;
  }
  switch (key) {
    case VK_F4:
    case VK_RETURN:
    case VK_SPACE: toggleList(); return true;
    case VK_TAB: moveRow(!ShiftHeld()); return true;
    case VK_DOWN: moveRow(true); return true;
    case VK_UP: moveRow(false); return true;
    case VK_ESCAPE:
      if (owner) SetActiveWindow(owner);
      return true;
    default: return false;
  }
}

void KVPropertyGrid::chooseFont(Group& group, int rowIndex) {
  KVPropertyRow& row = group.rows[static_cast<std::size_t>(rowIndex)];
  if (!shownRecord) return;
  KVControlRecord* record = shownRecord;
  LOGFONTW chosen = {};
  CHOOSEFONTW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = window;
  dialog.lpLogFont = &chosen;
  dialog.Flags = CF_SCREENFONTS | CF_FORCEFONTEXIST;
  KVLogFont current;
  if (record->fontLabel != kvproperties::kDefaultFont && KVLogFont::Parse(record->fontData, current)) {
    chosen = kvdesigner::ToSystemLogFont(current);
    dialog.Flags |= CF_INITTOLOGFONTSTRUCT;
  }
  if (owner) EnableWindow(owner, FALSE);
  const BOOL ok = ChooseFontW(&dialog);
  if (owner) EnableWindow(owner, TRUE);
  const KVLogFont font = kvdesigner::FromSystemLogFont(chosen);
  const bool storable = ok && shownRecord == record && FontStorable(*record, font, dialog.iPointSize);
  if (!storable) {
    row.value = record->fontLabel;
    repaintRow(group, rowIndex);
    if (ok && shownRecord == record) {
      MessageBoxW(window, L"The chosen font cannot be stored in the dialog window file: its name or the control's "
                          L"line would be too long or hold a double quote.",
                  L"Properties", MB_OK | MB_ICONERROR);
    }
    return;
  }
  kvproperties::SetChosenFont(*record, font, dialog.iPointSize);
  row.value = record->fontLabel;
  if (currentDesigner) currentDesigner->applyRecord(record);
  if (shownRecord == record) updateValues(*record);
  repaintRow(group, rowIndex);
}

void KVPropertyGrid::showRefusal(const std::string& reason) {
  shownRefusal = reason;
  if (!refusalTip) return;
  const kvtext::WideString text = kvtext::Utf8ToWide(reason);
  TOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(editBoxWindow);
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(refusalTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  RECT box = {};
  GetWindowRect(editBoxWindow, &box);
  SendMessageW(refusalTip, TTM_TRACKPOSITION, 0, MAKELPARAM(box.left + scale(8), box.bottom));
  SendMessageW(refusalTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void KVPropertyGrid::hideRefusal() {
  if (shownRefusal.empty()) return;
  shownRefusal.clear();
  if (!refusalTip) return;
  TOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(editBoxWindow);
  SendMessageW(refusalTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK KVPropertyGrid::EditorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR self) {
  auto* grid = reinterpret_cast<KVPropertyGrid*>(self);
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, message, wParam, lParam);
    case WM_CHAR:
      // Tab, Enter and Escape act as keys; as characters they would only beep.
      if (wParam == '\t' || wParam == '\r' || wParam == 27 || id == kChoiceButtonId) return 0;
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      const bool system = message == WM_SYSKEYDOWN;
      if (id == kEditBoxId && !system &&
          (wParam == VK_RETURN || wParam == VK_ESCAPE || wParam == VK_TAB || wParam == VK_UP || wParam == VK_DOWN)) {
        grid->onEditKey(wParam);
        return 0;
      }
      if (id == kChoiceButtonId && grid->onChoiceKey(wParam, system)) return 0;
      if (id == kChoiceListId && !system) {
        switch (wParam) {
          case VK_RETURN: grid->closeList(true); return 0;
          case VK_ESCAPE:
          case VK_F4: grid->closeList(false); return 0;
          case VK_TAB:
            grid->closeList(true);
            grid->moveRow(!ShiftHeld());
            return 0;
          default: break;
        }
      }
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (id == kChoiceButtonId) {
        // The combo box is only the drop-down button; the list is the grid's own.
        grid->toggleList();
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      if (id == kChoiceListId) {
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        grid->closeList(true);
        return result;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, EditorProc, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}
