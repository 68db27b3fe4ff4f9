// KVBitmapEditor: shows a project bitmap (or any picture the imaging component reads) at its
// real size, turned upright, in a scrollable view. It changes nothing and has nothing to save.
#pragma once

#include <string>

#include "app/framework/Framework.h"
#include "app/framework/Handles.h"

class KVBitmapEditor : public KVEditorBase, public KVScrollDialog {
public:
  static constexpr int kPictureId = 202;
  static constexpr int kMargin = 10;

  bool create(DocumentRecord* record, HWND parentWindow, int x, int y, int width, int height) override;
  bool save() override { return true; }
  std::string failure() const override { return lastFailure; }

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  HWND pictureControl() const { return picture; }
  // The picture's size once shown; 0 x 0 when it could not be decoded.
  int pictureWidth() const { return shownWidth; }
  int pictureHeight() const { return shownHeight; }
  HIMAGELIST images() const { return imageList.get(); }

private:
  void onInitDialog();
  void showPicture(const std::string& path);
  void onDrawItem(const DRAWITEMSTRUCT& draw);
  void onPaint();
  bool onKey(UINT key);
  void scrollBy(int bar, int request, int times);

  kvwin::ImageList imageList;
  HWND picture = nullptr;
  int shownWidth = 0;
  int shownHeight = 0;
  std::string lastFailure;
};
