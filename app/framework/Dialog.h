// KVDialog: a window built from an in-memory dialog template, modeless or modal. One static
// dialog procedure attaches the object on WM_INITDIALOG, moves the dialog to its initial
// rectangle and dispatches every later message to messageHook and dialogProc.
#pragma once

#include "app/framework/Window.h"

class KVDialog : public KVWindow {
public:
  KVDialog();

  virtual INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual void cut() {}
  virtual void copy() {}
  virtual void paste() {}
  virtual void deleteSelection() {}
  // Sees every message before dialogProc; its result is ignored.
  virtual void messageHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Creates the dialog modeless at the given rectangle (device pixels).
  bool createModeless(DWORD extendedStyle, DWORD style, int x, int y, int width, int height, HWND parentWindow);
  // Runs the dialog modal with a client area of the given size at 96 DPI; returns what the
  // dialog passed to EndDialog, 0 or -1 when it could not be created.
  INT_PTR runModal(DWORD style, int clientWidth, int clientHeight, HWND parentWindow);
  // A child control at a rectangle given for 96 DPI.
  HWND createChild(DWORD extendedStyle, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y,
                   int width, int height, HWND parentWindow, int controlId);
  void centerOnParent();
  std::string getWindowText(HWND control) const;

  static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  DWORD extraStyle = 0;
  DWORD extraExStyle = 0;
  HANDLE heap = nullptr;
  int initialX = 0, initialY = 0, initialWidth = 0, initialHeight = 0;
};
