// Program entry: libraries up, the frame created, the message loop, libraries down.
#include <windows.h>
#include <objbase.h>

#include <libxml/parser.h>
#include <Scintilla.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/frame/FrameWindow.h"
#include "editing/OutputPane.h"
#include "project/ProjectTree.h"
#include "resources/ResourceIds.h"

namespace {

// Per-monitor v2 where the system has it, v1 otherwise. Access denied means the manifest
// has already set the awareness.
void DeclareDpiAwareness() {
  if (SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return;
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
}

bool Pressed(int key) { return (GetKeyState(key) & 0x8000) != 0; }

bool Within(HWND outer, HWND window) { return outer && window && (window == outer || IsChild(outer, window)); }

// F6 and Shift+F6 move the focus around the panes: the project tree, the active document and
// the output pane when it is shown.
void MoveFocusAmongPanes(KVFrameWindow& frame, bool forward) {
  std::vector<HWND> panes = {frame.projectTree().treeView()};
  DocumentRecord* document = frame.activeDocument();
  if (document && document->editor) panes.push_back(document->editor->editorWindow);
  if (frame.output().visible) panes.push_back(frame.output().listControl());
  const HWND focus = GetFocus();
  const auto current = std::find_if(panes.begin(), panes.end(), [&](HWND pane) { return Within(pane, focus); });
  std::size_t next = 0;
  if (current != panes.end()) {
    const std::size_t at = static_cast<std::size_t>(current - panes.begin());
    next = forward ? (at + 1) % panes.size() : (at + panes.size() - 1) % panes.size();
  } else if (!forward) {
    next = panes.size() - 1;
  }
  if (document && document->editor && panes[next] == document->editor->editorWindow) {
    frame.activateDocument(document, -1, -1);
  } else {
    SetFocus(panes[next]);
  }
}

// The keys the focused control handles itself while it has the focus: the project tree, its
// label editor, the find panel's fields and the floating windows' fields (the property grid's
// text box) take Delete and the clipboard keys, which otherwise act on the document.
bool KeyForFocusedControl(KVFrameWindow& frame, const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  const bool floating = message.hwnd && GetAncestor(message.hwnd, GA_ROOT) != frame.window;
  if (!floating && !Within(frame.projectTree().treeView(), message.hwnd) &&
      !Within(frame.findPanelWindow(), message.hwnd)) {
    return false;
  }
  switch (message.wParam) {
    case VK_DELETE: return !Pressed(VK_CONTROL) && !Pressed(VK_MENU);
    case 'C': case 'X': case 'V': case 'Z': case 'Y': case 'A': return Pressed(VK_CONTROL);
    default: return false;
  }
}

// Shift+F10 and the menu key open the tree's context menu at its selected node. The key's
// release is kept from the tree too, which would otherwise open the menu once more or, for
// F10, enter the menu bar.
bool MenuKeyInTree(KVFrameWindow& frame, const MSG& message, WPARAM& releaseToSwallow) {
  const HWND treeView = frame.projectTree().treeView();
  if (message.hwnd != treeView) return false;
  const bool up = message.message == WM_KEYUP || message.message == WM_SYSKEYUP;
  if (up && releaseToSwallow == message.wParam) {
    releaseToSwallow = 0;
    return true;
  }
  const bool down = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
  const bool menuKey = message.wParam == VK_APPS || (message.wParam == VK_F10 && Pressed(VK_SHIFT));
  if (!down || !menuKey) return false;
  releaseToSwallow = message.wParam;
  SendMessageW(frame.projectTree().window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(treeView), -1);
  return true;
}

void RunMessageLoop(KVFrameWindow& frame, HACCEL accelerators) {
  MSG message;
  WPARAM releaseToSwallow = 0;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (MenuKeyInTree(frame, message, releaseToSwallow)) continue;
    const bool frameOwns = message.hwnd == frame.window || IsChild(frame.window, message.hwnd);
    if (frameOwns && message.message == WM_KEYDOWN && message.wParam == VK_F6 && !Pressed(VK_CONTROL) &&
        !Pressed(VK_MENU)) {
      MoveFocusAmongPanes(frame, !Pressed(VK_SHIFT));
      continue;
    }
    if (!KeyForFocusedControl(frame, message) && TranslateAcceleratorW(frame.window, accelerators, &message)) {
      continue;
    }
    // Tab, Enter and Escape in the find panel.
    if (const HWND panel = frame.findPanelWindow();
        panel && Within(panel, message.hwnd) && IsDialogMessageW(panel, &message)) {
      continue;
    }
    if (const HWND navigation = frame.dialogNavigationWindow(); navigation && IsDialogMessageW(navigation, &message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  DeclareDpiAwareness();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  xmlInitParser();
  Scintilla_RegisterClasses(instance);
  {
    auto frame = std::make_unique<KVFrameWindow>();
    if (frame->create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU)) {
      frame->showFirstTime(showCommand);
      RunMessageLoop(*frame, LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS)));
    }
  }
  Scintilla_ReleaseResources();
  xmlCleanupParser();
  CoUninitialize();
  return 0;
}
