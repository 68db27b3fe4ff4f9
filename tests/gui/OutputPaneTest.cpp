// The output pane in a plain parent window, with a stand-in for the frame that writes down
// what the pane asks of it: result lines opened by double click, the top edge dragged within
// its limits, the close button and Escape.
#include <gtest/gtest.h>

#include <windows.h>

#include <Scintilla.h>

#include <memory>
#include <string>
#include <vector>

#include "app/framework/DocumentHost.h"
#include "app/framework/DocumentRecord.h"
#include "editing/OutputPane.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::Pump;

class FakeHost : public KVDocumentHost {
public:
  void openDocument(DocumentRecord* record, int line, int position) override {
    calls.push_back("open " + record->item->displayName + " " + std::to_string(line) + " " + std::to_string(position));
  }
  bool closeDocument(DocumentRecord*) override { return false; }
  DocumentRecord* documentNamed(const std::string& displayName) override {
    for (DocumentRecord* record : records) {
      if (record->item->displayName == displayName) return record;
    }
    return nullptr;
  }
  bool removeDocument(DocumentRecord*) override { return false; }
  void setStatusText(int, const std::string&) override {}
  void relayout() override { calls.push_back("relayout"); }

  std::vector<DocumentRecord*> records;
  std::vector<std::string> calls;
};

// A pane 400 x 150 at (0, 300) in a parent whose client area is 500 x 500; the highest its
// top may be dragged is 100.
class OutputPaneTest : public ::testing::Test {
protected:
  void SetUp() override {
    WNDCLASSW parentClass = {};
    parentClass.lpfnWndProc = DefWindowProcW;
    parentClass.hInstance = GetModuleHandleW(nullptr);
    parentClass.hbrBackground = GetSysColorBrush(COLOR_APPWORKSPACE);
    parentClass.lpszClassName = L"KVOutputPaneTestParent";
    RegisterClassW(&parentClass);
    RECT outer = {0, 0, 500, 500};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    parent = CreateWindowExW(0, L"KVOutputPaneTestParent", L"Output", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                             outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    for (const char* name : {"main.js", "net helpers.js", "Main.win"}) {
      items.push_back(std::make_unique<ProjectItem>());
      items.back()->displayName = name;
      records.push_back(std::make_unique<DocumentRecord>(items.back().get()));
      host.records.push_back(records.back().get());
    }
    pane = std::make_unique<KVOutputDialog>(host);
    ASSERT_TRUE(pane->createPane(parent, 0, 300, 400, 150));
    ASSERT_NE(pane->listControl(), nullptr);
    ASSERT_EQ(pane->scale(25), 25);  // these tests are written for 96 DPI
    pane->setMinimumTop(100);
    pane->show();
    Pump();
    host.calls.clear();
  }
  void TearDown() override {
    if (GetCapture()) ReleaseCapture();
    DestroyWindow(parent);
    Pump();
  }

  // The pane's rectangle in the parent's client coordinates.
  RECT placed() const {
    RECT r;
    GetWindowRect(pane->window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  void mouse(UINT message, int x, int y) {
    const WPARAM keys = message == WM_LBUTTONDOWN ? MK_LBUTTON : 0;
    SendMessageW(pane->window, message, keys, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  }
  void drag(int fromY, int toY) {
    mouse(WM_MOUSEMOVE, 50, fromY);
    mouse(WM_LBUTTONDOWN, 50, fromY);
    for (int step = 1; step <= 4; ++step) mouse(WM_MOUSEMOVE, 50, fromY + (toY - fromY) * step / 4);
    mouse(WM_LBUTTONUP, 50, toY);
  }
  // What the text component tells its parent when the user double-clicks a line.
  void doubleClick(int line) {
    SCNotification notification = {};
    notification.nmhdr.hwndFrom = pane->listControl();
    notification.nmhdr.idFrom = KVOutputDialog::kTextId;
    notification.nmhdr.code = SCN_DOUBLECLICK;
    notification.line = line;
    SendMessageW(pane->window, WM_NOTIFY, KVOutputDialog::kTextId, reinterpret_cast<LPARAM>(&notification));
  }
  std::string text() const {
    const auto length = static_cast<std::size_t>(pane->call(SCI_GETLENGTH));
    std::string all(length + 1, '\0');
    pane->call(SCI_GETTEXT, length + 1, reinterpret_cast<sptr_t>(all.data()));
    all.resize(length);
    return all;
  }

  FakeHost host;
  HWND parent = nullptr;
  std::vector<std::unique_ptr<ProjectItem>> items;
  std::vector<std::unique_ptr<DocumentRecord>> records;
  std::unique_ptr<KVOutputDialog> pane;
};

TEST_F(OutputPaneTest, TextIsAppendedAndClearedButNotTyped) {
  pane->append("Searching for \"kv\"\r\n");
  pane->append("main.js(3): kv.fs\r\n");
  EXPECT_EQ(text(), "Searching for \"kv\"\r\nmain.js(3): kv.fs\r\n");
  SendMessageW(pane->listControl(), WM_CHAR, 'x', 0);
  EXPECT_EQ(text(), "Searching for \"kv\"\r\nmain.js(3): kv.fs\r\n");
  pane->clear();
  EXPECT_EQ(text(), "");
}

TEST_F(OutputPaneTest, DoubleClickOpensTheNamedDocumentAtItsLine) {
  pane->append("Searching for \"kv\" in 3 files\r\n"
               "main.js(12): var f = kv.fs.File();\r\n"
               "net helpers.js(1):kv\r\n"
               "other.js(4): not in the project\r\n"
               "Main.win(x)\r\n"
               "\r\n"
               "2 matches (main.js)\r\n");
  struct Case {
    int line;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {0, {}},                                // the heading: no "(" at all
      {1, {"open main.js 11 -1"}},
      {2, {"open net helpers.js 0 -1"}},      // spaces belong to the name; ")" and ":" end the number
      {3, {}},                                // a name no document has
      {4, {"open Main.win -1 -1"}},           // no number: the document only, the caret stays
      {5, {}},                                // an empty line
      {6, {}},                                // the summary
      {99, {}},                               // past the end
  };
  for (const Case& c : cases) {
    host.calls.clear();
    doubleClick(c.line);
    EXPECT_EQ(host.calls, c.calls) << "line " << c.line;
  }
}

TEST_F(OutputPaneTest, DraggingTheTopEdgeStopsAtTheMinimumHeightAndTheMinimumTop) {
  ASSERT_EQ(placed().top, 300);
  drag(2, 42);  // 40 pixels down
  EXPECT_EQ(placed().top, 340);
  EXPECT_EQ(pane->height, 110);
  EXPECT_EQ(placed().bottom, 450);
  EXPECT_EQ(host.calls, std::vector<std::string>{"relayout"});

  drag(2, 300);  // far down: the pane keeps 51 pixels
  EXPECT_EQ(pane->height, 51);
  EXPECT_EQ(placed().top, 399);
  EXPECT_EQ(placed().bottom, 450);

  drag(2, -600);  // far up: the top stops at the minimum top
  EXPECT_EQ(placed().top, 100);
  EXPECT_EQ(pane->height, 350);
  EXPECT_EQ(placed().bottom, 450);
  EXPECT_FALSE(pane->dragging());
  EXPECT_EQ(GetCapture(), nullptr);

  host.calls.clear();
  drag(30, 80);  // below the drag zone: no drag
  EXPECT_EQ(placed().top, 100);
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(OutputPaneTest, CloseButtonHidesThePane) {
  mouse(WM_MOUSEMOVE, 389, 15);
  mouse(WM_LBUTTONDOWN, 389, 15);
  mouse(WM_LBUTTONUP, 389, 15);
  EXPECT_FALSE(pane->visible);
  EXPECT_FALSE(IsWindowVisible(pane->window));
  EXPECT_EQ(host.calls, std::vector<std::string>{"relayout"});
}

TEST_F(OutputPaneTest, EscapeInTheTextHidesThePane) {
  SetFocus(pane->listControl());
  SendMessageW(pane->listControl(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  SendMessageW(pane->listControl(), WM_CHAR, 27, 0x00010001);
  EXPECT_FALSE(pane->visible);
  EXPECT_FALSE(IsWindowVisible(pane->window));
  EXPECT_EQ(host.calls, std::vector<std::string>{"relayout"});
}

}  // namespace
