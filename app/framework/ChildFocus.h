// KVChildFocus: the control of a form that had the focus when the form was hidden, so that
// showing and focusing the form again puts the user back where they left it.
#pragma once

#include <windows.h>

class KVChildFocus {
public:
  // On hiding: keeps the focused control when it is one of the form's.
  void remember(HWND form) {
    const HWND focus = GetFocus();
    if (focus && IsChild(form, focus)) control = focus;
  }
  // On the form's WM_SETFOCUS: the remembered control, or first when there is none yet.
  void restore(HWND first) const { SetFocus(control ? control : first); }

private:
  HWND control = nullptr;
};
