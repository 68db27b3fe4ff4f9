#include "designer/PropertyGrid.h"

bool KVPropertyGrid::createFloating(HWND frame) {
  const bool created = createModeless(WS_EX_DLGMODALFRAME, WS_BORDER | WS_SYSMENU | WS_THICKFRAME, 0, 0,
                                      MulDiv(300, dpi, 96), MulDiv(400, dpi, 96), frame);
  nameColumnWidth = MulDiv(150, dpi, 96);
  rowHeight = MulDiv(18, dpi, 96);
  return created;
}

void KVPropertyGrid::hide() {
  if (window) ShowWindow(window, SW_HIDE);
  visible = false;
}

void KVPropertyGrid::show(KVControlRecord* record) {
  shownRecord = record;
  if (!window) return;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  visible = true;
}

void KVPropertyGrid::refreshGeometry(KVControlRecord* record) {
  if (record != shownRecord) show(record);
}

INT_PTR KVPropertyGrid::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowTextW(window, L"Properties");
      return TRUE;
    case WM_COMMAND:
      // The close box hides the grid; the designer shows it again.
      if (LOWORD(wParam) == IDCANCEL) {
        hide();
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
