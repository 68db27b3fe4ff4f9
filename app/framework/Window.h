// KVWindow: binds an object to a platform window. One static window procedure attaches the
// object on WM_NCCREATE and dispatches every later message to its windowProc.
//
// The object exists before its window and outlives it: owners destroy the window first and
// delete the object afterwards. An object deleted while its window still exists detaches
// itself, so that the window's later messages find no object instead of a dangling one.
#pragma once

#include <windows.h>

#include <string>

#include "app/framework/Handles.h"

class KVWindow {
public:
  KVWindow();
  virtual ~KVWindow();
  KVWindow(const KVWindow&) = delete;
  KVWindow& operator=(const KVWindow&) = delete;

  // Registers the class named className and creates an overlapped window with this object
  // attached. Null when the class cannot be registered, which includes an object that never
  // set className: a shared default class would hand later windows the first one's icon and
  // menu.
  virtual HWND create(const std::string& title, int iconId, int menuId);
  virtual LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Registers className with the static window procedure; true also when it already exists.
  bool registerClass(int iconId, int menuId);
  // A layout number written for 96 DPI, in this window's device pixels.
  int scale(int value) const;

  static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window = nullptr;
  HWND parent = nullptr;
  std::string className;
  HINSTANCE instance = nullptr;
  // The system message font, given to every control the framework builds. Owned by this
  // object; subclasses use it and never delete it.
  HFONT font = nullptr;
  HBRUSH background = nullptr;
  NONCLIENTMETRICSW metrics = {};
  // The system DPI when the object was built; never updated afterwards.
  int dpi = 96;

private:
  kvwin::Font ownedFont;
};
