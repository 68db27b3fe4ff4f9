// KVPropertyGrid: the floating window in which the designer's window and control
// properties are edited. Hidden until a designer shows it.
#pragma once

#include <windows.h>

#include "app/framework/Framework.h"

class KVPropertyGrid : public KVScrollDialog {
public:
  bool createFloating(HWND frame);
  void hide();

  bool visible = false;
  KVEditorBase* currentDesigner = nullptr;
  int nameColumnWidth = 0;
  int rowHeight = 0;

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};
