// The document tab strip in a real window: documents opened and closed through a stand-in for
// the frame, the mouse driven with the messages the system sends, and the painting read back
// pixel by pixel.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/framework/DocumentHost.h"
#include "app/framework/DocumentRecord.h"
#include "common/Text.h"
#include "editing/TabControl.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::Pump;
using Tab = KVTabStripModel::Tab;

constexpr COLORREF kNormal = RGB(157, 195, 224);
constexpr COLORREF kHover = RGB(181, 212, 236);
constexpr COLORREF kSelected = RGB(205, 228, 245);
constexpr COLORREF kStrip = RGB(132, 176, 210);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kOrange = RGB(240, 140, 30);

// Does what the frame does when the strip asks: opening adds the document's tab the first
// time and activates it; closing takes the tab away. Every call is written down.
class FakeHost : public KVDocumentHost {
public:
  void openDocument(DocumentRecord* record, int line, int position) override {
    calls.push_back("open " + record->item->displayName + " " + std::to_string(line) + " " + std::to_string(position));
    if (!record->editor) {
      record->editor = std::make_unique<KVEditorBase>();
      record->tabId = tabs->add(record);
    }
    tabs->select(record->tabId);
  }
  bool closeDocument(DocumentRecord* record) override {
    calls.push_back("close " + record->item->displayName);
    record->editor.reset();
    tabs->remove(record);
    return true;
  }
  bool removeDocument(DocumentRecord*) override { return false; }
  DocumentRecord* documentNamed(const std::string&) override { return nullptr; }
  void setStatusText(int, const std::string&) override {}
  void relayout() override {}

  KVTabControl* tabs = nullptr;
  std::vector<std::string> calls;
};

// The strip's client area as it paints itself.
class Snapshot {
public:
  explicit Snapshot(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    width = client.right;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -client.bottom;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    image.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const kvwin::MemoryDc dc(nullptr);
    {
      const kvwin::Selection selection(dc.get(), image.get());
      SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
      GdiFlush();
    }
    pixels = static_cast<const DWORD*>(bits);
  }
  COLORREF at(int x, int y) const {
    const DWORD p = pixels[y * width + x];
    return RGB((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
  }

private:
  kvwin::Bitmap image;
  const DWORD* pixels = nullptr;
  int width = 0;
};

std::string Colour(COLORREF c) {
  return "RGB(" + std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
         std::to_string(GetBValue(c)) + ")";
}

class TabControlTest : public ::testing::Test {
protected:
  // A strip 400 pixels wide: tabs up to x 373, the list button at 381-396, rows 2-17.
  void SetUp() override {
    WNDCLASSW parentClass = {};
    parentClass.lpfnWndProc = DefWindowProcW;
    parentClass.hInstance = GetModuleHandleW(nullptr);
    parentClass.lpszClassName = L"KVTabStripTestParent";
    RegisterClassW(&parentClass);
    parent = CreateWindowExW(0, L"KVTabStripTestParent", L"Tabs", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 500, 200,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    tabs = std::make_unique<KVTabControl>(host);
    host.tabs = tabs.get();
    ASSERT_TRUE(tabs->createPane(parent, 0, 0, 400));
    ASSERT_EQ(tabs->stripHeight(), 22);  // these tests are written for 96 DPI
  }
  void TearDown() override {
    if (GetCapture()) ReleaseCapture();
    DestroyWindow(parent);
    Pump();
  }

  DocumentRecord* document(const std::string& name) {
    items.push_back(std::make_unique<ProjectItem>());
    items.back()->displayName = name;
    items.back()->fileName = name;
    records.push_back(std::make_unique<DocumentRecord>(items.back().get()));
    return records.back().get();
  }
  DocumentRecord* open(const std::string& name) {
    DocumentRecord* record = document(name);
    host.openDocument(record, -1, -1);
    return record;
  }
  // The title's width in the strip's font, as the system measures it.
  int measured(const std::string& title) const {
    const kvwin::WindowDc dc(tabs->window);
    const kvwin::Selection selection(dc.get(), tabs->font);
    const kvtext::WideString wide = kvtext::Utf8ToWide(title);
    SIZE size = {};
    GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
    return size.cx;
  }
  const Tab& tab(const DocumentRecord* record) const {
    const Tab* found = tabs->strip().Find(record->tabId);
    EXPECT_NE(found, nullptr);
    return found ? *found : tabs->tabList().front();
  }
  int right(const DocumentRecord* record) const { return tab(record).left + tab(record).width; }
  // The middle of a tab's close button.
  POINT closeButton(const DocumentRecord* record) const { return {right(record) - 11, 10}; }
  void mouse(UINT message, int x, int y) {
    const WPARAM keys = message == WM_LBUTTONDOWN ? MK_LBUTTON : 0;
    SendMessageW(tabs->window, message, keys, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  }
  void click(int x, int y) {
    mouse(WM_MOUSEMOVE, x, y);
    mouse(WM_LBUTTONDOWN, x, y);
    mouse(WM_LBUTTONUP, x, y);
  }

  FakeHost host;
  HWND parent = nullptr;
  std::unique_ptr<KVTabControl> tabs;
  std::vector<std::unique_ptr<ProjectItem>> items;
  std::vector<std::unique_ptr<DocumentRecord>> records;
};

TEST_F(TabControlTest, TabsLieInOneRowAndTheNewestIsScrolledIntoViewByWholeTabs) {
  EXPECT_FALSE(IsWindowVisible(tabs->window));
  const char* names[] = {"main.js", "dialogs.js", "a.js", "network-helpers.js", "b.js", "strings.ext", "last.js"};
  std::vector<DocumentRecord*> opened;
  for (const char* name : names) opened.push_back(open(name));
  EXPECT_TRUE(IsWindowVisible(tabs->window));
  ASSERT_EQ(tabs->tabList().size(), 7u);
  EXPECT_EQ(opened[0]->tabId, 100);
  EXPECT_EQ(opened[6]->tabId, 106);

  for (std::size_t i = 0; i < opened.size(); ++i) {
    EXPECT_EQ(tab(opened[i]).width, measured(names[i]) + 33) << names[i];
    if (i > 0) {
      EXPECT_EQ(tab(opened[i]).left, right(opened[i - 1]) + 1) << names[i];
    }
  }
  // The active tab ends inside the limit; the tabs before the first whole one went out to
  // the left, and keeping one more would push the active tab past the limit.
  EXPECT_EQ(tabs->selectedRecord(), opened[6]);
  EXPECT_LE(right(opened[6]), 373);
  const int first = tabs->strip().FirstVisibleId() - 100;
  ASSERT_GT(first, 0);
  EXPECT_EQ(tab(opened[first]).left, 0);
  EXPECT_GT(right(opened[6]) + tab(opened[first - 1]).width + 1, 373);

  // Back to the first: scrolled to the left edge; a tab reaching past the limit is neither
  // drawn nor hit.
  host.openDocument(opened[0], -1, -1);
  EXPECT_EQ(tab(opened[0]).left, 0);
  std::size_t cut = 0;
  while (right(opened[cut]) <= 373) ++cut;
  ASSERT_LT(tab(opened[cut]).left + 2, 381);
  const Snapshot shot(tabs->window);
  EXPECT_EQ(Colour(shot.at(tab(opened[cut]).left + 2, 5)), Colour(kStrip));
  host.calls.clear();
  click(tab(opened[cut]).left + 2, 5);
  EXPECT_TRUE(host.calls.empty());
  click(tab(opened[1]).left + 2, 5);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"open dialogs.js -1 -1"}));
}

TEST_F(TabControlTest, TheCloseButtonClosesOnlyWhenReleasedOnIt) {
  struct Case {
    const char* what;
    int releaseDx, releaseDy;  // from the middle of the close button
    bool closes;
  };
  const Case cases[] = {
      {"released where it was pressed", 0, 0, true}, {"released on the button's last pixel", 7, 7, true},
      {"released just right of it", 8, 0, false},    {"released just below it", 0, 8, false},
      {"released below the strip", 0, 30, false},    {"released left of the strip", -400, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DocumentRecord* a = open("a.js");
    DocumentRecord* b = open("bb.js");
    host.openDocument(a, -1, -1);
    host.calls.clear();
    const POINT at = closeButton(b);
    mouse(WM_MOUSEMOVE, at.x, at.y);
    mouse(WM_LBUTTONDOWN, at.x, at.y);
    EXPECT_EQ(GetCapture(), tabs->window);
    EXPECT_TRUE(host.calls.empty());  // pressing the close button does not activate the tab
    mouse(WM_MOUSEMOVE, at.x + c.releaseDx, at.y + c.releaseDy);
    mouse(WM_LBUTTONUP, at.x + c.releaseDx, at.y + c.releaseDy);
    EXPECT_EQ(GetCapture(), nullptr);
    if (c.closes) {
      EXPECT_EQ(host.calls, (std::vector<std::string>{"close bb.js"}));
      EXPECT_EQ(b->tabId, 0);
      EXPECT_EQ(tabs->tabList().size(), 1u);
      host.closeDocument(a);
    } else {
      EXPECT_TRUE(host.calls.empty());
      EXPECT_EQ(tabs->tabList().size(), 2u);
      host.closeDocument(a);
      host.closeDocument(b);
    }
    EXPECT_FALSE(IsWindowVisible(tabs->window));
  }
}

TEST_F(TabControlTest, AfterAClickCloseTheTabThatSlidUnderTheMouseIsHovered) {
  DocumentRecord* a = open("a.js");
  DocumentRecord* b = open("b.js");
  DocumentRecord* c = open("c.js");
  host.openDocument(a, -1, -1);
  const POINT at = {tab(b).left + 3, 10};
  mouse(WM_MOUSEMOVE, at.x, at.y);
  EXPECT_EQ(tabs->strip().HoveredId(), b->tabId);
  const POINT close = closeButton(b);
  mouse(WM_MOUSEMOVE, close.x, close.y);
  mouse(WM_LBUTTONDOWN, close.x, close.y);
  mouse(WM_LBUTTONUP, close.x, close.y);
  ASSERT_EQ(b->tabId, 0);
  // c moved left by b's width + 1; the point is on c now.
  EXPECT_EQ(tabs->strip().HoveredId(), c->tabId);
  EXPECT_TRUE(tab(c).hover);
  EXPECT_EQ(tabs->selectedRecord(), a);
}

TEST_F(TabControlTest, RemovingTheActiveTabActivatesItsRightNeighbourOrTheLeftOneWhenLast) {
  struct Case {
    int active, closed;
    std::vector<std::string> calls;
    int selected;
  };
  const Case cases[] = {
      {1, 1, {"close b.js", "open c.js -1 -1"}, 2},
      {2, 2, {"close c.js", "open b.js -1 -1"}, 1},
      {2, 0, {"close a.js"}, 2},
      {0, 0, {"close a.js", "open b.js -1 -1"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.closed);
    tabs->clear();
    records.clear();
    DocumentRecord* docs[] = {open("a.js"), open("b.js"), open("c.js")};
    EXPECT_EQ(docs[0]->tabId, 100);  // ids start again after clearing
    host.openDocument(docs[c.active], -1, -1);
    host.calls.clear();
    click(closeButton(docs[c.closed]).x, closeButton(docs[c.closed]).y);
    EXPECT_EQ(host.calls, c.calls);
    EXPECT_EQ(docs[c.closed]->tabId, 0);
    EXPECT_EQ(tabs->selectedRecord(), docs[c.selected]);
    EXPECT_EQ(tabs->tabList().size(), 2u);
    EXPECT_EQ(tabs->tabList()[0].left, 0);
    EXPECT_EQ(tabs->tabList()[1].left, tabs->tabList()[0].width + 1);
  }
  // Down to no tab: nothing to open, the strip hides, remove says no tabs remain. A record
  // without a tab changes nothing.
  DocumentRecord* b = records[1].get();
  DocumentRecord* c = records[2].get();
  host.calls.clear();
  EXPECT_TRUE(tabs->remove(records[0].get()));
  EXPECT_EQ(tabs->tabList().size(), 2u);
  EXPECT_TRUE(tabs->remove(c));
  EXPECT_FALSE(tabs->remove(b));
  EXPECT_EQ(b->tabId, 0);
  EXPECT_TRUE(host.calls.empty());
  EXPECT_FALSE(IsWindowVisible(tabs->window));
}

TEST_F(TabControlTest, TheModifiedMarkDoesNotWidenTheTab) {
  DocumentRecord* a = open("a.js");
  DocumentRecord* b = open("b.js");
  const int width = tab(a).width;
  const int bLeft = tab(b).left;
  a->editor->modified = 1;
  tabs->repaintTab(a->tabId);
  EXPECT_TRUE(tab(a).modified);
  EXPECT_EQ(KVTabStripModel::Caption(tab(a)), "a.js*");
  EXPECT_EQ(tab(a).width, width);
  EXPECT_EQ(tab(b).left, bLeft);

  // A rename widens the tab and the next one follows.
  a->item->displayName = "a-longer-name.js";
  tabs->repaintTab(a->tabId);
  EXPECT_EQ(tab(a).width, measured("a-longer-name.js") + 33);
  EXPECT_EQ(tab(b).left, right(a) + 1);
}

TEST_F(TabControlTest, PaintingShowsTheStatesAndTheCloseButtonOnTheActiveAndHoveredTabs) {
  DocumentRecord* a = open("a.js");
  DocumentRecord* b = open("b.js");
  DocumentRecord* c = open("c.js");
  host.openDocument(b, -1, -1);
  // A cross pixel of the close picture: its middle row, black in both pictures.
  const auto cross = [&](const DocumentRecord* record) { return POINT{right(record) - 19 + 7, 2 + 7}; };

  Snapshot plain(tabs->window);
  EXPECT_EQ(Colour(plain.at(tab(a).left + 1, 1)), Colour(kNormal));
  EXPECT_EQ(Colour(plain.at(tab(b).left + 1, 1)), Colour(kSelected));
  EXPECT_EQ(Colour(plain.at(tab(c).left + 1, 19)), Colour(kNormal));
  EXPECT_EQ(Colour(plain.at(right(a), 5)), Colour(kStrip));          // the gap between tabs
  EXPECT_EQ(Colour(plain.at(right(c) + 5, 5)), Colour(kStrip));      // behind the tabs
  EXPECT_EQ(Colour(plain.at(right(c) + 5, 20)), Colour(kSelected));  // the bottom band
  EXPECT_EQ(Colour(plain.at(tab(a).left + 1, 21)), Colour(kSelected));
  EXPECT_EQ(Colour(plain.at(cross(b).x, cross(b).y)), Colour(kBlack));  // active: its close button
  EXPECT_EQ(Colour(plain.at(right(b) - 19, 2)), Colour(kSelected));     // drawn with its white left out
  EXPECT_EQ(Colour(plain.at(cross(a).x, cross(a).y)), Colour(kNormal));
  EXPECT_EQ(Colour(plain.at(cross(c).x, cross(c).y)), Colour(kNormal));
  // The list button: the triangle on the strip's colour.
  EXPECT_EQ(Colour(plain.at(381 + 7, 2 + 6)), Colour(kBlack));
  EXPECT_EQ(Colour(plain.at(381, 2)), Colour(kStrip));

  mouse(WM_MOUSEMOVE, tab(a).left + 3, 10);
  Snapshot hovered(tabs->window);
  EXPECT_EQ(Colour(hovered.at(tab(a).left + 1, 1)), Colour(kHover));
  EXPECT_EQ(Colour(hovered.at(cross(a).x, cross(a).y)), Colour(kBlack));
  EXPECT_EQ(Colour(hovered.at(cross(c).x, cross(c).y)), Colour(kNormal));

  // On the close button: the hovered picture, opaque, in its orange frame.
  mouse(WM_MOUSEMOVE, closeButton(a).x, closeButton(a).y);
  Snapshot onClose(tabs->window);
  EXPECT_EQ(Colour(onClose.at(right(a) - 19, 2)), Colour(kOrange));
  EXPECT_EQ(Colour(onClose.at(right(a) - 19 + 1, 2 + 1)), Colour(kWhite));
  EXPECT_EQ(Colour(onClose.at(cross(a).x, cross(a).y)), Colour(kBlack));

  mouse(WM_MOUSEMOVE, 381 + 7, 10);
  Snapshot onList(tabs->window);
  EXPECT_EQ(Colour(onList.at(tab(a).left + 1, 1)), Colour(kNormal));
  EXPECT_EQ(Colour(onList.at(381, 2)), Colour(kOrange));
  EXPECT_EQ(Colour(onList.at(381 + 1, 2 + 1)), Colour(kWhite));

  mouse(WM_MOUSELEAVE, 0, 0);
  Snapshot left(tabs->window);
  EXPECT_EQ(Colour(left.at(381, 2)), Colour(kStrip));
  EXPECT_FALSE(tabs->strip().ListHover());
}

TEST_F(TabControlTest, AStripNarrowerThanTheActiveTabShowsOnlyTheListButton) {
  open("a.js");
  DocumentRecord* wide = open("a-rather-long-document-name.js");
  const int width = tab(wide).width;
  MoveWindow(tabs->window, 0, 0, width + 26, 22, TRUE);
  EXPECT_TRUE(tabs->strip().TooNarrow());
  Snapshot narrow(tabs->window);
  EXPECT_EQ(Colour(narrow.at(1, 1)), Colour(kStrip));
  EXPECT_EQ(Colour(narrow.at(width + 26 - 19 + 7, 2 + 6)), Colour(kBlack));  // the list button
  host.calls.clear();
  click(5, 5);
  EXPECT_TRUE(host.calls.empty());

  MoveWindow(tabs->window, 0, 0, width + 27, 22, TRUE);
  EXPECT_FALSE(tabs->strip().TooNarrow());
  EXPECT_EQ(tab(wide).left, 0);
  Snapshot fits(tabs->window);
  EXPECT_EQ(Colour(fits.at(1, 1)), Colour(kSelected));
}

// The pop-up menu runs its own message loop: a timer on the parent reads the menu while it
// is open and picks an item with the keyboard.
struct MenuVisit {
  std::vector<std::string> names;
  RECT placed = {};
  int downPresses = 0;
};

void CALLBACK VisitMenu(HWND owner, UINT, UINT_PTR timer, DWORD) {
  const HWND popup = FindWindowW(L"#32768", nullptr);
  if (!popup || !IsWindowVisible(popup)) return;
  KillTimer(owner, timer);
  auto* visit = reinterpret_cast<MenuVisit*>(GetWindowLongPtrW(owner, GWLP_USERDATA));
  const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    visit->names.push_back(kvtext::WideToUtf8(text));
  }
  GetWindowRect(popup, &visit->placed);
  for (int i = 0; i < visit->downPresses; ++i) PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(popup, WM_KEYDOWN, visit->downPresses > 0 ? VK_RETURN : VK_ESCAPE, 0);
}

TEST_F(TabControlTest, TheListButtonListsTheNamesWithoutTheMarkAndOpensTheChosenOne) {
  open("a.js");
  DocumentRecord* b = open("b&c.js");
  open("d.js");
  b->editor->modified = 1;
  tabs->repaintTab(b->tabId);
  struct Case {
    int downPresses;
    std::vector<std::string> calls;
  };
  const Case cases[] = {{2, {"open b&c.js -1 -1"}}, {0, {}}};
  for (const Case& c : cases) {
    MenuVisit visit;
    visit.downPresses = c.downPresses;
    SetWindowLongPtrW(parent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&visit));
    SetTimer(parent, 1, 50, VisitMenu);
    host.calls.clear();
    click(381 + 7, 10);
    KillTimer(parent, 1);
    EXPECT_EQ(visit.names, (std::vector<std::string>{"a.js", "b&&c.js", "d.js"}));
    POINT corner = {381, 18};
    ClientToScreen(tabs->window, &corner);
    EXPECT_EQ(visit.placed.left, corner.x);
    EXPECT_EQ(visit.placed.top, corner.y);
    EXPECT_EQ(host.calls, c.calls);
  }
  EXPECT_EQ(tabs->selectedRecord(), b);
}

}  // namespace
