// KVOutputDialog: the read-only results pane along the bottom of the document area, with
// a header band captioned "Output". Find in files writes its report here.
#pragma once

#include <windows.h>

#include <string>

#include "app/framework/Framework.h"

class KVOutputDialog : public KVDialog {
public:
  static constexpr int kHeaderHeight = 25;
  static constexpr int kTextId = 5000;

  explicit KVOutputDialog(KVDocumentHost& host);
  ~KVOutputDialog() override;

  bool createPane(HWND frame, int x, int y, int width, int height);
  void append(const std::string& text);
  void clear();
  void show();
  void hide();

  HWND listControl() const { return text; }

  bool visible = false;
  int width = 0;
  int height = 0;
  int minimumTop = 0;

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void onInitDialog();
  void onPaint();
  LRESULT call(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  KVDocumentHost& host;
  HWND text = nullptr;
  HBRUSH headerBrush = nullptr;
};
