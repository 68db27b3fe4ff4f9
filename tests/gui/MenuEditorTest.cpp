// The Menu Properties dialog run modal on a menu of its own: the tree copy, OK numbering the
// commands from 100 in tree order, Cancel leaving the menu as it was, the fields, the keys,
// refused text, and dragging a node into another submenu with the mouse messages of a drag.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/Text.h"
#include "designer/MenuEditor.h"
#include "designer/WinFile.h"
#include "tests/gui/Pump.h"

namespace {

KVMenuItem Submenu(const std::string& text, std::vector<KVMenuItem> children) {
  KVMenuItem item;
  item.kind = MenuItemKind::Submenu;
  item.text = text;
  item.children = std::move(children);
  return item;
}

KVMenuItem Command(int id, const std::string& text, const std::string& handler, const std::string& key = "") {
  KVMenuItem item;
  item.kind = MenuItemKind::Command;
  item.id = id;
  item.text = text;
  item.handler = handler;
  item.accelKey = key;
  item.ctrl = key.empty() ? 0 : 1;
  item.fourthFlag = 1;
  return item;
}

KVMenuItem Separator() {
  KVMenuItem item;
  item.kind = MenuItemKind::Separator;
  return item;
}

// "&File{E&xit=onExit#100}" for comparing menus at a glance.
std::string Describe(const KVMenuItem& level) {
  std::string text;
  for (const KVMenuItem& item : level.children) {
    if (!text.empty()) text += ",";
    switch (item.kind) {
      case MenuItemKind::Submenu: text += item.text + "{" + Describe(item) + "}"; break;
      case MenuItemKind::Separator: text += "-"; break;
      case MenuItemKind::Command:
        text += item.text + "=" + item.handler + "#" + std::to_string(item.id);
        if (!item.accelKey.empty()) text += "^" + std::to_string(item.ctrl) + item.accelKey;
        break;
    }
  }
  return text;
}

std::string Label(HWND tree, HTREEITEM node) {
  wchar_t text[256] = {};
  TVITEMW item = {};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = node;
  item.pszText = text;
  item.cchTextMax = 256;
  TreeView_GetItem(tree, &item);
  return kvtext::WideToUtf8(text);
}

HTREEITEM Find(HWND tree, HTREEITEM from, const std::string& label) {
  for (HTREEITEM node = from; node; node = TreeView_GetNextSibling(tree, node)) {
    if (Label(tree, node) == label) return node;
    if (HTREEITEM inside = Find(tree, TreeView_GetChild(tree, node), label)) return inside;
  }
  return nullptr;
}

// Runs the dialog and, once it is up, the steps; the steps end it with a button.
class MenuEditorTest : public ::testing::Test {
protected:
  void SetUp() override {
    owner = CreateWindowExW(0, L"Static", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    menu = Submenu("", {Submenu("&File", {Command(300, "&Open", "onOpen", "O"), Command(7, "E&xit", "onExit")}),
                        Submenu("&Edit", {Command(301, "&Copy", "onCopy"), Separator()})});
  }
  void TearDown() override { DestroyWindow(owner); }

  INT_PTR run(std::function<void(KVMenuEditor&)> steps) {
    KVMenuEditor editor(menu);
    Running() = &editor;
    Steps() = std::move(steps);
    SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR timer, DWORD) {
      KVMenuEditor* running = Running();
      if (!running || !running->window || !IsWindowVisible(running->window)) return;
      KillTimer(nullptr, timer);
      try {
        Steps()(*running);
      } catch (...) {
      }
      // Whatever the steps left open ends here, so that a failed step cannot hang the run.
      if (IsWindow(running->window)) PostMessageW(running->window, WM_COMMAND, IDCANCEL, 0);
    });
    const INT_PTR result = editor.run(owner);
    Running() = nullptr;
    return result;
  }
  static void Button(KVMenuEditor& editor, int id) {
    SendMessageW(editor.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }
  static void TreeKey(KVMenuEditor& editor, WPARAM key) {
    SendMessageW(editor.treeView(), WM_KEYDOWN, key, 0);
    kvtest::Pump();
  }
  static KVMenuEditor*& Running() {
    static KVMenuEditor* running = nullptr;
    return running;
  }
  static std::function<void(KVMenuEditor&)>& Steps() {
    static std::function<void(KVMenuEditor&)> steps;
    return steps;
  }

  HWND owner = nullptr;
  KVMenuItem menu;
};

TEST_F(MenuEditorTest, OkNumbersTheCommandsFrom100InTreeOrder) {
  std::string shown;
  const INT_PTR result = run([&](KVMenuEditor& editor) {
    const HWND tree = editor.treeView();
    wchar_t title[64] = {};
    GetWindowTextW(editor.window, title, 64);
    shown = kvtext::WideToUtf8(title) + ":" + Label(tree, editor.root());
    for (HTREEITEM node = TreeView_GetChild(tree, editor.root()); node; node = TreeView_GetNextSibling(tree, node)) {
      shown += " " + Label(tree, node) + "(";
      for (HTREEITEM child = TreeView_GetChild(tree, node); child; child = TreeView_GetNextSibling(tree, child)) {
        shown += Label(tree, child) + ";";
      }
      shown += ")";
    }
    EXPECT_EQ(tree, GetFocus());
    Button(editor, IDOK);
  });
  EXPECT_EQ(1, result);
  EXPECT_EQ("Menu Properties:Menu &File(&Open;E&xit;) &Edit(&Copy;---------------;)", shown);
  EXPECT_EQ("&File{&Open=onOpen#100^1O,E&xit=onExit#101},&Edit{&Copy=onCopy#102,-}", Describe(menu));
  EXPECT_EQ(1, menu.children[0].children[0].fourthFlag);
}

TEST_F(MenuEditorTest, CancelAfterChangesLeavesTheMenuAsItWas) {
  const std::string before = Describe(menu);
  const INT_PTR result = run([&](KVMenuEditor& editor) {
    const HWND tree = editor.treeView();
    const HTREEITEM open = Find(tree, editor.root(), "&Open");
    TreeView_SelectItem(tree, open);
    SetDlgItemTextW(editor.window, KVMenuEditor::kFunctionEditId, L"onChanged");
    EXPECT_EQ("onChanged", editor.current()->handler);
    editor.perform(KVMenuEditor::kDelete, Find(tree, editor.root(), "&Edit"));
    editor.perform(KVMenuEditor::kAddSubmenu, editor.root());
    Button(editor, IDCANCEL);
  });
  EXPECT_EQ(2, result);
  EXPECT_EQ(before, Describe(menu));
  EXPECT_EQ(300, menu.children[0].children[0].id);
}

TEST_F(MenuEditorTest, FieldsFollowTheSelectedNodeAndWriteIntoItsCommand) {
  run([&](KVMenuEditor& editor) {
    const HWND tree = editor.treeView();
    const HWND function = GetDlgItem(editor.window, KVMenuEditor::kFunctionEditId);
    const HWND accelerator = GetDlgItem(editor.window, KVMenuEditor::kAcceleratorComboId);
    EXPECT_EQ(49, SendMessageW(accelerator, CB_GETCOUNT, 0, 0));
    EXPECT_FALSE(IsWindowEnabled(function)) << "the root shows no fields";

    TreeView_SelectItem(tree, Find(tree, editor.root(), "&Open"));
    EXPECT_TRUE(IsWindowEnabled(function));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(editor.window, KVMenuEditor::kControlCheckId));
    wchar_t key[8] = {};
    GetWindowTextW(accelerator, key, 8);
    EXPECT_STREQ(L"O", key);
    // The empty entry stores no accelerator; Shift is set from its box.
    SendMessageW(accelerator, CB_SETCURSEL, 0, 0);
    SendMessageW(editor.window, WM_COMMAND, MAKEWPARAM(KVMenuEditor::kAcceleratorComboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(accelerator));
    CheckDlgButton(editor.window, KVMenuEditor::kShiftCheckId, BST_CHECKED);
    SendMessageW(editor.window, WM_COMMAND, MAKEWPARAM(KVMenuEditor::kShiftCheckId, BN_CLICKED), 0);

    // A double quote would end the handler's text in the file: it is put back, and why is shown.
    SetWindowTextW(function, L"on\"Open");
    wchar_t text[64] = {};
    GetWindowTextW(function, text, 64);
    EXPECT_STREQ(L"onOpen", text);
    GetDlgItemTextW(editor.window, KVMenuEditor::kReasonId, text, 64);
    EXPECT_NE(L'\0', text[0]);

    TreeView_SelectItem(tree, Find(tree, editor.root(), "&File"));
    EXPECT_FALSE(IsWindowEnabled(function));
    GetWindowTextW(function, text, 64);
    EXPECT_STREQ(L"", text);
    Button(editor, IDOK);
  });
  EXPECT_EQ("", menu.children[0].children[0].accelKey);
  EXPECT_EQ(1, menu.children[0].children[0].shift);
  EXPECT_EQ("onOpen", menu.children[0].children[0].handler);
}

TEST_F(MenuEditorTest, KeysRenameAndDeleteButNeverTheRootOrASeparatorsLabel) {
  run([&](KVMenuEditor& editor) {
    const HWND tree = editor.treeView();
    TreeView_SelectItem(tree, editor.root());
    TreeKey(editor, VK_DELETE);
    EXPECT_EQ(editor.root(), TreeView_GetSelection(tree));
    EXPECT_NE(nullptr, TreeView_GetChild(tree, editor.root()));
    TreeKey(editor, VK_F2);
    EXPECT_EQ(nullptr, TreeView_GetEditControl(tree)) << "the root's label is not edited";
    TreeView_SelectItem(tree, Find(tree, editor.root(), "---------------"));
    TreeKey(editor, VK_F2);
    EXPECT_EQ(nullptr, TreeView_GetEditControl(tree));

    // F2 on a command, then OK finishes the label and keeps the dialog open.
    const HTREEITEM exitNode = Find(tree, editor.root(), "E&xit");
    TreeView_SelectItem(tree, exitNode);
    TreeKey(editor, VK_F2);
    const HWND label = TreeView_GetEditControl(tree);
    ASSERT_NE(nullptr, label);
    SetWindowTextW(label, L"&Quit");
    Button(editor, IDOK);
    EXPECT_TRUE(IsWindowVisible(editor.window));
    EXPECT_EQ("&Quit", Label(tree, exitNode));

    // Deleting a submenu's last child selects the submenu.
    const HTREEITEM edit = Find(tree, editor.root(), "&Edit");
    TreeView_SelectItem(tree, Find(tree, editor.root(), "---------------"));
    TreeKey(editor, VK_DELETE);
    TreeView_SelectItem(tree, Find(tree, editor.root(), "&Copy"));
    TreeKey(editor, VK_DELETE);
    EXPECT_EQ(edit, TreeView_GetSelection(tree));

    const std::vector<KVMenuEditor::Action> submenuActions = {KVMenuEditor::kRename, KVMenuEditor::kAddSubmenu,
                                                              KVMenuEditor::kAddMenuItem, KVMenuEditor::kAddSeparator,
                                                              KVMenuEditor::kDelete};
    EXPECT_EQ(submenuActions, editor.actionsFor(edit));
    EXPECT_EQ(std::vector<KVMenuEditor::Action>{KVMenuEditor::kAddSubmenu}, editor.actionsFor(editor.root()));
    editor.perform(KVMenuEditor::kAddMenuItem, edit);
    editor.perform(KVMenuEditor::kAddSeparator, edit);
    editor.perform(KVMenuEditor::kAddSubmenu, edit);
    EXPECT_EQ("Submenu", Label(tree, TreeView_GetSelection(tree)));
    Button(editor, IDOK);
  });
  EXPECT_EQ("&File{&Open=onOpen#100^1O,&Quit=onExit#101},&Edit{Menu Item=#102,-,Submenu{}}", Describe(menu));
  EXPECT_EQ(1, menu.children[1].children[0].fourthFlag);
}

TEST_F(MenuEditorTest, DraggingANodeOntoAnotherSubmenusItemMovesItThere) {
  run([&](KVMenuEditor& editor) {
    const HWND tree = editor.treeView();
    const auto centre = [&](HTREEITEM node) {
      RECT area = {};
      TreeView_GetItemRect(tree, node, &area, TRUE);
      POINT point = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
      return point;
    };
    // Copy (in Edit) dragged up onto Exit (in File): it lands before Exit.
    const HTREEITEM copy = Find(tree, editor.root(), "&Copy");
    NMTREEVIEWW drag = {};
    drag.hdr.hwndFrom = tree;
    drag.hdr.idFrom = KVMenuEditor::kTreeId;
    drag.hdr.code = TVN_BEGINDRAGW;
    drag.itemNew.hItem = copy;
    drag.ptDrag = centre(copy);
    SendMessageW(editor.window, WM_NOTIFY, KVMenuEditor::kTreeId, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(editor.window, GetCapture());
    POINT target = centre(Find(tree, editor.root(), "E&xit"));
    MapWindowPoints(tree, editor.window, &target, 1);
    SendMessageW(editor.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(target.x, target.y));
    SendMessageW(editor.window, WM_LBUTTONUP, 0, MAKELPARAM(target.x, target.y));
    EXPECT_NE(editor.window, GetCapture());
    EXPECT_EQ("&Copy", Label(tree, TreeView_GetSelection(tree)));

    // Escape during a drag drops nothing and leaves the dialog open.
    const HTREEITEM open = Find(tree, editor.root(), "&Open");
    drag.itemNew.hItem = open;
    drag.ptDrag = centre(open);
    SendMessageW(editor.window, WM_NOTIFY, KVMenuEditor::kTreeId, reinterpret_cast<LPARAM>(&drag));
    Button(editor, IDCANCEL);
    EXPECT_TRUE(IsWindowVisible(editor.window));
    EXPECT_NE(editor.window, GetCapture());
    SendMessageW(editor.window, WM_LBUTTONUP, 0, MAKELPARAM(target.x, target.y));
    EXPECT_EQ(open, Find(tree, editor.root(), "&Open"));

    // A submenu cannot go inside itself; the root is never dragged.
    const HTREEITEM file = Find(tree, editor.root(), "&File");
    EXPECT_FALSE(editor.dropNode(file, Find(tree, editor.root(), "&Open"), true));
    EXPECT_FALSE(editor.dropNode(editor.root(), file, true));
    // The Edit submenu dragged down onto File's Exit goes after it, with its subtree.
    EXPECT_TRUE(editor.dropNode(Find(tree, editor.root(), "&Edit"), Find(tree, editor.root(), "E&xit"), false));
    Button(editor, IDOK);
  });
  EXPECT_EQ("&File{&Open=onOpen#100^1O,&Copy=onCopy#101,E&xit=onExit#102,&Edit{-}}", Describe(menu));
}

TEST_F(MenuEditorTest, LabelsTheFileCannotHoldAreRefusedAndTheTreeTakesTheRoomOfALargerDialog) {
  run([&](KVMenuEditor& editor) {
    const HWND tree = editor.treeView();
    const HTREEITEM open = Find(tree, editor.root(), "&Open");
    TreeView_SelectItem(tree, open);
    TreeKey(editor, VK_F2);
    const HWND label = TreeView_GetEditControl(tree);
    ASSERT_NE(nullptr, label);
    SetWindowTextW(label, L"Op\"en");
    Button(editor, IDOK);
    EXPECT_EQ("&Open", Label(tree, open));
    wchar_t reason[256] = {};
    GetDlgItemTextW(editor.window, KVMenuEditor::kReasonId, reason, 256);
    EXPECT_NE(std::wstring::npos, std::wstring(reason).find(L"double quote")) << kvtext::WideToUtf8(reason);

    RECT before = {}, treeBefore = {}, okBefore = {};
    GetWindowRect(editor.window, &before);
    GetWindowRect(tree, &treeBefore);
    GetWindowRect(GetDlgItem(editor.window, IDOK), &okBefore);
    SetWindowPos(editor.window, nullptr, 0, 0, before.right - before.left + 200, before.bottom - before.top + 100,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT treeAfter = {}, okAfter = {};
    GetWindowRect(tree, &treeAfter);
    GetWindowRect(GetDlgItem(editor.window, IDOK), &okAfter);
    EXPECT_EQ(treeBefore.right - treeBefore.left + 200, treeAfter.right - treeAfter.left);
    EXPECT_EQ(treeBefore.bottom - treeBefore.top + 100, treeAfter.bottom - treeAfter.top);
    EXPECT_EQ(okBefore.left + 200, okAfter.left);
    EXPECT_EQ(okBefore.top + 100, okAfter.top);
    Button(editor, IDCANCEL);
  });
}

}  // namespace
