// KVTabControl: the strip of document tabs above the document area. It draws the tab strip's
// model (order, the active tab, widths, scrolling by whole tabs) with one tab per open
// document, and opens, closes and activates documents through the documents seam.
#pragma once

#include <windows.h>

#include <vector>

#include "app/framework/Framework.h"
#include "editing/TabStripModel.h"
#include "project/ProjectViewState.h"

class KVTabControl : public KVDialog {
public:
  explicit KVTabControl(KVDocumentHost& host);

  bool createPane(HWND frame, int x, int y, int width);
  int stripHeight() const;

  // Appends a tab for the record; returns its id.
  int add(DocumentRecord* record);
  // Removes the record's tab; true while tabs remain. When the removed tab was the active one
  // its neighbour's document is opened.
  bool remove(DocumentRecord* record);
  void select(int id);
  // Redraws a tab whose title or modified mark may have changed.
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

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  int titleWidth(const std::string& caption) const;
  void onPaint();
  void onClick(int x, int y);
  void onSize(int width);

  KVDocumentHost& host;
  KVTabStripModel model;
  kvwin::Brush stripBrush;
  kvwin::Brush tabBrush;
  kvwin::Brush selectedBrush;
};
