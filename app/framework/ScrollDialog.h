// KVScrollDialog: a dialog that scrolls over a content area larger than its client area.
// Subclasses set contentWidth and contentHeight and call updateScrollBars.
#pragma once

#include "app/framework/Dialog.h"

class CriticalSection {
public:
  CriticalSection() { InitializeCriticalSection(&section); }
  ~CriticalSection() { DeleteCriticalSection(&section); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void lock() { EnterCriticalSection(&section); }
  void unlock() { LeaveCriticalSection(&section); }

private:
  CRITICAL_SECTION section;
};

class KVScrollDialog : public KVDialog {
public:
  KVScrollDialog();

  void messageHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void updateScrollBars();

  CriticalSection lock;
  int contentWidth = 0;
  int contentHeight = 0;
  int verticalBarWidth = 0;
  int horizontalBarHeight = 0;

private:
  void scroll(int bar, int request);
};
