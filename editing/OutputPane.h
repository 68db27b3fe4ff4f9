// KVOutputDialog: the read-only results pane along the bottom of the document area, with a
// header band captioned "Output" and a close button. Find in files writes its report here; a
// double click on a line "name(line)..." opens that document at that line. The pane's top
// edge is dragged to change its height; Escape in the text hides the pane.
#pragma once

#include <windows.h>

#include <Scintilla.h>

#include <string>

#include "app/framework/DocumentHost.h"
#include "app/framework/Framework.h"
#include "app/framework/Handles.h"

class KVOutputDialog : public KVDialog {
public:
  // Heights at 96 DPI: the drag zone above the header band, and the zone with the band.
  static constexpr int kDragZone = 5;
  static constexpr int kHeaderHeight = 25;
  static constexpr int kMinimumHeight = 51;
  static constexpr int kTextId = 5000;

  explicit KVOutputDialog(KVDocumentHost& host);
  ~KVOutputDialog() override;

  // Creates the pane hidden as a child of the frame, at a rectangle in its client coordinates.
  bool createPane(HWND frame, int x, int y, int width, int height);
  // Adds text at the text's caret (its end unless the user moved it) and scrolls to it.
  void append(const std::string& text);
  void clear();
  // Both lay the frame out again when the visibility changes.
  void show();
  void hide();
  // The highest the top edge may be dragged, in the frame's client coordinates.
  void setMinimumTop(int top) { minimumTop = top; }

  HWND listControl() const { return text; }
  // The text component, through its direct function; 0 while it has none.
  sptr_t call(unsigned int message, uptr_t wParam = 0, sptr_t lParam = 0) const;
  bool dragging() const { return drag.active; }

  // Read by the frame's layout; the frame writes width and height when it places the pane.
  bool visible = false;
  int width = 0;
  int height = 0;
  int minimumTop = 0;

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  struct Drag {
    bool active = false;
    int startY = 0;       // the mouse when the drag began, frame coordinates
    int startTop = 0;     // the pane's top then
    RECT drawn = {};      // the bar on the screen, empty when none
    RECT proposed = {};   // where the pane's top would go
  };

  void onInitDialog();
  void configureText();
  void onEraseBackground(HDC dc);
  void onPaint();
  void onSize(int newWidth, int newHeight);
  void onMouseMove(int x, int y);
  void onLeftButtonDown(int y);
  void onLeftButtonUp(int x, int y);
  void onMouseLeave();
  bool onSetCursor();
  void onNotify(const NMHDR& header);
  void openLine(Sci_Position line);
  void drawCloseButton(HDC dc) const;
  void setHover(bool hover);

  void beginDrag(int y);
  void moveDrag(int y);
  void endDrag();
  void cancelDrag();
  void drawBar(const RECT& bar) const;
  // The mouse's y in the frame's client coordinates, from one in the pane's.
  int frameY(int y) const;

  KVDocumentHost& host;
  kvwin::Brush headerBrush;
  kvwin::Bitmap buttons;
  kvwin::Bitmap dragPattern;
  kvwin::Brush dragBrush;
  HWND text = nullptr;
  SciFnDirect directFunction = nullptr;
  sptr_t directPointer = 0;
  RECT closeButton = {};
  bool closeHover = false;
  bool tracking = false;
  Drag drag;
};
