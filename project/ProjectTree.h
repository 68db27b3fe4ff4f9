// KVProjectTree: the pane on the left of the frame that shows the open project as a tree of
// the project, its four categories, the user's source folders and the files.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/framework/Framework.h"
#include "project/ProjectViewState.h"

class KVProjectTree : public KVDialog {
public:
  static constexpr int kTreeViewId = 101;

  explicit KVProjectTree(KVDocumentHost& host) : host(host) {}

  bool createPane(HWND frame, int x, int y, int width, int height);

  // Inserts the root and the four categories.
  void Reset(const std::string& projectName);
  // Removes every node.
  void Clear();
  // Appends the record's node under parent, or under its category when parent is null.
  bool PlaceNode(DocumentRecord* record, HTREEITEM parent);
  // Deletes the record's node.
  void removeNode(DocumentRecord* record);
  // Appends a user folder under parent (the source files category when null) and selects it.
  HTREEITEM AddFolder(const std::string& label, HTREEITEM parent);
  // The folder arrangement below "Source Files", as the project file keeps it.
  std::vector<LayoutEntry> layout() const;
  void ExpandCategories();
  void SelectNode(HTREEITEM node);

  HWND treeView() const { return treeViewWindow; }
  HTREEITEM sourceFilesNode() const { return categories[0]; }
  void setMaximumWidth(int width) { maximumWidth = width; }
  int maximumBarPosition() const { return maximumWidth; }

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  HTREEITEM insertNode(HTREEITEM parent, const std::string& text, LPARAM data);
  HTREEITEM categoryFor(const DocumentRecord& record) const;
  std::vector<LayoutEntry> layoutBelow(HTREEITEM parent) const;
  void onInitDialog();
  bool onDoubleClick();

  KVDocumentHost& host;
  HWND treeViewWindow = nullptr;
  HTREEITEM root = nullptr;
  HTREEITEM categories[4] = {};
  int maximumWidth = 200;
};
