// The in-memory dialog template every framework dialog is created from: a DLGTEMPLATE with
// no items, no menu, the default class and an empty title, taken from the process heap and
// freed when the creating call has returned.
#pragma once

#include <windows.h>

class DialogTemplate {
public:
  DialogTemplate(DWORD style, DWORD extendedStyle);
  ~DialogTemplate();
  DialogTemplate(const DialogTemplate&) = delete;
  DialogTemplate& operator=(const DialogTemplate&) = delete;

  // Null when the heap could not provide it.
  const DLGTEMPLATE* get() const { return static_cast<const DLGTEMPLATE*>(memory); }

private:
  HANDLE heap;
  void* memory;
};
