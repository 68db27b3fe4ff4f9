// DlgSingleEdit: the modal one-line prompt with which the IDE asks for a name.
#pragma once

#include <string>

#include "app/framework/Dialog.h"

class DlgSingleEdit : public KVDialog {
public:
  static constexpr int kEditId = 101;

  // Shows the prompt with the given caption over parentWindow. 1 when confirmed with OK,
  // text then holding what was typed, blanks included; 2 when cancelled (Escape, the
  // Cancel button or the close box), text then empty.
  INT_PTR run(const std::string& prompt, HWND parentWindow);

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  std::string caption;
  std::string text;
  HWND editWindow = nullptr;

private:
  void onInitDialog();
  INT_PTR onCommand(int id);
};
