// KVMenuEditor: the modal "Menu Properties" dialog in which the menu bar of a designed
// window is edited as a tree of submenus, commands and separators. It works on copies; only
// OK replaces the menu root's items, with the command ids numbered afresh.
#pragma once

#include <windows.h>

#include "app/framework/Framework.h"

struct KVMenuItem;

class KVMenuEditor : public KVDialog {
public:
  explicit KVMenuEditor(KVMenuItem& menuRoot);

  // Runs the dialog owned by owner: 1 when OK replaced the menu, 2 when it was cancelled.
  INT_PTR run(HWND owner);

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  KVMenuItem& menuRoot;
};
