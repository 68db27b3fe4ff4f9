// KVProjectTree: the pane on the left of the frame that shows the open project as a tree of
// the project, its four categories, the user's source folders and the files. It opens,
// renames and removes files, groups source files into folders and reorders them by
// dragging, and carries the splitter with which the user sets its width.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/framework/Framework.h"
#include "app/framework/Handles.h"
#include "project/ProjectViewState.h"

class KVProject;

// The project commands the tree's menus offer; the frame runs them.
enum class TreeCommand {
  NewSourceFile,
  OpenSourceFile,
  NewDialogWindow,
  OpenDialogWindow,
  NewExternalLibrary,
  OpenExternalLibrary,
  OpenBitmap,
};

// What the tree asks of the frame beyond the documents seam.
struct KVProjectTreeRequests {
  std::function<void(TreeCommand)> runCommand;
  // Closes the record's document (asking about unsaved changes) and takes the item out of
  // the project; the file stays on disk. False when the user cancelled.
  std::function<bool(DocumentRecord*)> removeFromProject;
  // The record's display name changed: its tab is measured again.
  std::function<void(DocumentRecord*)> renamed;
};

// Why the project cannot rename the item to text (an unsafe name, or one another item of its
// kind has), or empty when it can try.
std::string TreeRenameRefusal(const KVProject& project, const ProjectItem& item, const std::string& text);

class KVProjectTree : public KVDialog {
public:
  static constexpr int kTreeViewId = 101;
  // Posted to the pane with a document record: open the record's editor.
  static constexpr UINT kOpenMessage = WM_USER + 1;
  // Posted to the pane: show the message that waits in pendingMessage. A message box while
  // the label editor is closing would end the edit a second time.
  static constexpr UINT kShowMessage = WM_USER + 2;
  // Image slots.
  enum Image { kRootImage, kFolderImage, kOpenFolderImage, kSourceImage, kDialogImage, kLibraryImage,
               kVersionImage, kBitmapImage, kProjectIconImage };

  explicit KVProjectTree(KVDocumentHost& host) : host(host) {}
  ~KVProjectTree() override;

  bool createPane(HWND frame, int x, int y, int width, int height);
  void setProject(KVProject* model) { project = model; }
  void setRequests(KVProjectTreeRequests requests) { frameRequests = std::move(requests); }

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
  // Puts the project icon's own 16 x 16 image on the icon node, or the bitmap image when
  // the file gives none.
  void RefreshIcon(const std::string& iconPath);
  // The record's node shows its current display name (the icon node its current icon).
  void UpdateNode(DocumentRecord* record);
  // The folder arrangement below "Source Files", as the project file keeps it.
  std::vector<LayoutEntry> layout() const;
  void ExpandCategories();
  void SelectNode(HTREEITEM node);

  // What the context menu's entries and the tree's keys do, for the node given.
  // Opened from the keyboard, the menu starts with its first entry highlighted.
  void showContextMenu(HTREEITEM node, POINT screen, bool fromKeyboard = false);
  void runMenuEntry(HTREEITEM node, int entry);
  void renameNode(HTREEITEM node);
  // Delete on a node: a file is removed from the project after a question, an empty folder
  // goes away.
  void removeNodeAsked(HTREEITEM node);
  // Moves a source file's node onto a target as a drop does; above tells whether the
  // pointer ended above where the drag started. True when it moved.
  bool dropOn(HTREEITEM dragged, HTREEITEM target, bool above);

  HWND treeView() const { return treeViewWindow; }
  HTREEITEM rootNode() const { return root; }
  HTREEITEM category(int index) const { return categories[index]; }
  HTREEITEM sourceFilesNode() const { return categories[0]; }
  HTREEITEM iconNode() const { return iconItem; }
  DocumentRecord* recordOf(HTREEITEM node) const;
  std::string textOf(HTREEITEM node) const;
  int imageOf(HTREEITEM node) const;
  bool isUserFolder(HTREEITEM node) const;
  HIMAGELIST images() const { return imageList.get(); }
  void setMaximumWidth(int width) { maximumWidth = width; }
  int maximumBarPosition() const { return maximumWidth; }
  bool dragging() const { return isDragging; }

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  // Nodes and their text.
  HTREEITEM insertNode(HTREEITEM parent, HTREEITEM after, const std::string& text, int image, LPARAM data);
  HTREEITEM categoryFor(const DocumentRecord& record) const;
  std::vector<LayoutEntry> layoutBelow(HTREEITEM parent) const;
  bool holdsRecord(HTREEITEM parent, LPARAM data) const;
  void setImage(HTREEITEM node, int image);
  int categoryIndex(HTREEITEM node) const;

  // Messages.
  void onInitDialog();
  INT_PTR onNotify(const NMHDR* header);
  bool onDoubleClick();
  void onRightClick();
  void onContextMenuKey(LPARAM position);
  bool onKeyDown(WORD key);
  void onItemExpanded(const NMTREEVIEWW& change);
  bool refuseLabelEdit(HTREEITEM node) const;
  bool onEndLabelEdit(const NMTVDISPINFOW& edit);
  bool renameFile(DocumentRecord* record, const std::string& text);
  void removeFile(DocumentRecord* record, bool deleteFile);
  int ask(const std::string& text, UINT type);
  void tellLater(const std::string& text);
  void syncFolderImage(HTREEITEM node);
  void expand(HTREEITEM node);

  // The image list (ProjectTreeImages.cpp).
  void createImages();

  // Dragging and the splitter (ProjectTreeDrag.cpp).
  void beginDrag(const NMTREEVIEWW& start);
  void dragTo(POINT client);
  void endDrag(bool drop);
  bool allowedTarget(HTREEITEM node) const;
  void beginSplitter(POINT client);
  void moveSplitter(POINT client);
  void endSplitter(bool resize);
  void drawSplitterBar();
  bool onMouseMove(POINT client);
  bool onButtonUp();
  bool inSplitterStrip(POINT client) const;

  KVDocumentHost& host;
  KVProject* project = nullptr;
  KVProjectTreeRequests frameRequests;
  HWND treeViewWindow = nullptr;
  HTREEITEM root = nullptr;
  HTREEITEM categories[4] = {};
  HTREEITEM iconItem = nullptr;
  kvwin::ImageList imageList;
  kvwin::Brush splitterBrush;
  RECT splitterBar = {};
  int splitterLastX = 0;
  int maximumWidth = 200;
  int loadedImages = 0;
  kvwin::ImageList dragImage;
  kvwin::ImageList dragCursors;
  int dragCursorShown = -1;
  bool isDragging = false;
  POINT dragStart = {};
  POINT dragPoint = {};
  HTREEITEM draggedItem = nullptr;
  HWND frameWindow = nullptr;
  std::string pendingMessage;
};
