// KVDialog: a window built from an in-memory dialog template, modeless or modal. One static
// dialog procedure attaches the object on WM_INITDIALOG, moves the dialog to its initial
// rectangle and dispatches every later message to messageHook and dialogProc.
#pragma once

#include <string>

#include "app/framework/Window.h"

class KVDialog : public KVWindow {
public:
  KVDialog();
  ~KVDialog() override;

  // Returns non-zero for a message it handled, as a dialog procedure does.
  virtual INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Clipboard operations a dialog may offer. The editors that are also scroll dialogs
  // override these once for both this class and KVEditorBase.
  virtual void cut() {}
  virtual void copy() {}
  virtual void paste() {}
  virtual void deleteSelection() {}
  // Sees every message of the attached dialog before dialogProc; its result is ignored.
  virtual void messageHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Creates the dialog modeless at the given rectangle, in device pixels as given. False
  // when the template or the window could not be made.
  bool createModeless(DWORD extendedStyle, DWORD style, int x, int y, int width, int height, HWND parentWindow);
  // Runs the dialog modal with a client area of the given size at 96 DPI, placed at 0, 0
  // until its WM_INITDIALOG handling centres it. Returns what the dialog passed to
  // EndDialog, -1 or 0 when it could not be created, 0 when the template could not be made.
  INT_PTR runModal(DWORD style, int clientWidth, int clientHeight, HWND parentWindow);
  // A child control at a rectangle given for 96 DPI.
  HWND createChild(DWORD extendedStyle, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y,
                   int width, int height, HWND parentWindow, int controlId);
  // Centres the dialog over its parent, or over the screen when it has none, keeping it on
  // the screen.
  void centerOnParent();
  // The control's whole text as UTF-8; empty for a null handle.
  std::string getWindowText(HWND control) const;

  static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  DWORD extraStyle = 0;
  DWORD extraExStyle = 0;
  HANDLE heap = nullptr;
  // Set only while the platform builds a dialog from it.
  const DLGTEMPLATE* dialogTemplate = nullptr;
  int initialX = 0, initialY = 0, initialWidth = 0, initialHeight = 0;
};
