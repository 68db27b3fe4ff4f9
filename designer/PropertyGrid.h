// KVPropertyGrid: the floating window in which the designer's window and control
// properties are edited. Hidden until a designer shows it.
#pragma once

#include <windows.h>

#include "app/framework/Framework.h"

class KVWindowEditor;
struct KVControlRecord;

class KVPropertyGrid : public KVScrollDialog {
public:
  bool createFloating(HWND frame);
  void hide();
  // Shows the grid for a record of currentDesigner: the designed window or one of its
  // controls. A record of the kind already shown only updates the values of the rows.
  void show(KVControlRecord* record);
  // The record moved or was resized: its position and size rows follow when it is the one
  // shown; any other record is shown instead.
  void refreshGeometry(KVControlRecord* record);

  bool visible = false;
  // The designer that applies committed changes; set by the frame when a dialog window
  // becomes the active document.
  KVWindowEditor* currentDesigner = nullptr;
  KVControlRecord* shownRecord = nullptr;
  int nameColumnWidth = 0;
  int rowHeight = 0;

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};
