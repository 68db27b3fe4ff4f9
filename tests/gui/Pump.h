// Runs the messages the window tests' windows have posted to this thread.
#pragma once

#include <windows.h>

namespace kvtest {

inline void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace kvtest
