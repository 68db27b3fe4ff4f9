// The project tree in a real frame: drops, folders, label editing and renames, removing
// files, the context menus, keys, pictures and the folder layout across a reopen.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/frame/FrameWindow.h"
#include "common/Text.h"
#include "editing/TabControl.h"
#include "platform/Platform.h"
#include "project/ProjectTree.h"
#include "resources/ResourceIds.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/DialogAnswer.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::DialogAnswer;
using kvtest::Pump;
using kvtest::TempFolder;

class StandInEditor : public KVEditorBase {
public:
  bool create(DocumentRecord* record, HWND parent, int x, int y, int width, int height) override {
    document = record;
    editorWindow = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, x, y, width, height, parent, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    return editorWindow != nullptr;
  }
  bool save() override { return true; }
};

// An icon file with one 16 x 16 32-bit image of a single colour.
std::string SmallIcon() {
  std::string bytes;
  const auto put16 = [&](int v) { bytes += static_cast<char>(v & 0xFF); bytes += static_cast<char>((v >> 8) & 0xFF); };
  const auto put32 = [&](std::uint32_t v) { put16(static_cast<int>(v & 0xFFFF)); put16(static_cast<int>(v >> 16)); };
  put16(0); put16(1); put16(1);
  const std::uint32_t imageSize = 40 + 16 * 16 * 4 + 16 * 4;
  bytes += '\x10'; bytes += '\x10'; bytes += '\0'; bytes += '\0';
  put16(1); put16(32); put32(imageSize); put32(22);
  put32(40); put32(16); put32(32); put16(1); put16(32); put32(0); put32(0); put32(0); put32(0); put32(0); put32(0);
  for (int i = 0; i < 16 * 16; ++i) bytes += std::string("\x20\x80\xE0\xFF", 4);
  bytes += std::string(16 * 4, '\0');
  return bytes;
}

// What a context menu offered: its entries' texts and whether each was enabled.
struct MenuSeen {
  std::vector<std::string> entries;
  std::vector<bool> enabled;
  bool shown = false;
};

// Reads the next pop-up menu once it is up and closes it without a choice.
void ReadNextMenu(MenuSeen& seen) {
  static MenuSeen* target;
  target = &seen;
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND popup = FindWindowW(L"#32768", nullptr);
    if (!popup || !IsWindowVisible(popup)) return;
    KillTimer(nullptr, timer);
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
      wchar_t text[64] = {};
      GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
      target->entries.push_back(kvtext::WideToUtf8(text));
      target->enabled.push_back(!(GetMenuState(menu, i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)));
    }
    target->shown = true;
    EndMenu();
  });
}

class ProjectTreeTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder = root / "Tree" + sep;
    kvplatform::CreateFolder(folder);
    kvplatform::CreateFolder(root / "Documents");
    for (const char* sub : {"Source Files", "Dialog Windows", "External Libraries", "Resources"}) {
      kvplatform::CreateFolder(folder + sub);
    }
    for (const char* name : {"a.js", "b.js", "c.js"}) TempFolder::Write(sourcePath(name), "x\r\n");
    TempFolder::Write(folder + "Dialog Windows" + sep + "mainWin.win", "1\r\n");
    projectFile = folder + "Tree.kvproj";
    TempFolder::Write(projectFile,
                      "<Project><Name>Tree</Name><ExeName>Tree.exe</ExeName><Engine>1</Engine><Icon>Tree.ico</Icon>"
                      "<SourceFiles><Name>a.js</Name><Name>b.js</Name><Name>c.js</Name></SourceFiles>"
                      "<WindowFiles><Name>mainWin.win</Name></WindowFiles></Project>");
    frame = std::make_unique<KVFrameWindow>(root.Path() + "Documents");
    frame->setEditorFactory([](ProjectItemType) { return std::make_unique<StandInEditor>(); });
    ASSERT_NE(frame->create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU), nullptr);
    ShowWindow(frame->window, SW_SHOW);
    open();
  }
  void TearDown() override {
    if (frame && IsWindow(frame->window)) DestroyWindow(frame->window);
    frame.reset();
    Pump();
  }

  void open() {
    frame->openProject(projectFile);
    ASSERT_TRUE(frame->projectOpen());
    Pump();
  }
  KVProjectTree& tree() { return frame->projectTree(); }
  std::string sourcePath(const std::string& name) const { return folder + "Source Files" + sep + name; }
  DocumentRecord* record(const std::string& name) {
    for (const auto& r : frame->documents()) {
      if (r->item->displayName == name) return r.get();
    }
    return nullptr;
  }
  HTREEITEM node(const std::string& name) {
    DocumentRecord* r = record(name);
    return r ? r->treeNode : nullptr;
  }
  // The labels below a node in tree order, folders with their children in brackets.
  std::string outline(HTREEITEM parent) {
    std::string text;
    for (HTREEITEM n = TreeView_GetChild(tree().treeView(), parent); n;
         n = TreeView_GetNextSibling(tree().treeView(), n)) {
      if (!text.empty()) text += " ";
      text += tree().textOf(n);
      if (TreeView_GetChild(tree().treeView(), n)) text += " [" + outline(n) + "]";
    }
    return text;
  }
  std::string sources() { return outline(tree().sourceFilesNode()); }
  // Types the text into the node's label editor and ends the edit as Enter does.
  void editLabel(HTREEITEM n, const std::string& text) {
    const HWND edit = TreeView_EditLabel(tree().treeView(), n);
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, kvtext::Utf8ToWide(text).c_str());
    TreeView_EndEditLabelNow(tree().treeView(), FALSE);
    Pump();
  }
  void key(WORD virtualKey) {
    SendMessageW(tree().treeView(), WM_KEYDOWN, virtualKey, 0);
    Pump();
  }

  TempFolder root;
  const std::string sep = std::string(1, kvplatform::kPathSeparator);
  std::string folder;
  std::string projectFile;
  std::unique_ptr<KVFrameWindow> frame;
};

TEST_F(ProjectTreeTest, NodesHaveTheirCategoriesAndImages) {
  EXPECT_EQ(outline(tree().rootNode()),
            "Source Files [a.js b.js c.js] Dialog Windows [mainWin] External Libraries Resources [Version Info Icon]");
  EXPECT_EQ(tree().imageOf(tree().rootNode()), 0);
  EXPECT_EQ(tree().imageOf(tree().sourceFilesNode()), 2);  // expanded
  EXPECT_EQ(tree().imageOf(tree().category(2)), 1);        // nothing to expand
  EXPECT_EQ(tree().imageOf(node("a.js")), 3);
  EXPECT_EQ(tree().imageOf(node("mainWin")), 4);
  EXPECT_EQ(tree().imageOf(node("Version Info")), 6);
  // Without its file the icon shows the bitmap picture.
  EXPECT_EQ(tree().imageOf(tree().iconNode()), 7);
  EXPECT_EQ(ImageList_GetImageCount(tree().images()), 9);

  // Closed from the keyboard, as a user closes it.
  TreeView_SelectItem(tree().treeView(), tree().sourceFilesNode());
  key(VK_LEFT);
  EXPECT_EQ(tree().imageOf(tree().sourceFilesNode()), 1);
  key(VK_RIGHT);
  EXPECT_EQ(tree().imageOf(tree().sourceFilesNode()), 2);
}

TEST_F(ProjectTreeTest, TheIconNodeShowsTheProjectIconOnceItsFileIsThere) {
  TempFolder::Write(folder + "Resources" + sep + "Tree.ico", SmallIcon());
  tree().UpdateNode(record("Icon"));
  EXPECT_EQ(tree().imageOf(tree().iconNode()), 8);
  // The slot holds the icon's colour.
  const kvwin::WindowDc screen(tree().treeView());
  const kvwin::MemoryDc dc(screen.get());
  const kvwin::Bitmap canvas(CreateCompatibleBitmap(screen.get(), 24, 16));
  const kvwin::Selection selected(dc.get(), canvas.get());
  const RECT all = {0, 0, 24, 16};
  // Between a picture (a source file's, the icon's) and its label a few columns stay empty:
  // the background shows through them.
  int width = 0, height = 0;
  ImageList_GetIconSize(tree().images(), &width, &height);
  EXPECT_GE(width, 18);
  for (const int image : {3, 8}) {
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(tree().images(), image, dc.get(), 0, 0, ILD_NORMAL);
    EXPECT_EQ(GetPixel(dc.get(), 17, 8), RGB(255, 255, 255)) << image;
  }
  EXPECT_EQ(GetPixel(dc.get(), 8, 8), RGB(0xE0, 0x80, 0x20));

  TempFolder::Write(folder + "Resources" + sep + "Tree.ico", "not an icon");
  tree().UpdateNode(record("Icon"));
  EXPECT_EQ(tree().imageOf(tree().iconNode()), 7);
}

TEST_F(ProjectTreeTest, DropsMoveSourceFilesOnlyWhereTheyBelong) {
  const HTREEITEM sourceFiles = tree().sourceFilesNode();
  const HTREEITEM folderNode = tree().AddFolder("Lib", sourceFiles);
  ASSERT_EQ(sources(), "a.js b.js c.js Lib");
  struct Case {
    const char* dragged;
    const char* target;  // a file's name, "Source Files", "Lib" or "Resources"
    bool above;
    bool moves;
    const char* after;
  };
  const Case cases[] = {
      {"a.js", "a.js", false, false, "a.js b.js c.js Lib"},          // onto itself
      {"a.js", "Source Files", false, false, "a.js b.js c.js Lib"},  // its own folder
      {"c.js", "a.js", true, true, "c.js a.js b.js Lib"},            // dragged up: before
      {"c.js", "b.js", false, true, "a.js b.js c.js Lib"},           // dragged down: after
      {"a.js", "Resources", false, false, "a.js b.js c.js Lib"},     // not a source place
      {"b.js", "mainWin", false, false, "a.js b.js c.js Lib"},
      {"b.js", "Lib", false, true, "a.js c.js Lib [b.js]"},          // first child of the folder
      {"b.js", "Lib", false, false, "a.js c.js Lib [b.js]"},         // already there
      {"a.js", "b.js", true, true, "c.js Lib [a.js b.js]"},          // before a file in a folder
      {"a.js", "Source Files", false, true, "a.js c.js Lib [b.js]"},
  };
  for (const Case& c : cases) {
    const std::string target = c.target;
    HTREEITEM onto = target == "Source Files" ? sourceFiles
                     : target == "Lib"        ? folderNode
                     : target == "Resources"  ? tree().category(3)
                                              : node(target);
    EXPECT_EQ(tree().dropOn(node(c.dragged), onto, c.above), c.moves) << c.dragged << " onto " << c.target;
    EXPECT_EQ(sources(), c.after) << c.dragged << " onto " << c.target;
    EXPECT_EQ(tree().recordOf(node(c.dragged)), record(c.dragged));
  }
}

TEST_F(ProjectTreeTest, DraggingWithTheMouseDropsAboveTheFileWhenMovedUp) {
  const HWND treeView = tree().treeView();
  RECT first = {}, last = {};
  TreeView_GetItemRect(treeView, node("a.js"), &first, TRUE);
  TreeView_GetItemRect(treeView, node("c.js"), &last, TRUE);
  NMTREEVIEWW start = {};
  start.hdr = {treeView, KVProjectTree::kTreeViewId, TVN_BEGINDRAGW};
  start.itemNew.hItem = node("c.js");
  start.itemNew.lParam = reinterpret_cast<LPARAM>(record("c.js"));
  start.ptDrag = {last.left + 4, (last.top + last.bottom) / 2};
  SendMessageW(tree().window, WM_NOTIFY, KVProjectTree::kTreeViewId, reinterpret_cast<LPARAM>(&start));
  ASSERT_TRUE(tree().dragging());
  EXPECT_EQ(GetCapture(), tree().window);
  POINT over = {first.left + 4, (first.top + first.bottom) / 2};
  MapWindowPoints(treeView, tree().window, &over, 1);
  SendMessageW(tree().window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(over.x, over.y));
  EXPECT_EQ(tree().textOf(TreeView_GetDropHilight(treeView)), "a.js");
  SendMessageW(tree().window, WM_LBUTTONUP, 0, MAKELPARAM(over.x, over.y));
  EXPECT_FALSE(tree().dragging());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(sources(), "c.js a.js b.js");
  EXPECT_EQ(TreeView_GetSelection(treeView), node("c.js"));
  EXPECT_EQ(TreeView_GetDropHilight(treeView), nullptr);
}

TEST_F(ProjectTreeTest, OnlyEmptyFoldersCanBeDeleted) {
  const HTREEITEM outer = tree().AddFolder("Outer", tree().sourceFilesNode());
  const HTREEITEM inner = tree().AddFolder("Inner", outer);

  MenuSeen withChild;
  ReadNextMenu(withChild);
  tree().showContextMenu(outer, {100, 100});
  ASSERT_TRUE(withChild.shown);
  EXPECT_EQ(withChild.entries, (std::vector<std::string>{"New Folder", "", "Rename", "Delete"}));
  EXPECT_FALSE(withChild.enabled[3]);
  // The Delete key leaves a folder with children too.
  TreeView_SelectItem(tree().treeView(), outer);
  key(VK_DELETE);
  EXPECT_EQ(sources(), "a.js b.js c.js Outer [Inner]");

  MenuSeen empty;
  ReadNextMenu(empty);
  tree().showContextMenu(inner, {100, 100});
  ASSERT_TRUE(empty.shown);
  EXPECT_TRUE(empty.enabled[3]);
  tree().runMenuEntry(inner, 3);
  EXPECT_EQ(sources(), "a.js b.js c.js Outer");
  TreeView_SelectItem(tree().treeView(), outer);
  key(VK_DELETE);
  EXPECT_EQ(sources(), "a.js b.js c.js");
}

TEST_F(ProjectTreeTest, EveryKindOfNodeHasItsMenuAndTheRootNone) {
  struct Case {
    HTREEITEM node;
    std::vector<std::string> entries;
  };
  const Case cases[] = {
      {tree().rootNode(), {}},
      {tree().category(0), {"New Source File", "Open Source File", "", "New Folder"}},
      {tree().category(1), {"New Dialog Window", "Open Dialog Window"}},
      {tree().category(2), {"New External Library", "Open External Library"}},
      {tree().category(3), {"Open Bitmap"}},
      {node("a.js"), {"Edit", "", "Rename", "Remove From Project", "Remove and Delete"}},
      {node("mainWin"), {"Edit", "", "Rename", "Remove From Project", "Remove and Delete"}},
      {node("Version Info"), {}},
      {node("Icon"), {}},
  };
  for (const Case& c : cases) {
    MenuSeen seen;
    ReadNextMenu(seen);
    tree().showContextMenu(c.node, {100, 100});
    EXPECT_EQ(seen.entries, c.entries) << tree().textOf(c.node);
    KillTimer(nullptr, 0);
    Pump();
  }
}

TEST_F(ProjectTreeTest, TheMenuKeyOpensTheMenuOfTheSelectedNode) {
  TreeView_SelectItem(tree().treeView(), node("b.js"));
  MenuSeen seen;
  ReadNextMenu(seen);
  SendMessageW(tree().window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree().treeView()), -1);
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.entries.front(), "Edit");
}

TEST_F(ProjectTreeTest, LabelsOfTheProjectCategoriesAndFixedItemsCannotBeEdited) {
  const HWND treeView = tree().treeView();
  for (HTREEITEM fixed : {tree().rootNode(), tree().category(0), tree().category(1), tree().category(2),
                          tree().category(3), node("Version Info"), node("Icon")}) {
    EXPECT_EQ(TreeView_EditLabel(treeView, fixed), nullptr) << tree().textOf(fixed);
  }
  const HTREEITEM userFolder = tree().AddFolder("New Folder", tree().sourceFilesNode());
  editLabel(userFolder, "Helpers");
  EXPECT_EQ(tree().textOf(userFolder), "Helpers");
  editLabel(userFolder, "   ");
  EXPECT_EQ(tree().textOf(userFolder), "Helpers");
}

TEST_F(ProjectTreeTest, RenamingAFileRenamesItAndItsTab) {
  frame->openDocument(record("a.js"), -1, -1);
  const int tabId = record("a.js")->tabId;
  ASSERT_NE(tabId, 0);
  editLabel(node("a.js"), "app");
  DocumentRecord* renamed = record("app.js");
  ASSERT_NE(renamed, nullptr);
  EXPECT_EQ(tree().textOf(renamed->treeNode), "app.js");
  EXPECT_TRUE(TempFolder::Exists(sourcePath("app.js")));
  EXPECT_FALSE(TempFolder::Exists(sourcePath("a.js")));
  EXPECT_EQ(frame->tabs().recordOf(tabId), renamed);

  // F2 starts the same editor.
  TreeView_SelectItem(tree().treeView(), node("b.js"));
  key(VK_F2);
  EXPECT_NE(TreeView_GetEditControl(tree().treeView()), nullptr);
  TreeView_EndEditLabelNow(tree().treeView(), TRUE);
}

TEST_F(ProjectTreeTest, ARefusedRenameSaysWhyAndKeepsTheName) {
  struct Case {
    const char* typed;
    const char* message;
  };
  const Case cases[] = {
      {"b", "A file named b.js already exists in the project."},
      {"B.JS", "A file named B.JS already exists in the project."},
      {"sub/x", "The name \"sub/x\" cannot be used: a name may not contain \\ / : * ? \" < > | or be \".\" or "
                "\"..\". Please try a different name."},
      {"..", "The name \"..\" cannot be used: a name may not contain \\ / : * ? \" < > | or be \".\" or "
             "\"..\". Please try a different name."},
      {"what?", "The name \"what?\" cannot be used: a name may not contain \\ / : * ? \" < > | or be \".\" or "
                "\"..\". Please try a different name."},
  };
  for (const Case& c : cases) {
    DialogAnswer refusal(L"KelVox Studio");
    kvtest::AnswerInOrder({&refusal});
    editLabel(node("a.js"), c.typed);
    EXPECT_TRUE(refusal.answered) << c.typed;
    EXPECT_EQ(refusal.seen, c.message);
    EXPECT_EQ(tree().textOf(node("a.js")), "a.js");
    EXPECT_TRUE(TempFolder::Exists(sourcePath("a.js")));
    EXPECT_EQ(TempFolder::Read(sourcePath("b.js")), "x\r\n");
  }
}

TEST_F(ProjectTreeTest, RemoveAndDeleteAsksFirstAndDeletesOnlyThatFile) {
  DialogAnswer no(L"KelVox Studio", L"", IDNO);
  kvtest::AnswerInOrder({&no});
  tree().runMenuEntry(node("b.js"), 4);
  EXPECT_TRUE(no.answered);
  EXPECT_NE(no.seen.find("b.js"), std::string::npos);
  EXPECT_NE(record("b.js"), nullptr);
  EXPECT_TRUE(TempFolder::Exists(sourcePath("b.js")));

  DialogAnswer yes(L"KelVox Studio", L"", IDYES);
  kvtest::AnswerInOrder({&yes});
  tree().runMenuEntry(node("b.js"), 4);
  EXPECT_TRUE(yes.answered);
  EXPECT_EQ(record("b.js"), nullptr);
  EXPECT_FALSE(TempFolder::Exists(sourcePath("b.js")));
  EXPECT_TRUE(TempFolder::Exists(sourcePath("a.js")));
  EXPECT_TRUE(TempFolder::Exists(sourcePath("c.js")));
  EXPECT_EQ(sources(), "a.js c.js");
}

TEST_F(ProjectTreeTest, RemoveFromProjectKeepsTheFileAndTheDeleteKeyAsksFirst) {
  tree().runMenuEntry(node("a.js"), 3);
  EXPECT_EQ(record("a.js"), nullptr);
  EXPECT_TRUE(TempFolder::Exists(sourcePath("a.js")));
  EXPECT_EQ(sources(), "b.js c.js");

  TreeView_SelectItem(tree().treeView(), node("c.js"));
  DialogAnswer no(L"KelVox Studio", L"", IDNO);
  kvtest::AnswerInOrder({&no});
  key(VK_DELETE);
  EXPECT_TRUE(no.answered);
  EXPECT_EQ(sources(), "b.js c.js");

  DialogAnswer yes(L"KelVox Studio", L"", IDYES);
  kvtest::AnswerInOrder({&yes});
  key(VK_DELETE);
  EXPECT_EQ(sources(), "b.js");
  EXPECT_TRUE(TempFolder::Exists(sourcePath("c.js")));
}

TEST_F(ProjectTreeTest, EditAndEnterOpenTheFile) {
  tree().runMenuEntry(node("b.js"), 1);
  Pump();
  ASSERT_NE(frame->activeDocument(), nullptr);
  EXPECT_EQ(frame->activeDocument()->item->displayName, "b.js");

  TreeView_SelectItem(tree().treeView(), node("mainWin"));
  SetFocus(tree().treeView());
  SendMessageW(tree().treeView(), WM_KEYDOWN, VK_RETURN, 0);
  SendMessageW(tree().treeView(), WM_CHAR, '\r', 0);
  Pump();
  ASSERT_NE(frame->activeDocument(), nullptr);
  EXPECT_EQ(frame->activeDocument()->item->displayName, "mainWin");
}

TEST_F(ProjectTreeTest, AnOpenRequestForAFileRemovedMeanwhileDoesNothing) {
  tree().runMenuEntry(node("b.js"), 1);  // posted
  tree().runMenuEntry(node("b.js"), 3);  // removed before the post arrives
  Pump();
  EXPECT_EQ(frame->activeDocument(), nullptr);
  EXPECT_EQ(record("b.js"), nullptr);
}

TEST_F(ProjectTreeTest, NestedFoldersSurviveAReopen) {
  const HTREEITEM outer = tree().AddFolder("Outer", tree().sourceFilesNode());
  const HTREEITEM inner = tree().AddFolder("Inner", outer);
  ASSERT_TRUE(tree().dropOn(node("b.js"), inner, false));
  ASSERT_TRUE(tree().dropOn(node("c.js"), outer, false));
  ASSERT_EQ(sources(), "a.js Outer [c.js Inner [b.js]]");
  ASSERT_TRUE(frame->closeProject());
  open();
  EXPECT_EQ(sources(), "a.js Outer [c.js Inner [b.js]]");
}

TEST_F(ProjectTreeTest, TheSplitterSetsThePaneWidthWithinItsLimits) {
  RECT pane = {};
  GetClientRect(tree().window, &pane);
  const int height = pane.bottom;
  const auto dragSplitter = [&](int toX) {
    RECT now = {};
    GetClientRect(tree().window, &now);
    SendMessageW(tree().window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(now.right - 2, 10));
    SendMessageW(tree().window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(toX, 10));
    SendMessageW(tree().window, WM_LBUTTONUP, 0, MAKELPARAM(toX, 10));
    Pump();
    GetClientRect(tree().window, &now);
    return static_cast<int>(now.right);
  };
  // The bar follows the pointer, which was pressed 2 pixels left of the pane's edge.
  const int width = pane.right;
  EXPECT_EQ(dragSplitter(width + 40), width + 42);
  EXPECT_EQ(frame->settings().treeWidth(), width + 42);
  // The pointer left of 150 pixels moves nothing.
  EXPECT_EQ(dragSplitter(100), width + 42);
  RECT client = {};
  GetClientRect(frame->window, &client);
  EXPECT_EQ(dragSplitter(client.right - 10), tree().maximumBarPosition() + 4);
  GetClientRect(tree().window, &pane);
  EXPECT_EQ(pane.bottom, height);
}

}  // namespace
