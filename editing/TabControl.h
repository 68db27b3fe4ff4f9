// KVTabControl: the strip of document tabs above the document area. It keeps one tab per
// open document in opening order, marks the active one and those with unsaved changes, and
// gives the tab state that the project file stores.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/framework/Framework.h"


class KVTabControl : public KVDialog {
public:
  struct Tab {
    int id = 0;
    bool selected = false;
    RECT rect = {};
    DocumentRecord* record = nullptr;
  };

  explicit KVTabControl(KVDocumentHost& host);
  ~KVTabControl() override;

  bool createPane(HWND frame, int x, int y, int width);
  int stripHeight() const;

  // Appends a tab for the record; returns its id.
  int add(DocumentRecord* record);
  // Removes the record's tab; true while tabs remain. When the removed tab was selected a
  // neighbouring document is opened through the frame.
  bool remove(DocumentRecord* record);
  void select(int id);
  void repaintTab(int id);
  // Forgets every tab; ids start again at 100.
  void clear();
  // The Tabs fragment: one Name per tab in order, then Selected for the active one.
  std::string stateText() const;

  const std::vector<Tab>& tabList() const { return tabs; }
  const Tab* selectedTab() const;
  // The record of the tab after (or before) the selected one, wrapping around; null with
  // fewer than two tabs.
  DocumentRecord* neighbourOfSelected(bool forward) const;

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  void measure();
  void onPaint();
  void onClick(int x, int y);

  KVDocumentHost& host;
  std::vector<Tab> tabs;
  int nextId = 100;
  HBRUSH stripBrush = nullptr;
  HBRUSH tabBrush = nullptr;
  HBRUSH selectedBrush = nullptr;
};
