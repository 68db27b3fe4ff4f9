// KVMenuEditor: the modal "Menu Properties" dialog in which the menu bar of a designed
// window is edited as a tree of submenus, commands and separators. It works on copies; only
// OK replaces the menu root's items, with the command ids numbered afresh from 100.
//
// From the keyboard: the tree, the handler field, the accelerator, its three modifier boxes
// and the buttons are in Tab order; F2 renames the selected node, Delete deletes it, and
// Shift+F10 or the menu key opens its menu at the node.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/framework/Framework.h"
#include "app/framework/Handles.h"

struct KVMenuItem;

class KVMenuEditor : public KVDialog {
public:
  static constexpr int kTreeId = 101;
  static constexpr int kFunctionLabelId = 102;
  static constexpr int kFunctionEditId = 103;
  static constexpr int kAcceleratorLabelId = 104;
  static constexpr int kAcceleratorComboId = 105;
  static constexpr int kControlCheckId = 106;
  static constexpr int kShiftCheckId = 107;
  static constexpr int kAltCheckId = 108;
  static constexpr int kReasonId = 109;
  static constexpr const wchar_t* kTitle = L"Menu Properties";
  static constexpr const char* kSeparatorText = "---------------";

  // The context menus' commands, by what they do.
  enum Action { kNone, kAddSubmenu, kAddMenuItem, kAddSeparator, kRename, kDelete };

  explicit KVMenuEditor(KVMenuItem& menuRoot);
  ~KVMenuEditor() override;

  // Runs the dialog owned by owner: 1 when OK replaced the menu, 2 when it was cancelled.
  INT_PTR run(HWND owner);

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // For the keyboard, the context menus and tests: what a node stands for and the actions of
  // its menu.
  HWND treeView() const { return tree; }
  HTREEITEM root() const { return rootNode; }
  KVMenuItem* itemOf(HTREEITEM node) const;
  // The actions the node's context menu offers, in order (separators left out).
  std::vector<Action> actionsFor(HTREEITEM node) const;
  void perform(Action action, HTREEITEM node);
  // Moves a node as a drop on target does: before target when the pointer was released above
  // where the drag started, else after it. False when nothing moved.
  bool dropNode(HTREEITEM dragged, HTREEITEM target, bool above);
  KVMenuItem* current() const { return currentItem; }

private:
  void onInitDialog();
  void createControls();
  void layout();
  void fillAccelerators();
  void createImages();
  HTREEITEM insertNode(HTREEITEM parent, HTREEITEM after, KVMenuItem* item);
  void copyLevel(const KVMenuItem& level, HTREEITEM parent);
  HTREEITEM copyNode(HTREEITEM from, HTREEITEM parent, HTREEITEM after);
  void syncImage(HTREEITEM node);
  void showFields(HTREEITEM node);
  void enableFields(bool enable);
  void selectNode(HTREEITEM node);
  HTREEITEM addItem(HTREEITEM parent, int kind);
  void deleteNode(HTREEITEM node);
  bool inSubtree(HTREEITEM node, HTREEITEM top) const;
  void rebuild(HTREEITEM node, KVMenuItem& into);
  void onOk();
  void onCancel();
  void onCommand(WPARAM wParam);
  LRESULT onNotify(const NMHDR& header);
  void onFunctionChange();
  void showContextMenu(HTREEITEM node, POINT screen);
  void contextMenuAtSelection();
  static LRESULT CALLBACK TreeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);
  void showReason(const std::string& reason);
  bool beginLabelEdit(HTREEITEM node) const;
  bool endLabelEdit(const NMTVDISPINFOW& info);
  void beginDrag(const NMTREEVIEWW& drag);
  void dragMove(POINT client);
  void endDrag(POINT client, bool drop);
  HTREEITEM nodeAt(POINT client) const;

  KVMenuItem& menuRoot;
  // Every item copy the tree's nodes point at; kept until the dialog ends.
  std::vector<std::unique_ptr<KVMenuItem>> items;
  KVMenuItem* currentItem = nullptr;
  HWND tree = nullptr;
  HTREEITEM rootNode = nullptr;
  HWND functionLabel = nullptr, functionEdit = nullptr, acceleratorLabel = nullptr, acceleratorCombo = nullptr;
  HWND controlCheck = nullptr, shiftCheck = nullptr, altCheck = nullptr, reasonText = nullptr;
  kvwin::ImageList images;
  kvwin::ImageList dragImage;
  int nextCommandId = 100;
  bool filling = false;
  bool dragging = false;
  HTREEITEM draggedNode = nullptr;
  POINT dragStart = {};
  SIZE minimumSize = {};
};
