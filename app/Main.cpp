// Program entry: libraries up, the frame created, the message loop, libraries down.
#include <windows.h>
#include <objbase.h>

#include <libxml/parser.h>
#include <Scintilla.h>

#include <memory>

#include "app/frame/FrameWindow.h"
#include "resources/ResourceIds.h"

namespace {

// Per-monitor v2 where the system has it, v1 otherwise. Access denied means the manifest
// has already set the awareness.
void DeclareDpiAwareness() {
  if (SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return;
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
}

void RunMessageLoop(KVFrameWindow& frame, HACCEL accelerators) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorW(frame.window, accelerators, &message)) continue;
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
