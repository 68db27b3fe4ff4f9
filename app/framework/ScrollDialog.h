// KVScrollDialog: a dialog that scrolls over a content area larger than its client area.
// Subclasses set contentWidth and contentHeight and call updateScrollBars; the content moves
// by line, by page, to either end, and to where the thumb is released.
#pragma once

#include "app/framework/Dialog.h"
#include "app/framework/EditorBase.h"
#include "app/framework/Handles.h"

class KVScrollDialog : public KVDialog {
public:
  KVScrollDialog();

  void messageHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Recomputes both bars for the current client size and content size.
  void updateScrollBars();
  // The create shared by the editors that are also scroll dialogs: records the document and
  // creates this dialog as a bordered child at the given rectangle (device pixels). The
  // editor finishes its set-up in WM_INITDIALOG.
  bool createEditorWindow(KVEditorBase& editor, DocumentRecord* record, HWND parentWindow, int x, int y, int width,
                          int height);

  // Held while the bars are recomputed. Showing or hiding a bar resizes the client area,
  // and the WM_SIZE that follows recomputes again on the same thread, inside the lock.
  kvwin::CriticalSection lock;
  int contentWidth = 0;
  int contentHeight = 0;
  int verticalBarWidth = 0;
  int horizontalBarHeight = 0;

private:
  void scroll(int bar, int request);
};
