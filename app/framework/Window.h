// KVWindow: binds an object to a platform window. One static window procedure attaches the
// object on WM_NCCREATE and dispatches every later message to its windowProc.
#pragma once

#include <windows.h>

#include <string>

class KVWindow {
public:
  KVWindow();
  virtual ~KVWindow();
  KVWindow(const KVWindow&) = delete;
  KVWindow& operator=(const KVWindow&) = delete;

  // Registers the class and creates an overlapped window with this object attached.
  virtual HWND create(const std::string& title, int iconId, int menuId);
  virtual LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  bool registerClass(int iconId, int menuId);
  // A layout number written for 96 DPI, in this window's device pixels.
  int scale(int value) const { return MulDiv(value, dpi, 96); }

  static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window = nullptr;
  HWND parent = nullptr;
  std::string className;
  HINSTANCE instance = nullptr;
  HFONT font = nullptr;
  HBRUSH background = nullptr;
  NONCLIENTMETRICSW metrics = {};
  int dpi = 96;
};
