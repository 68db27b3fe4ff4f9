// The frame's toolbar, status bar, menu states and command routing.
#include "app/frame/FrameWindow.h"
#include "app/commands/ProjectCommands.h"

#include <shellapi.h>
#include <Scintilla.h>

#include "build/Builder.h"
#include "common/Text.h"
#include "designer/PropertyGrid.h"
#include "editing/TabControl.h"
#include "project/ProjectTree.h"
#include "resources/ResourceIds.h"

namespace {

struct ButtonSpec {
  int image;
  int command;
  const wchar_t* text;
  BYTE style;
};

constexpr int kTargetButtonPosition = 12;
constexpr int kToolbarImageCount = 12;
constexpr int kToolbarImageSize = 24;

constexpr ButtonSpec kButtons[] = {
    {0, IDM_NEW_SOURCE_FILE, L"New Source File", BTNS_AUTOSIZE},
    {1, IDM_OPEN_SOURCE_FILE, L"Open Source File", BTNS_AUTOSIZE},
    {2, IDM_SAVE, L"Save (Ctrl+S)", BTNS_AUTOSIZE},
    {3, IDM_SAVE_ALL, L"Save All", BTNS_AUTOSIZE},
    {0, 0, L"", BTNS_SEP},
    {4, IDM_UNDO, L"Undo (Ctrl+Z)", BTNS_AUTOSIZE},
    {5, IDM_REDO, L"Redo (Ctrl+Y)", BTNS_AUTOSIZE},
    {6, IDM_CUT, L"Cut (Ctrl+X)", BTNS_AUTOSIZE},
    {7, IDM_COPY, L"Copy (Ctrl+C)", BTNS_AUTOSIZE},
    {8, IDM_PASTE, L"Paste (Ctrl+V)", BTNS_AUTOSIZE},
    {9, IDM_DELETE, L"Delete (Del)", BTNS_AUTOSIZE},
    {0, 0, L"", BTNS_SEP},
    // Sized to its text, which changes with the target.
    {I_IMAGENONE, IDC_TARGET_SELECTOR, L"JS Engine", BTNS_SHOWTEXT | BTNS_WHOLEDROPDOWN | BTNS_AUTOSIZE},
    {10, IDM_BUILD, L"Build (F7)", BTNS_AUTOSIZE},
    {11, IDM_RUN, L"Run (F5)", BTNS_AUTOSIZE},
};

HIMAGELIST LoadToolbarImages(HINSTANCE instance, int bitmapId) {
  HIMAGELIST list = ImageList_Create(kToolbarImageSize, kToolbarImageSize, ILC_COLOR32, kToolbarImageCount, 1);
  const auto bitmap = static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (list && bitmap) ImageList_Add(list, bitmap, nullptr);
  if (bitmap) DeleteObject(bitmap);
  return list;
}

}  // namespace

void KVFrameWindow::createStatusBar() {
  statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                              window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)), instance, nullptr);
}

void KVFrameWindow::createToolbar() {
  toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_CHILD | CCS_NODIVIDER | TBSTYLE_TOOLTIPS | TBSTYLE_LIST,
                            0, 0, 0, 0, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolbarId)),
                            instance, nullptr);
  SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  SetWindowLongPtrW(toolbar, GWL_STYLE, GetWindowLongPtrW(toolbar, GWL_STYLE) | TBSTYLE_FLAT);
  toolbarImages.reset(LoadToolbarImages(instance, IDB_TOOLBAR));
  toolbarDisabledImages.reset(LoadToolbarImages(instance, IDB_TOOLBAR_DISABLED));
  SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages.get()));
  SendMessageW(toolbar, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages.get()));
  SendMessageW(toolbar, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarDisabledImages.get()));
  SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);

  TBBUTTON buttons[std::size(kButtons)] = {};
  for (std::size_t i = 0; i < std::size(kButtons); ++i) {
    buttons[i].iBitmap = kButtons[i].image;
    buttons[i].idCommand = kButtons[i].command;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = kButtons[i].style;
    buttons[i].iString = reinterpret_cast<INT_PTR>(kButtons[i].text);
  }
  SendMessageW(toolbar, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
  SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
  ShowWindow(toolbar, SW_SHOW);

  RECT bar;
  GetWindowRect(toolbar, &bar);
  toolbarHeight = bar.bottom - bar.top;
  setStatusParts();
}

void KVFrameWindow::setStatusParts() {
  RECT client;
  GetClientRect(statusBar, &client);
  const int edges[3] = {client.right - 250, client.right - 150, client.right - 50};
  SendMessageW(statusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
}

void KVFrameWindow::setStatusText(int part, const std::string& text) {
  SendMessageW(statusBar, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(kvtext::Utf8ToWide(text).c_str()));
}

void KVFrameWindow::updateStatusBar() {
  if (!activeDocument || !activeDocument->editor) return;
  const HWND editor = activeDocument->editor->editorWindow;
  const LRESULT end = SendMessageW(editor, SCI_GETSELECTIONEND, 0, 0);
  const LRESULT line = SendMessageW(editor, SCI_LINEFROMPOSITION, end, 0);
  const LRESULT column = SendMessageW(editor, SCI_GETCOLUMN, end, 0);
  setStatusText(1, "Line " + std::to_string(line + 1));
  setStatusText(2, "Col " + std::to_string(column + 1));
}

void KVFrameWindow::setCommandState(int id, bool enabled) {
  MENUITEMINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STATE;
  info.fState = enabled ? MFS_ENABLED : MFS_GRAYED;
  SetMenuItemInfoW(GetMenu(window), id, FALSE, &info);
  SendMessageW(toolbar, TB_SETSTATE, id, enabled ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE);
}

void KVFrameWindow::setTargetButtonText(const std::string& text) {
  const kvtext::WideString wide = kvtext::Utf8ToWide(text);
  TBBUTTONINFOW info = {};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_TEXT;
  info.pszText = const_cast<wchar_t*>(wide.c_str());
  SendMessageW(toolbar, TB_SETBUTTONINFOW, IDC_TARGET_SELECTOR, reinterpret_cast<LPARAM>(&info));
  SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
}

void KVFrameWindow::updateCommandStates() {
  if (!window) return;
  const bool open = projectOpen();
  const int target = project ? project->Target() : 0;
  if (toolbar) setTargetButtonText(kvframe::TargetName(target));
  const int kind = activeDocument ? activeDocument->kind() : kvframe::kNoDocument;
  for (const kvframe::CommandState& state : kvframe::CommandStates(open, target, kind)) {
    setCommandState(state.id, state.enabled);
  }
  rebuildRecentProjectsMenu();
  DrawMenuBar(window);
}

void KVFrameWindow::rebuildRecentProjectsMenu() {
  constexpr int kRecentPosition = 5;
  const HMENU fileMenu = GetSubMenu(GetMenu(window), 0);
  if (!fileMenu) return;
  DeleteMenu(fileMenu, kRecentPosition, MF_BYPOSITION);
  const HMENU recent = CreatePopupMenu();
  for (int n = 1; n <= settings.recentCount(); ++n) {
    const std::string text = kvframe::RecentProjectMenuText(n, settings.recentProjects[n - 1]);
    AppendMenuW(recent, MF_STRING, IDM_RECENT_PLACEHOLDER + n, kvtext::Utf8ToWide(text).c_str());
  }
  InsertMenuW(fileMenu, kRecentPosition, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(recent),
              L"&Recent Projects");
}

LRESULT KVFrameWindow::onCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (code > 1) return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
  switch (id) {
    case IDM_ABOUT: break;  // the About box comes with its own dialog
    case IDM_EXIT: closeFrame(); break;
    case IDM_BUILD: build(); break;
    case IDM_RUN: runProject(); break;
    case IDM_NEW_PROJECT: commands->newProject(); break;
    case IDM_NEW_SOURCE_FILE: commands->newSourceFile(); break;
    case IDM_NEW_DIALOG_WINDOW: commands->newDialogWindow(); break;
    case IDM_OPEN_PROJECT: commands->openProjectCommand(); break;
    case IDM_OPEN_SOURCE_FILE: commands->openSourceFile(); break;
    case IDM_OPEN_DIALOG_WINDOW: commands->openDialogWindow(); break;
    case IDM_SAVE:
      if (activeDocument) saveDocument(activeDocument);
      break;
    case IDM_SAVE_ALL: saveAll(); break;
    case IDM_UNDO: case IDM_REDO: case IDM_CUT: case IDM_COPY: case IDM_PASTE: case IDM_DELETE:
      runEditCommand(id);
      break;
    case IDM_PREVIOUS_TAB: cycleTabs(false); break;
    case IDM_NEXT_TAB: cycleTabs(true); break;
    case IDM_CLOSE_DOCUMENT:
      if (activeDocument) closeDocument(activeDocument);
      break;
    case IDM_FIND_REPLACE: case IDM_FIND_NEXT: case IDM_FIND_PREVIOUS: case IDM_FIND_IN_FILES:
      break;  // the search commands
    case IDM_OPEN_FILE_LOCATION: openFileLocation(); break;
    default:
      if (id >= IDM_RECENT_FIRST && id <= IDM_RECENT_LAST) {
        commands->openRecent(id - IDM_RECENT_PLACEHOLDER);
        break;
      }
      return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
  }
  return 0;
}

bool KVFrameWindow::runEditCommand(int id) {
  if (!activeDocument || !activeDocument->editor) return false;
  KVEditorBase& editor = *activeDocument->editor;
  switch (id) {
    case IDM_UNDO: editor.undo(); break;
    case IDM_REDO: editor.redo(); break;
    case IDM_CUT: editor.cut(); break;
    case IDM_COPY: editor.copy(); break;
    case IDM_PASTE: editor.paste(); break;
    case IDM_DELETE: editor.deleteSelection(); break;
    default: return false;
  }
  return true;
}

void KVFrameWindow::build() {
  if (!projectOpen()) return;
  const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  saveAll();
  project->Save(tabs->stateText(), projectTree->LayoutFragment());
  // Silent: what the build wrote to the project folder is its only result.
  kvbuild::KVBuilder(*project, project->IdeExecutablePath()).Build(project->Target());
  SetCursor(previous);
}

namespace {

// No owner window and no working folder: a started program inherits the IDE's current folder.
// Failures (a project never built) are silent.
void ShellOpen(const wchar_t* verb, const std::string& path) {
  const kvtext::WideString file = kvtext::Utf8ToWide(path);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = verb;
  info.lpFile = file.c_str();
  info.lpParameters = L"";
  info.nShow = SW_SHOWNORMAL;
  ShellExecuteExW(&info);
}

}  // namespace

void KVFrameWindow::runProject() {
  if (projectOpen()) ShellOpen(nullptr, project->Folder() + project->ExeName());
}

void KVFrameWindow::openFileLocation() {
  if (projectOpen()) ShellOpen(L"open", project->Folder());
}

void KVFrameWindow::cycleTabs(bool forward) {
  const auto& list = tabs->tabList();
  if (list.size() < 2) return;
  std::size_t selected = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].selected) selected = i;
  }
  const std::size_t next = forward ? (selected + 1) % list.size() : (selected + list.size() - 1) % list.size();
  openDocument(list[next].record, -1, -1);
}

LRESULT KVFrameWindow::onNotify(const NMHDR* header) {
  if (!header) return 0;
  KVEditorBase* editor = activeDocument ? activeDocument->editor.get() : nullptr;
  switch (header->code) {
    case TBN_DROPDOWN:
      if (header->hwndFrom == toolbar) onTargetDropDown();
      break;
    case SCN_SAVEPOINTREACHED:
      if (editor && editor->editorWindow == header->hwndFrom && editor->modified) {
        editor->modified = 0;
        tabs->repaintTab(activeDocument->tabId);
      }
      break;
    case SCN_SAVEPOINTLEFT:
      // Only the active editor's own component speaks for it: the output pane's component
      // and editors still loading leave their save point too.
      if (editor && editor->editorWindow == header->hwndFrom && !editor->modified) {
        editor->modified = 1;
        tabs->repaintTab(activeDocument->tabId);
      }
      break;
    case SCN_UPDATEUI:
    case SCN_FOCUSIN:
      if (activeDocument && activeDocument->kind() == 0) updateStatusBar();
      break;
    default:
      break;
  }
  return 0;
}

void KVFrameWindow::onTargetDropDown() {
  const HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 3, L"Windows 32");
  AppendMenuW(menu, MF_STRING, 1, L"Windows 64");
  AppendMenuW(menu, MF_STRING, 2, L"macOS");
  RECT button = {};
  SendMessageW(toolbar, TB_GETITEMRECT, kTargetButtonPosition, reinterpret_cast<LPARAM>(&button));
  POINT at = {button.left + 1, button.bottom - 2};
  ClientToScreen(toolbar, &at);
  const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, window, nullptr);
  DestroyMenu(menu);
  if (chosen != 0) selectTarget(chosen);
}

void KVFrameWindow::selectTarget(int target) {
  if (!project) return;
  project->SetTarget(target);
  setTargetButtonText(kvframe::TargetName(target));
  updateCommandStates();
}
