// The frame's status bar, menu and toolbar states, and command routing.
#include "app/frame/FrameWindow.h"

#include <shellapi.h>
#include <Scintilla.h>

#include <chrono>
#include <cstdio>

#include "app/about/About.h"
#include "app/commands/ProjectCommands.h"
#include "app/frame/BuildLog.h"
#include "app/frame/FrameToolbar.h"
#include "build/Builder.h"
#include "common/Text.h"
#include "designer/PropertyGrid.h"
#include "editing/OutputPane.h"
#include "editing/TabControl.h"
#include "platform/Platform.h"
#include "project/ProjectTree.h"
#include "project/ProjectViewState.h"
#include "resources/ResourceIds.h"

void KVFrameWindow::setStatusParts() {
  RECT client;
  GetClientRect(statusBarWindow, &client);
  const int edges[3] = {client.right - 250, client.right - 150, client.right - 50};
  SendMessageW(statusBarWindow, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
}

void KVFrameWindow::setStatusText(int part, const std::string& text) {
  SendMessageW(statusBarWindow, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(kvtext::Utf8ToWide(text).c_str()));
}

// What the user can do next, in the status bar's first part.
void KVFrameWindow::showIdleHint() {
  setStatusText(0, projectOpen() ? "Ready" : "No project open: File > New > Project (Ctrl+N) or Open (Ctrl+O).");
}

// The caret of the active source editor; other editors write their own texts.
void KVFrameWindow::updateStatusBar() {
  if (!active || !active->editor || !active->isText()) return;
  const std::optional<KVEditorBase::Caret> caret = active->editor->caret();
  if (!caret) return;
  setStatusText(1, "Line " + std::to_string(caret->line + 1));
  setStatusText(2, "Col " + std::to_string(caret->column + 1));
}

void KVFrameWindow::setCommandState(int id, bool enabled) {
  MENUITEMINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STATE;
  info.fState = enabled ? MFS_ENABLED : MFS_GRAYED;
  SetMenuItemInfoW(GetMenu(window), id, FALSE, &info);
  frameToolbar->setState(id, enabled);
}

void KVFrameWindow::updateCommandStates() {
  if (!window || !frameToolbar) return;
  const bool open = projectOpen();
  const std::int32_t target = projectModel ? projectModel->Target() : 0;
  frameToolbar->setTargetText(TargetDisplayName(target));
  const std::optional<ProjectItemType> kind = active ? std::optional(active->kind()) : std::nullopt;
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
  kvwin::Menu recent(CreatePopupMenu());
  // The command ids after the tenth belong to other commands.
  const int shown = std::min(ideSettings.recentCount(), kvframe::kRecentMenuLimit);
  for (int n = 1; n <= shown; ++n) {
    const std::string text = kvframe::RecentProjectMenuText(n, ideSettings.recentProjects[n - 1]);
    AppendMenuW(recent.get(), MF_STRING, IDM_RECENT_PLACEHOLDER + n, kvtext::Utf8ToWide(text).c_str());
  }
  const UINT state = shown == 0 ? MF_GRAYED : MF_ENABLED;
  if (InsertMenuW(fileMenu, kRecentPosition, MF_BYPOSITION | MF_POPUP | state,
                  reinterpret_cast<UINT_PTR>(recent.get()), L"&Recent Projects")) {
    recent.release();
  }
}

LRESULT KVFrameWindow::onCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (code > 1) return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
  switch (id) {
    case IDM_ABOUT: KVAbout::Show(window); break;
    case IDM_EXIT: closeFrame(); break;
    case IDM_BUILD: build(); break;
    case IDM_RUN: runProject(); break;
    case IDM_NEW_PROJECT: projectCommands->newProject(); break;
    case IDM_NEW_SOURCE_FILE: projectCommands->newSourceFile(); break;
    case IDM_NEW_DIALOG_WINDOW: projectCommands->newDialogWindow(); break;
    case IDM_OPEN_PROJECT: projectCommands->openProjectCommand(); break;
    case IDM_OPEN_SOURCE_FILE: projectCommands->openSourceFile(); break;
    case IDM_OPEN_DIALOG_WINDOW: projectCommands->openDialogWindow(); break;
    case IDM_SAVE: saveActiveDocument(); break;
    case IDM_SAVE_ALL: saveAll(); break;
    case IDM_UNDO: case IDM_REDO: case IDM_CUT: case IDM_COPY: case IDM_PASTE: case IDM_DELETE:
      runEditCommand(id);
      break;
    case IDM_PREVIOUS_TAB: cycleTabs(false); break;
    case IDM_NEXT_TAB: cycleTabs(true); break;
    case IDM_CLOSE_DOCUMENT:
      if (active) closeDocument(active);
      break;
    case IDM_FIND_REPLACE: showFindPanel(); break;
    case IDM_FIND_NEXT: findAgain(true); break;
    case IDM_FIND_PREVIOUS: findAgain(false); break;
    case IDM_FIND_IN_FILES: findInFiles(); break;
    case IDM_OPEN_FILE_LOCATION: openFileLocation(); break;
    default:
      if (id >= IDM_RECENT_FIRST && id < IDM_RECENT_FIRST + kvframe::kRecentMenuLimit) {
        projectCommands->openRecent(id - IDM_RECENT_PLACEHOLDER);
        break;
      }
      return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
  }
  return 0;
}

bool KVFrameWindow::runEditCommand(int id) {
  if (!active || !active->editor) return false;
  KVEditorBase& editor = *active->editor;
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

namespace {

std::string Seconds(std::chrono::steady_clock::duration elapsed) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f s", std::chrono::duration<double>(elapsed).count());
  return text;
}

}  // namespace

// The build itself is silent; what it did goes to the output pane, success to the status bar,
// and a failure, which would otherwise look like success, to a message naming the step.
void KVFrameWindow::build() {
  if (!projectOpen()) return;
  const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const auto started = std::chrono::steady_clock::now();
  // A document that cannot be saved has said why; building the old file would hide that.
  if (!saveAll()) {
    SetCursor(previous);
    return;
  }
  projectModel->Save(TabsFragment(tabsToSave()), LayoutFragment(tree->layout()));
  kvframe::BuildLog log;
  const std::int32_t target = projectModel->Target();
  const bool built = kvbuild::KVBuilder(*projectModel, projectModel->IdeExecutablePath(), &log).Build(target);
  SetCursor(previous);
  const std::string elapsed = Seconds(std::chrono::steady_clock::now() - started);
  outputPane->clear();
  outputPane->append(log.lines());
  const std::string summary = projectModel->ExeName() + " (" + TargetDisplayName(target) + "), " + elapsed;
  if (built && !log.failed()) {
    setStatusText(0, "Build succeeded: " + summary);
    return;
  }
  outputPane->show();
  const std::string failure = log.failed() ? log.failureText() : "Build failed.";
  setStatusText(0, failure);
  message(failure, MB_OK | MB_ICONERROR);
}

namespace {

// No owner window and no working folder: a started program inherits the IDE's current folder.
bool ShellOpen(const wchar_t* verb, const std::string& path) {
  const kvtext::WideString file = kvtext::Utf8ToWide(path);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = verb;
  info.lpFile = file.c_str();
  info.lpParameters = L"";
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != FALSE;
}

}  // namespace

// Run starts only what a build would have written: a file of the project folder.
void KVFrameWindow::runProject() {
  if (!projectOpen()) return;
  const std::string exeName = projectModel->ExeName();
  const std::string path = projectModel->Folder() + exeName;
  const std::string refusal = kvframe::RunRefusal(exeName, IsSafeFileName(exeName) && kvplatform::CanRead(path));
  if (!refusal.empty()) {
    message(refusal, MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (!ShellOpen(nullptr, path)) message(path + " could not be started.", MB_OK | MB_ICONERROR);
}

void KVFrameWindow::openFileLocation() {
  if (projectOpen()) ShellOpen(L"open", projectModel->Folder());
}

void KVFrameWindow::cycleTabs(bool forward) {
  if (DocumentRecord* next = tabStrip->neighbourOfSelected(forward)) openDocument(next, -1, -1);
}

LRESULT KVFrameWindow::onNotify(const NMHDR* header) {
  if (!header) return 0;
  KVEditorBase* editor = active ? active->editor.get() : nullptr;
  if (editor && editor->editorWindow == header->hwndFrom) editor->notified(*header);
  switch (header->code) {
    case TBN_DROPDOWN:
      if (header->hwndFrom == toolbar()) onTargetDropDown();
      break;
    case SCN_SAVEPOINTREACHED:
      if (editor && editor->editorWindow == header->hwndFrom && editor->modified) {
        editor->modified = 0;
        tabStrip->repaintTab(active->tabId);
      }
      break;
    case SCN_SAVEPOINTLEFT:
      // Only the active editor's own component speaks for it: the output pane's component
      // and editors still loading leave their save point too.
      if (editor && editor->editorWindow == header->hwndFrom && !editor->modified) {
        editor->modified = 1;
        tabStrip->repaintTab(active->tabId);
      }
      break;
    case SCN_UPDATEUI:
    case SCN_FOCUSIN:
      if (editor && editor->editorWindow == header->hwndFrom) updateStatusBar();
      break;
    default:
      break;
  }
  return 0;
}

void KVFrameWindow::onTargetDropDown() {
  if (!projectModel) return;
  const int chosen = frameToolbar->chooseTarget(window, projectModel->Target());
  if (chosen != 0) selectTarget(static_cast<BuildTarget>(chosen));
}

void KVFrameWindow::selectTarget(BuildTarget target) {
  if (!projectModel) return;
  projectModel->SetTarget(static_cast<std::int32_t>(target));
  updateCommandStates();
}
