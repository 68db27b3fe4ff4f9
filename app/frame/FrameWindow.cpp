// Construction, creation, message dispatch, layout and the close sequence of the frame.
#include "app/frame/FrameWindow.h"

#include "app/commands/ProjectCommands.h"
#include "app/frame/FrameRules.h"
#include "common/Text.h"
#include "designer/PropertyGrid.h"
#include "editing/OutputPane.h"
#include "editing/TabControl.h"
#include "platform/Platform.h"
#include "project/ProjectTree.h"
#include "resources/ResourceIds.h"

KVFrameWindow::KVFrameWindow() : KVFrameWindow(kvplatform::DocumentsFolder()) {}

KVFrameWindow::KVFrameWindow(const std::string& documentsFolder)
    : commands(std::make_unique<KVProjectCommands>(*this)) {
  className = "KVFrameWindow";
  settings.load(documentsFolder);
  SetCurrentDirectoryW(kvtext::Utf8ToWide(settings.projectsFolder).c_str());
}

KVFrameWindow::~KVFrameWindow() {
  // Editors' windows first: they are children of the frame and may already be gone.
  for (const auto& record : documents) destroyEditor(record.get());
  documents.clear();
  project.reset();
}

HWND KVFrameWindow::create(const std::string& title, int iconId, int menuId) {
  if (!registerClass(iconId, menuId)) return nullptr;
  project = std::make_unique<KVProject>();
  const int x = settings.readNumber("//Settings/Position/Left");
  const int y = settings.readNumber("//Settings/Position/Top");
  const int width = settings.readNumber("//Settings/Position/Width");
  const int height = settings.readNumber("//Settings/Position/Height");
  const HWND created =
      CreateWindowExW(0, kvtext::Utf8ToWide(className).c_str(), kvtext::Utf8ToWide(title).c_str(),
                      WS_OVERLAPPEDWINDOW, x, y, width, height, nullptr, nullptr, instance, this);
  if (created) updateCommandStates();
  return created;
}

LRESULT KVFrameWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      onCreate();
      break;
    case WM_SIZE:
      onSize();
      break;
    case WM_COMMAND:
      return onCommand(wParam, lParam);
    case WM_NOTIFY:
      return onNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && activeDocument) {
        activateDocument(activeDocument, -1, -1);
        return 0;
      }
      break;
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
    case KVProjectTree::kOpenDocumentMessage:
      openDocument(reinterpret_cast<DocumentRecord*>(lParam), -1, -1);
      return 0;
    case kDocumentModifiedMessage:
      onDocumentModified(reinterpret_cast<DocumentRecord*>(lParam));
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT KVFrameWindow::onCreate() {
  const int treeWidth = kvframe::TreeWidthFromSetting(settings.readNumber("//Settings/ProjectTreeWidth"));
  const int outputHeight = kvframe::OutputHeightFromSetting(settings.readNumber("//Settings/OutputHeight"));
  createStatusBar();
  createToolbar();
  createPanes(treeWidth, outputHeight);

  const std::string visible = settings.document.GetString("//Settings/OutputVisible");
  if (!visible.empty() && kvtext::LeadingInt32(visible) == 1) output->show();

  const std::string lastProject = settings.document.GetString("//Settings/LastProject");
  if (!lastProject.empty() && kvplatform::CanRead(lastProject)) openProject(lastProject);
  return 0;
}

void KVFrameWindow::createPanes(int treeWidth, int outputHeight) {
  RECT client;
  GetClientRect(window, &client);
  RECT status;
  GetWindowRect(statusBar, &status);
  const int area = client.bottom - (status.bottom - status.top) - toolbarHeight;
  const int right = client.right - treeWidth;

  projectTree = std::make_unique<KVProjectTree>();
  projectTree->createPane(window, 0, toolbarHeight, treeWidth, area);
  MoveWindow(projectTree->treeView(), 0, 0, treeWidth - 5, area, TRUE);

  tabs = std::make_unique<KVTabControl>();
  tabs->frame = this;
  tabs->createPane(window, treeWidth, toolbarHeight, right);
  RECT strip;
  GetWindowRect(tabs->window, &strip);
  tabHeight = strip.bottom - strip.top;

  output = std::make_unique<KVOutputDialog>();
  output->frame = this;
  output->createPane(window, treeWidth, area - outputHeight, right, outputHeight);
  MoveWindow(output->listControl(), 0, 5, right, outputHeight - 5, TRUE);
  output->minimumTop = toolbarHeight + 50;

  propertyGrid = std::make_unique<KVPropertyGrid>();
  propertyGrid->createFloating(window);
}

int KVFrameWindow::outputHeightOrZero() const { return output && output->visible ? output->height : 0; }

void KVFrameWindow::onSize() {
  if (!toolbar || !statusBar || !projectTree) return;
  SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
  SendMessageW(statusBar, WM_SIZE, 0, 0);
  setStatusParts();

  RECT client, status, bar, tree;
  GetClientRect(window, &client);
  GetWindowRect(statusBar, &status);
  GetWindowRect(toolbar, &bar);
  GetWindowRect(projectTree->window, &tree);

  kvframe::LayoutInput in;
  in.clientWidth = client.right;
  in.clientHeight = client.bottom;
  in.statusHeight = status.bottom - status.top;
  in.toolbarHeight = bar.bottom - bar.top;
  in.treeWidth = tree.right - tree.left;
  in.tabHeight = tabHeight;
  in.outputVisible = output->visible;
  in.outputHeight = output->height;
  in.outputHeaderHeight = scaled(KVOutputDialog::kHeaderHeight);
  toolbarHeight = in.toolbarHeight;

  settings.writeNumber("//Settings/ProjectTreeWidth", in.treeWidth);
  if (output->visible) settings.writeNumberOrAppend("//Settings/OutputHeight", "OutputHeight", output->height);

  const kvframe::FrameLayout layout = kvframe::ComputeLayout(in);
  const auto place = [](HWND hwnd, const kvframe::Rect& r) { MoveWindow(hwnd, r.x, r.y, r.width, r.height, TRUE); };
  place(projectTree->window, layout.tree);
  place(projectTree->treeView(), layout.treeView);
  projectTree->setMaximumWidth(layout.treeMaximumWidth);
  output->height = layout.outputHeight;
  output->width = layout.output.width;
  place(output->window, layout.output);
  place(output->listControl(), layout.outputList);
  place(tabs->window, layout.tabs);
  for (const auto& record : documents) {
    if (record->editor && record->editor->editorWindow) place(record->editor->editorWindow, layout.editors);
  }
}

kvframe::Rect KVFrameWindow::editorArea() const {
  RECT client = {}, status = {}, tree = {};
  GetClientRect(window, &client);
  GetClientRect(statusBar, &status);
  GetWindowRect(projectTree->window, &tree);
  const int treeWidth = tree.right - tree.left;
  return {treeWidth, toolbarHeight + tabHeight, client.right - treeWidth,
          client.bottom - status.bottom - toolbarHeight - tabHeight - outputHeightOrZero()};
}

void KVFrameWindow::closeFrame() {
  if (!closeProject()) return;
  RECT frame;
  GetWindowRect(window, &frame);
  settings.writeNumber("//Settings/Position/Left", frame.left);
  settings.writeNumber("//Settings/Position/Top", frame.top);
  settings.writeNumber("//Settings/Position/Width", frame.right - frame.left);
  settings.writeNumber("//Settings/Position/Height", frame.bottom - frame.top);
  settings.writeNumberOrAppend("//Settings/OutputVisible", "OutputVisible", output && output->visible ? 1 : 0);
  settings.save();
  if (propertyGrid && propertyGrid->window) DestroyWindow(propertyGrid->window);
  DestroyWindow(window);
}

HWND KVFrameWindow::dialogNavigationWindow() const {
  if (activeDocument && activeDocument->editor && activeDocument->editor->dialogNavigation) {
    return activeDocument->editor->editorWindow;
  }
  return nullptr;
}

void KVFrameWindow::onDocumentModified(DocumentRecord* record) {
  if (record && tabs) tabs->repaintTab(record->tabId);
}
