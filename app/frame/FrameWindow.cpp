// Construction, creation, message dispatch, layout, painting and the close sequence of the frame.
#include "app/frame/FrameWindow.h"

#include <utility>

#include "app/commands/ProjectCommands.h"
#include "app/frame/EditorKinds.h"
#include "app/frame/FrameRules.h"
#include "app/frame/FrameToolbar.h"
#include "common/Text.h"
#include "designer/PropertyGrid.h"
#include "editing/OutputPane.h"
#include "editing/TabControl.h"
#include "platform/Platform.h"
#include "project/ProjectTree.h"
#include "search/FindReplacePanel.h"
#include "resources/ResourceIds.h"

KVFrameWindow::KVFrameWindow() : KVFrameWindow(kvplatform::DocumentsFolder()) {}

KVFrameWindow::KVFrameWindow(const std::string& documentsFolder)
    : projectCommands(std::make_unique<KVProjectCommands>(*this)), makeEditor([this](ProjectItemType kind) { return makeStandardEditor(kind); }) {
  className = "KVFrameWindow";
  ideSettings.load(documentsFolder);
  SetCurrentDirectoryW(kvtext::Utf8ToWide(ideSettings.projectsFolder).c_str());
}

KVFrameWindow::~KVFrameWindow() {
  // Editors' windows first: they are children of the frame and may already be gone.
  for (const auto& record : records) destroyEditor(record.get());
  records.clear();
  projectModel.reset();
}

std::unique_ptr<KVEditorBase> KVFrameWindow::makeStandardEditor(ProjectItemType kind) {
  return MakeEditor(kind, EditorServices{codeAssistance, *propertyGrid, *this});
}

HWND KVFrameWindow::toolbar() const { return frameToolbar ? frameToolbar->window() : nullptr; }

int KVFrameWindow::toolbarHeight() const { return frameToolbar ? frameToolbar->height() : 0; }

HWND KVFrameWindow::create(const std::string& title, int iconId, int menuId) {
  if (!registerClass(iconId, menuId)) return nullptr;
  projectModel = std::make_unique<KVProject>();
  const KVSettings::WindowPosition at = ideSettings.windowPosition();
  const HWND created =
      CreateWindowExW(0, kvtext::Utf8ToWide(className).c_str(), kvtext::Utf8ToWide(title).c_str(),
                      WS_OVERLAPPEDWINDOW, at.left, at.top, at.width, at.height, nullptr, nullptr, instance, this);
  if (created) updateCommandStates();
  return created;
}

void KVFrameWindow::showFirstTime(int showCommand) {
  const bool restoreMaximised = ideSettings.windowMaximized();
  const bool plain = showCommand == SW_SHOWNORMAL || showCommand == SW_SHOWDEFAULT || showCommand == SW_SHOW;
  ShowWindow(window, restoreMaximised && plain ? SW_SHOWMAXIMIZED : showCommand);
  UpdateWindow(window);
}

LRESULT KVFrameWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      onCreate();
      break;
    case WM_SIZE:
      onSize();
      break;
    case WM_PAINT:
      onPaint();
      return 0;
    case WM_COMMAND:
      return onCommand(wParam, lParam);
    case WM_NOTIFY:
      return onNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_ACTIVATE:
      onActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        closeFrame();
        return 0;
      }
      break;
    case WM_CLOSE:
      // Alt+F4 and the close box reach here through SC_CLOSE; a WM_CLOSE sent directly
      // takes the same way out.
      closeFrame();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 1;
    case KVEditorBase::kModifiedNotice:
      onDocumentModified(reinterpret_cast<const DocumentRecord*>(lParam));
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void KVFrameWindow::onCreate() {
  const int treeWidth = ideSettings.treeWidth();
  const int outputHeight = ideSettings.outputHeight();
  createStatusBar();
  frameToolbar = std::make_unique<KVFrameToolbar>();
  frameToolbar->create(window, instance, font, dpi);
  setStatusParts();
  createPanes(treeWidth, outputHeight);

  if (ideSettings.outputVisible()) outputPane->show();

  showIdleHint();
  // A last project that is gone is forgotten silently; one that cannot open says why.
  const std::string lastProject = ideSettings.lastProject();
  if (!lastProject.empty() && kvplatform::CanRead(lastProject)) openProject(lastProject);
}

void KVFrameWindow::createStatusBar() {
  statusBarWindow = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                    window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)), instance,
                                    nullptr);
}

void KVFrameWindow::createPanes(int treeWidth, int outputHeight) {
  const int toolbarSize = frameToolbar->height();
  RECT client;
  GetClientRect(window, &client);
  RECT status;
  GetWindowRect(statusBarWindow, &status);
  const int area = client.bottom - (status.bottom - status.top) - toolbarSize;
  const int right = client.right - treeWidth;

  tree = std::make_unique<KVProjectTree>(*this);
  tree->setProject(projectModel.get());
  tree->setRequests({[this](TreeCommand command) { runTreeCommand(command); },
                     [this](DocumentRecord* record) { return removeFromProject(record); },
                     [this](DocumentRecord* record) { tabStrip->repaintTab(record->tabId); }});
  tree->createPane(window, 0, toolbarSize, treeWidth, area);
  MoveWindow(tree->treeView(), 0, 0, treeWidth - 5, area, TRUE);

  tabStrip = std::make_unique<KVTabControl>(*this);
  tabStrip->createPane(window, treeWidth, toolbarSize, right);
  RECT strip;
  GetWindowRect(tabStrip->window, &strip);
  tabStripHeight = strip.bottom - strip.top;

  outputPane = std::make_unique<KVOutputDialog>(*this);
  outputPane->createPane(window, treeWidth, area - outputHeight, right, outputHeight);
  MoveWindow(outputPane->listControl(), 0, 5, right, outputHeight - 5, TRUE);
  outputPane->minimumTop = toolbarSize + 50;

  propertyGrid = std::make_unique<KVPropertyGrid>();
  propertyGrid->floatOver(window);
}

void KVFrameWindow::relayout() { PostMessageW(window, WM_SIZE, 0, 0); }

// Where every pane goes in the client area as it is now.
kvframe::FrameLayout KVFrameWindow::currentLayout() const {
  RECT client = {}, status = {}, treeRect = {};
  GetClientRect(window, &client);
  GetWindowRect(statusBarWindow, &status);
  GetWindowRect(tree->window, &treeRect);
  kvframe::LayoutInput in;
  in.clientWidth = client.right;
  in.clientHeight = client.bottom;
  in.statusHeight = status.bottom - status.top;
  in.toolbarHeight = frameToolbar->height();
  in.treeWidth = treeRect.right - treeRect.left;
  in.tabHeight = tabStripHeight;
  in.outputVisible = outputPane->visible;
  in.outputHeight = outputPane->height;
  in.outputHeaderHeight = scaled(KVOutputDialog::kHeaderHeight);
  return kvframe::ComputeLayout(in);
}

void KVFrameWindow::onSize() {
  if (!frameToolbar || !statusBarWindow || !tree) return;
  // A minimised frame has no client area: laying the panes out in it would shrink them to
  // nothing and store sizes nobody chose.
  if (IsIconic(window)) return;
  frameToolbar->autosize();
  SendMessageW(statusBarWindow, WM_SIZE, 0, 0);
  setStatusParts();

  const kvframe::FrameLayout layout = currentLayout();
  ideSettings.setTreeWidth(layout.tree.width);
  if (outputPane->visible) ideSettings.setOutputHeight(outputPane->height);

  const auto place = [](HWND hwnd, const kvframe::Rect& r) { MoveWindow(hwnd, r.x, r.y, r.width, r.height, TRUE); };
  place(tree->window, layout.tree);
  place(tree->treeView(), layout.treeView);
  tree->setMaximumWidth(layout.treeMaximumWidth);
  outputPane->height = layout.outputHeight;
  outputPane->width = layout.output.width;
  place(outputPane->window, layout.output);
  place(outputPane->listControl(), layout.outputList);
  place(tabStrip->window, layout.tabs);
  for (const auto& record : records) {
    if (record->editor && record->editor->editorWindow) place(record->editor->editorWindow, layout.editors);
  }
  repositionFindPanel();
  // The hint in an empty document area follows the area's middle.
  if (!active) InvalidateRect(window, nullptr, TRUE);
}

kvframe::Rect KVFrameWindow::editorArea() const { return currentLayout().editors; }

// The document area says what to do next while no document is shown.
void KVFrameWindow::onPaint() {
  const kvwin::PaintDc dc(window);
  if (active || !tree) return;
  const kvframe::Rect area = editorArea();
  RECT box = {area.x, area.y, area.x + area.width, area.y + area.height};
  const char* hint = projectOpen() ? "Double-click a file in the project tree to open it."
                                   : "Create a project with File > New > Project (Ctrl+N) or open one (Ctrl+O).";
  const kvtext::WideString text = kvtext::Utf8ToWide(hint);
  const kvwin::Selection selection(dc.get(), font);
  SetBkMode(dc.get(), TRANSPARENT);
  SetTextColor(dc.get(), GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &box,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void KVFrameWindow::closeFrame() {
  if (!closeProject()) return;
  storeWindowPlacement();
  ideSettings.setOutputVisible(outputPane && outputPane->visible);
  ideSettings.save();
  if (propertyGrid && propertyGrid->window) DestroyWindow(propertyGrid->window);
  DestroyWindow(window);
}

// The restored rectangle, whatever the show state: a frame closed minimised or maximised
// comes back where the user last had it as a normal window (and maximised again if it was).
void KVFrameWindow::storeWindowPlacement() {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  RECT frame = {};
  if (GetWindowPlacement(window, &placement)) {
    frame = placement.rcNormalPosition;
    // The normal position is in work-area coordinates; the settings hold screen ones.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromRect(&frame, MONITOR_DEFAULTTONEAREST), &monitor)) {
      OffsetRect(&frame, monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top);
    }
  } else {
    GetWindowRect(window, &frame);
  }
  ideSettings.setWindowPosition({frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top});
  ideSettings.setWindowMaximized(IsZoomed(window) ||
                                 (IsIconic(window) && (placement.flags & WPF_RESTORETOMAXIMIZED)));
}

// The focus comes back to the pane that had it when the frame was left, the project tree or
// the output pane; otherwise it goes to the active document.
void KVFrameWindow::onActivate(bool activated) {
  if (!activated) {
    const HWND focus = GetFocus();
    focusBeforeDeactivation = focus && IsChild(window, focus) ? focus : nullptr;
    return;
  }
  const HWND previous = std::exchange(focusBeforeDeactivation, nullptr);
  const auto within = [previous](HWND pane) { return pane && (previous == pane || IsChild(pane, previous)); };
  const bool inPane = previous && IsWindow(previous) && (within(tree ? tree->window : nullptr) ||
                                                         within(outputPane ? outputPane->window : nullptr));
  if (inPane && IsWindowVisible(previous) && IsWindowEnabled(previous)) {
    SetFocus(previous);
  } else if (active) {
    activateDocument(active, -1, -1);
  }
}

void KVFrameWindow::runTreeCommand(TreeCommand command) {
  switch (command) {
    case TreeCommand::NewSourceFile: projectCommands->newSourceFile(); break;
    case TreeCommand::OpenSourceFile: projectCommands->openSourceFile(); break;
    case TreeCommand::NewDialogWindow: projectCommands->newDialogWindow(); break;
    case TreeCommand::OpenDialogWindow: projectCommands->openDialogWindow(); break;
    case TreeCommand::NewExternalLibrary: projectCommands->newExternalLibrary(); break;
    case TreeCommand::OpenExternalLibrary: projectCommands->openExternalLibrary(); break;
    case TreeCommand::OpenBitmap: projectCommands->openBitmap(); break;
  }
}

HWND KVFrameWindow::dialogNavigationWindow() const {
  if (active && active->editor && active->editor->dialogNavigation) return active->editor->editorWindow;
  return nullptr;
}

// Posted notices may arrive after their document was removed: only a record the frame still
// has is touched.
void KVFrameWindow::onDocumentModified(const DocumentRecord* posted) {
  if (DocumentRecord* record = knownRecord(posted)) tabStrip->repaintTab(record->tabId);
}

DocumentRecord* KVFrameWindow::knownRecord(const DocumentRecord* record) const {
  for (const auto& own : records) {
    if (own.get() == record) return own.get();
  }
  return nullptr;
}
