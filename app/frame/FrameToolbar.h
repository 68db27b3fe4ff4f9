// KVFrameToolbar: the frame's toolbar: the file, edit and build buttons with their normal and
// disabled image strips, and the build target selector, a text button of fixed width that
// drops down the target menu.
#pragma once

#include <windows.h>

#include <string>

#include "app/framework/Handles.h"

class KVFrameToolbar {
public:
  static constexpr int kToolbarId = 2;

  // Creates the toolbar as a child of parent, with every button enabled.
  bool create(HWND parent, HINSTANCE instance, HFONT font, int dpi);
  HWND window() const { return toolbar; }
  int height() const;
  void autosize();

  void setState(int commandId, bool enabled);
  // The target selector's text: the target's name, or nothing for an unknown target.
  void setTargetText(const std::string& text);
  std::string targetText() const;
  // Shows the target menu under the selector with a check on current; the chosen target code,
  // or 0 when the menu was dismissed.
  int chooseTarget(HWND owner, int current) const;

private:
  void fixTargetWidth(HFONT font, int dpi);

  HWND toolbar = nullptr;
  kvwin::ImageList images;
  kvwin::ImageList disabledImages;
};
