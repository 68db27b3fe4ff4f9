// The in-memory dialog template every framework dialog is created from: a DLGTEMPLATE with
// no items, no menu, the default class and an empty title. Its position and size do not
// matter, as the dialog procedure moves the window on WM_INITDIALOG.
#pragma once

#include <windows.h>

class DialogTemplate {
public:
  // 24 zeroed bytes: the 18-byte header and three zero words, padded to a DWORD boundary.
  static constexpr SIZE_T kSize = 24;

  // Takes the memory from heap; get() is null when the heap cannot provide it.
  DialogTemplate(HANDLE heap, DWORD style, DWORD extendedStyle);
  ~DialogTemplate();
  DialogTemplate(const DialogTemplate&) = delete;
  DialogTemplate& operator=(const DialogTemplate&) = delete;

  const DLGTEMPLATE* get() const { return static_cast<const DLGTEMPLATE*>(memory); }

private:
  HANDLE heap;
  void* memory;
};
