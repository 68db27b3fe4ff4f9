// KVTabControl: the strip of document tabs above the document area. It measures titles,
// draws the tab strip's model (order, the active tab, widths, scrolling by whole tabs, hover
// and close buttons) with one tab per open document, forwards the mouse to the model, and
// opens and closes documents through the documents seam.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/framework/Framework.h"
#include "editing/TabStripModel.h"
#include "project/ProjectViewState.h"

class KVTabControl : public KVDialog {
public:
  explicit KVTabControl(KVDocumentHost& host);

  bool createPane(HWND frame, int x, int y, int width);
  int stripHeight() const;

  // Appends a tab for the record; returns its id. The tab is not selected yet.
  int add(DocumentRecord* record);
  // Removes the record's tab and sets its tab id to 0; true while tabs remain. When the
  // removed tab was the active one its neighbour's document is opened.
  bool remove(DocumentRecord* record);
  void select(int id);
  // Re-measures a tab whose title may have changed and redraws it with its modified mark.
  void repaintTab(int id);
  // Forgets every tab; ids start again at 100.
  void clear();
  // The open tabs and the active one, as the project file keeps them.
  SavedTabs savedTabs() const;

  const std::vector<KVTabStripModel::Tab>& tabList() const { return model.Tabs(); }
  DocumentRecord* recordOf(int id) const;
  DocumentRecord* selectedRecord() const { return recordOf(model.ActiveId()); }
  // The record of the tab after (or before) the active one, wrapping around; null with fewer
  // than two tabs.
  DocumentRecord* neighbourOfSelected(bool forward) const;
  const KVTabStripModel& strip() const { return model; }

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  int titleWidth(const std::string& title) const;
  void invalidate(const KVTabStripModel::Rect& area) const;
  void invalidateAll() const;
  // Repaints what a mouse event changed and asks for the leave notice it needs.
  void apply(const KVTabStripModel::MouseOutcome& outcome);

  void onPaint();
  void onSize(int width);
  void onMouseMove(int x, int y);
  void onButtonDown(int x, int y);
  void onButtonUp(int x, int y);
  void onMouseLeave();
  void onCaptureChanged(HWND newCapture);
  void showList();

  void paint(HDC dc) const;
  void paintTab(HDC dc, const KVTabStripModel::Tab& tab) const;
  void paintListButton(HDC dc) const;
  // Draws one cell of the button pictures (0 close, 1 close hovered, 2 list, 3 list
  // hovered) into box: opaque, or with its white left out.
  void drawButton(HDC dc, int cell, const KVTabStripModel::Rect& box, bool opaque) const;

  KVDocumentHost& host;
  KVTabStripModel model;
  kvwin::Brush normalBrush;
  kvwin::Brush hoverBrush;
  kvwin::Brush selectedBrush;
  kvwin::Brush stripBrush;
  kvwin::Pen normalPen;
  kvwin::Pen hoverPen;
  kvwin::Pen selectedPen;
  // Bitmap 149: four 16 x 16 cells side by side. Null when the resource is missing; the
  // pictures are then drawn from their shapes, as they are at other DPIs than 96.
  kvwin::Bitmap buttons;
};
