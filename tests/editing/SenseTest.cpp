#include "editing/Sense.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "designer/WinFile.h"
#include "editing/ApiCatalogue.h"
#include "editing/CaretExpression.h"
#include "platform/Platform.h"
#include "tests/common/TempFolder.h"

namespace {

using kvapi::ControlKind;
using kvapi::SenseObjectKind;

constexpr char kSep = kvplatform::kPathSeparator;

std::string ObjectList(SenseObjectKind kind) { return std::string(kvapi::ObjectMemberList(kind)); }
std::string ControlList(ControlKind kind) { return std::string(kvapi::ControlMemberList(kind)); }
std::string NamespaceList(const char* name) {
  return std::string(*kvapi::NamespaceMemberList(name, ""));
}
std::string Global(const char* name) { return std::string(*kvapi::GlobalSignature(name)); }

// A dialog window with the given (kind, name) controls, as the designer would save it.
std::string WindowText(const std::vector<std::pair<std::string, std::string>>& controls) {
  KVWinFile window;
  window.window.width = 300;
  window.window.height = 200;
  window.window.caption = "Window";
  for (const auto& [kind, name] : controls) {
    KVControlRecord control;
    control.kind = kind;
    control.name = name;
    control.width = 80;
    control.height = 20;
    window.controls.push_back(control);
  }
  window.Normalize();
  std::string text;
  EXPECT_TRUE(window.Write(text).ok);
  return text;
}

class SenseProject : public testing::Test {
protected:
  SenseProject() {
    for (const char* sub : {"Source Files", "Dialog Windows", "External Libraries"}) {
      kvplatform::CreateFolder(folder / sub);
    }
  }

  std::string Source(const std::string& name) const { return folder / ("Source Files" + std::string(1, kSep) + name); }
  void WriteSource(const std::string& name, const std::string& text) const { kvtest::TempFolder::Write(Source(name), text); }

  void AddItem(ProjectItemType type, const std::string& sub, const std::string& fileName,
               const std::string& text) {
    const std::string path = folder / (sub + kSep + fileName);
    kvtest::TempFolder::Write(path, text);
    items.push_back(std::make_unique<ProjectItem>(ProjectItem::FromPath(path, type)));
  }
  void AddWindow(const std::string& fileName, const std::string& text) {
    AddItem(ProjectItemType::DialogWindow, "Dialog Windows", fileName, text);
  }
  void AddLibrary(const std::string& fileName, const std::string& text) {
    AddItem(ProjectItemType::ExternalLibrary, "External Libraries", fileName, text);
  }

  void Rescan() { sense.Rescan(folder.Path(), items); }

  // The list for a "." typed at the end of line.
  std::string ListAfter(const std::string& line) const { return sense.MemberListAt(line, line.size()); }
  std::optional<std::string> TipAfter(const std::string& line) const { return sense.CallTipAt(line, line.size()); }

  kvtest::TempFolder folder;
  KVProject::ItemList items;
  KVSense sense;
};

TEST(CaretExpression, RunsBackToBlankTabOrParenthesis) {
  struct Case {
    std::string line;
    std::size_t caret;
    std::optional<std::string> expected;
  };
  const std::string longRun(5000, 'a');
  const Case cases[] = {
      {"kv.", 3, "kv"},
      {"x = kv.", 7, "kv"},
      {"x=kv.", 5, "x=kv"},  // an equals sign does not end the expression
      {"f(kv.", 5, "kv"},
      {"\tkv.fs.", 7, "kv.fs"},
      {"a kv.", 5, "kv"},
      {"'hello kv.", 10, "kv"},
      {"foo (", 5, ""},  // a blank before the "(" leaves nothing
      {"(.", 2, ""},
      {"..", 2, "."},
      {".", 1, std::nullopt},  // the typed character alone
      {"", 0, std::nullopt},
      {"kv.fs.path", 3, "kv"},  // the caret within the line, text after it ignored
      {"kv.", 4, std::nullopt},  // caret past the text
      {longRun + " kv.", longRun.size() + 4, "kv"},
      {longRun + ".", longRun.size() + 1, longRun},
  };
  for (const Case& c : cases) {
    const auto got = kvsense::ExpressionBeforeCaret(c.line, c.caret);
    ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.line.substr(0, 40) << " @" << c.caret;
    if (got) {
      EXPECT_EQ(std::string(*got), *c.expected) << c.line.substr(0, 40) << " @" << c.caret;
    }
  }
}

TEST(CaretExpression, Triggers) {
  EXPECT_EQ(kvsense::TriggerFor('.'), kvsense::Trigger::MemberList);
  EXPECT_EQ(kvsense::TriggerFor('('), kvsense::Trigger::CallTip);
  EXPECT_EQ(kvsense::TriggerFor(')'), kvsense::Trigger::CancelCallTip);
  EXPECT_EQ(kvsense::TriggerFor('a'), kvsense::Trigger::None);
}

TEST_F(SenseProject, MemberListsAndCallTips) {
  WriteSource("main.js",
              "kv.include(\"lib/util.js\")\r\n"
              "var f = kv.fs.File()\r\n"
              "let w = new kv.Window('Main')\r\n"
              "  const h = kv.Http( )\r\n"
              "VAR x = NEW KV.XML()\r\n"
              "for (var loop = kv.Http(); ;)\r\n"
              "var a = kv.Http(), b = kv.XML()\r\n"
              "var gone = kv.Window(\"Missing\")\r\n"
              "var broken = kv.Window(\"Broken\")\r\n"
              "var dup = kv.Http()\r\n"
              "var dup = kv.XML()\r\n"
              "var spaced   junk = kv.Http()\r\n"
              "var twoBlanks = new  kv.Http()\r\n"
              "var argument = kv.fs.File(path)\r\n"
              "var unquoted = kv.Window(Main)\r\n"
              "var open = kv.Window('Main)\r\n"
              "var noValue =   \r\n"
              "var shadow = kv.XML()\r\n");
  kvplatform::CreateFolder(Source("lib"));
  WriteSource("lib" + std::string(1, kSep) + "util.js",
              "kv.include('main.js')\r\n"
              "kv.include(\"http://example.com/remote.js\")\r\n"
              "kv.include(\"lib\\more.js\")\r\n"
              "kv.include(\"lib\\\\more.js\")\r\n"
              "kv.include(\"lib//more.js\")\r\n"
              "kv.include(\"/lib/more.js\")\r\n"
              "var shadow = kv.Http()\r\n"
              "var fromUtil = kv.fs.File()\r\n");
  WriteSource("lib" + std::string(1, kSep) + "more.js", "var fromMore = kv.Http()\r\n");
  WriteSource("remote.js", "var remote = kv.Http()\r\n");
  WriteSource("http:", "");
  AddWindow("Main.win", WindowText({{"button", "okButton"},
                                    {"edit", "nameEdit"},
                                    {"combo", "choice"},
                                    {"listview", "list"},
                                    {"check", "my check"},
                                    {"button", "okButton"}}));
  AddWindow("Broken.win", "not a dialog window\r\n");
  AddLibrary("a.ext", "C:\\a.dll\r\nint Alpha(int a)\r\n\r\nvoid Beta()\r\nno parenthesis\r\n");
  // Names the list cannot carry (a blank or "?" would break its entries) are left out.
  AddLibrary("b.ext", "b.dll\r\ncdecl int Gamma(int)\r\nunsigned long Wide(int)\r\nint  Spaced(int)\r\n"
                      "int a?b(int)\r\nint (int)\r\n");
  Rescan();

  const std::string windowList = ObjectList(SenseObjectKind::Window) + " choice?3 list?3 nameEdit?3 okButton?3";
  const std::pair<std::string, std::string> lists[] = {
      {"kv.", NamespaceList("kv")},
      {"(kv.", NamespaceList("kv")},
      {"x=kv.", ""},
      {"KV.", ""},
      {"kv.fs.", NamespaceList("kv.fs")},
      {"kv.fs.path.", NamespaceList("kv.fs.path")},
      {"kv.sqlite3.", NamespaceList("kv.sqlite3")},
      {"kv.lib.", "Alpha Beta Gamma"},
      {"f.", ObjectList(SenseObjectKind::File)},
      {"  f.", ObjectList(SenseObjectKind::File)},
      {"w.", windowList},
      {"w.okButton.", ControlList(ControlKind::button)},
      {"w.nameEdit.", ControlList(ControlKind::edit)},
      {"w.list.", ControlList(ControlKind::listview)},
      {"w.missing.", ""},
      {"w.okButton.enable.", ""},
      {"h.", ObjectList(SenseObjectKind::Http)},
      {"x.", ObjectList(SenseObjectKind::XML)},
      {"loop.", ""},
      {"a.", ObjectList(SenseObjectKind::Http)},
      {"b.", ""},
      {"gone.", ""},
      {"gone.okButton.", ""},
      {"broken.", ObjectList(SenseObjectKind::Window)},  // all header: a window without controls
      {"dup.", ObjectList(SenseObjectKind::Http)},
      {"spaced.", ObjectList(SenseObjectKind::Http)},
      {"twoBlanks.", ""},
      {"argument.", ""},
      {"unquoted.", ""},
      {"open.", ""},
      {"noValue.", ""},
      {"shadow.", ObjectList(SenseObjectKind::XML)},
      {"fromUtil.", ObjectList(SenseObjectKind::File)},
      {"fromMore.", ObjectList(SenseObjectKind::Http)},
      {"remote.", ""},
      {"'f.", ""},
      {"s = 'text f.", ObjectList(SenseObjectKind::File)},
      {"nothing.", ""},
  };
  for (const auto& [line, expected] : lists) EXPECT_EQ(ListAfter(line), expected) << line;

  const std::pair<std::string, std::optional<std::string>> tips[] = {
      {"kv.fs.readFile(", Global("kv.fs.readFile")},
      {"x = kv.Window(", Global("kv.Window")},
      {"kv.fs.readFile (", std::nullopt},
      {"x=kv.fs.readFile(", std::nullopt},
      {"f.open(", "boolean open(string path, [string mode='R'])"},
      {"h.open(", "boolean open(string url)"},
      {"x.load(", "boolean load(string XmlStringOrXmlFile)"},
      {"f.eol(", "number"},
      {"w.open(", "boolean open()"},
      {"if (w.list.addColumn(", "number addColumn(string name, number width, [number format=0])"},
      {"w.choice.addString(", "boolean addString(string value)"},
      {"w.okButton.enable(", std::nullopt},  // buttons have no signatures
      {"w.nameEdit.enable(", std::nullopt},
      {"w.missing.enable(", std::nullopt},
      {"gone.list.addColumn(", std::nullopt},
      {"f.missing(", std::nullopt},
      {"nothing.open(", std::nullopt},
      {"(", std::nullopt},
  };
  for (const auto& [line, expected] : tips) EXPECT_EQ(TipAfter(line), expected) << line;

  const std::vector<std::string> scanned = {Source("main.js"), Source("lib" + std::string(1, kSep) + "util.js"),
                                            Source("lib" + std::string(1, kSep) + "more.js")};
  EXPECT_EQ(sense.ScannedFiles(), scanned);
}

TEST_F(SenseProject, IncludesAreScannedDepthFirstAndFirstFileDecides) {
  WriteSource("main.js",
              "kv.include('a.js')\r\n"
              "kv.include( \"b.js\")\r\n"
              "KV.INCLUDE('a.js')\r\n"
              "kv.include('missing.js')\r\n"
              "kv.include('unclosed.js)\r\n"
              "var late = kv.Http()\r\n");
  WriteSource("a.js", "\tkv.include('c.js')\r\nvar late = kv.XML()\r\nvar fromC = kv.XML()\r\n");
  WriteSource("b.js", "var fromB = kv.Http()\r\n");
  WriteSource("c.js", "var fromC = kv.fs.File()\r\nkv.include('main.js')\r\n");
  Rescan();
  const std::vector<std::string> order = {Source("main.js"), Source("a.js"), Source("c.js"), Source("b.js")};
  EXPECT_EQ(sense.ScannedFiles(), order);
  EXPECT_EQ(ListAfter("late."), ObjectList(SenseObjectKind::Http));      // main.js before its includes
  EXPECT_EQ(ListAfter("fromC."), ObjectList(SenseObjectKind::XML));      // a.js before c.js
  EXPECT_EQ(ListAfter("fromB."), ObjectList(SenseObjectKind::Http));
}

TEST_F(SenseProject, NothingWithoutMainScript) {
  WriteSource("other.js", "var f = kv.fs.File()\r\n");
  AddLibrary("a.ext", "a.dll\r\nint Alpha()\r\n");
  Rescan();
  EXPECT_TRUE(sense.ScannedFiles().empty());
  EXPECT_EQ(ListAfter("f."), "");
  EXPECT_EQ(ListAfter("kv.lib."), "Alpha");
  EXPECT_EQ(ListAfter("kv."), NamespaceList("kv"));
}

TEST_F(SenseProject, EmptyLibraryListStillAnswersTheNamespace) {
  WriteSource("main.js", "");
  Rescan();
  EXPECT_EQ(ListAfter("kv.lib."), "");
  EXPECT_EQ(TipAfter("kv.msgbox("), Global("kv.msgbox"));
}

TEST_F(SenseProject, KnowsOnlyWhatTheLastRescanSaw) {
  WriteSource("main.js", "var v = kv.Http()\r\nvar w = kv.Window('Main')\r\n");
  AddWindow("Main.win", WindowText({{"button", "first"}}));
  Rescan();
  WriteSource("main.js", "var v = kv.XML()\r\n");
  kvtest::TempFolder::Write(items[0]->Path(), WindowText({{"edit", "second"}}));
  EXPECT_EQ(ListAfter("v."), ObjectList(SenseObjectKind::Http));
  EXPECT_EQ(ListAfter("w.first."), ControlList(ControlKind::button));

  Rescan();
  EXPECT_EQ(ListAfter("v."), ObjectList(SenseObjectKind::XML));
  EXPECT_EQ(ListAfter("w."), "");
  EXPECT_EQ(ListAfter("w.first."), "");

  items.clear();
  sense.Rescan(folder / "elsewhere", items);
  EXPECT_EQ(ListAfter("v."), "");
  EXPECT_TRUE(sense.ScannedFiles().empty());
}

TEST_F(SenseProject, RepeatedWindowNameKeepsTheFirst) {
  WriteSource("main.js", "var w = kv.Window('Main')\r\n");
  AddWindow("Main.win", WindowText({{"button", "first"}}));
  kvplatform::CreateFolder(folder / "Other");
  const std::string otherPath = folder / ("Other" + std::string(1, kSep) + "Main.win");
  kvtest::TempFolder::Write(otherPath, WindowText({{"edit", "second"}}));
  items.push_back(std::make_unique<ProjectItem>(ProjectItem::FromPath(otherPath, ProjectItemType::DialogWindow)));
  Rescan();
  EXPECT_EQ(ListAfter("w."), ObjectList(SenseObjectKind::Window) + " first?3");
}

TEST_F(SenseProject, WindowWithoutControls) {
  WriteSource("main.js", "var w = kv.Window(\"Empty\")\r\n");
  AddWindow("Empty.win", WindowText({}));
  Rescan();
  EXPECT_EQ(ListAfter("w."), ObjectList(SenseObjectKind::Window));
}

// A control line as the designer writes it, with the given keyword and name.
std::string ControlLine(const std::string& kind, const std::string& name) {
  return kind + " 0 0 0 300 1 2 3 4 \"" + name + "\" \"\" \"\" \"Default\" \"\"\r\n";
}

// A window's controls are scanned line by line: whatever is wrong with one line costs that
// line and no other. Each case puts its lines between a button "first" and an edit "last".
TEST_F(SenseProject, AFaultyWindowLineCostsOnlyThatLine) {
  const std::string header = WindowText({});
  const std::string button = ControlList(ControlKind::button);
  const std::string edit = ControlList(ControlKind::edit);
  struct Case {
    const char* what;
    std::string before;  // prepended to the file
    std::string lines;
    // Every control the window then has, in name order, with its member list ("" for none).
    std::vector<std::pair<std::string, std::string>> controls;
  };
  const Case cases[] = {
      {"byte-order mark before the header", "\xEF\xBB\xBF", "", {{"first", button}, {"last", edit}}},
      {"byte-order mark before a control line", "", "\xEF\xBB\xBF" + ControlLine("check", "marked"),
       {{"first", button}, {"last", edit}, {"marked", ""}}},
      {"unknown keyword", "", ControlLine("slider", "future"), {{"first", button}, {"future", ""}, {"last", edit}}},
      {"keyword in capitals", "", ControlLine("TREEVIEW", "tree"),
       {{"first", button}, {"last", edit}, {"tree", ControlList(ControlKind::treeview)}}},
      {"line without name field", "", "button 0 0 300 1 2 3 \"short\" \"\"\r\ngarbage\r\n\r\n",
       {{"first", button}, {"last", edit}}},
      {"unclosed name", "", "combo 0 0 0 300 1 2 3 4 \"open\r\n", {{"first", button}, {"last", edit}}},
      {"ninth number", "", "combo 0 0 0 300 1 2 3 4 5 \"ninth\" \"\" \"\" \"Default\" \"\"\r\n",
       {{"first", button}, {"last", edit}, {"ninth", ControlList(ControlKind::combo)}}},
      {"empty name", "", ControlLine("button", ""), {{"first", button}, {"last", edit}}},
      {"menu block", "",
       "MENU\r\nsubmenu \"&File\"\r\n" + ControlLine("button", "inMenu") + "endsubmenu\r\nendmenu\r\n" +
           ControlLine("text", "afterMenu"),
       {{"afterMenu", ControlList(ControlKind::text)}, {"first", button}, {"last", edit}}},
      {"menu block without its end", "", "menu\r\n" + ControlLine("button", "inMenu"), {{"first", button}}},
      {"repeated name", "", ControlLine("listview", "first"), {{"first", button}, {"last", edit}}},
  };
  WriteSource("main.js", "var w = kv.Window('Main')\r\n");
  AddWindow("Main.win", "");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kvtest::TempFolder::Write(items[0]->Path(), c.before + header + ControlLine("button", "first") + c.lines +
                                                    ControlLine("edit", "last"));
    Rescan();
    std::string list = ObjectList(SenseObjectKind::Window);
    for (const auto& [name, members] : c.controls) list += " " + name + "?3";
    EXPECT_EQ(ListAfter("w."), list);
    for (const auto& [name, members] : c.controls) EXPECT_EQ(ListAfter("w." + name + "."), members) << name;
  }
}

TEST_F(SenseProject, ControlWithoutKindHasNoCallTip) {
  WriteSource("main.js", "var w = kv.Window('Main')\r\n");
  AddWindow("Main.win", WindowText({}) + ControlLine("slider", "future"));
  Rescan();
  EXPECT_EQ(TipAfter("w.future.addString("), std::nullopt);
}

TEST_F(SenseProject, LongLinesKeepTheirFirst4095Bytes) {
  const std::string filler(5000, 'x');
  WriteSource("main.js",
              "// " + filler + "\r\n"
              "var early = kv.Http() // " + filler + "\r\n"
              "var " + std::string(4090, 'n') + " = kv.Http()\r\n"
              "kv.include('" + std::string(4090, 'i') + ".js')\r\n"
              "var after = kv.XML()\r\n");
  Rescan();
  EXPECT_EQ(ListAfter("early."), ObjectList(SenseObjectKind::Http));
  EXPECT_EQ(ListAfter(std::string(4090, 'n') + "."), "");
  EXPECT_EQ(ListAfter("after."), ObjectList(SenseObjectKind::XML));
  EXPECT_EQ(sense.ScannedFiles().size(), 1u);
}

TEST_F(SenseProject, LoneLineFeedsMakeOneLine) {
  WriteSource("main.js", "var first = kv.Http()\nvar second = kv.XML()\nkv.include('a.js')\n");
  WriteSource("a.js", "var third = kv.Http()\r\n");
  Rescan();
  EXPECT_EQ(ListAfter("first."), ObjectList(SenseObjectKind::Http));
  EXPECT_EQ(ListAfter("second."), "");
  EXPECT_EQ(sense.ScannedFiles().size(), 1u);
}

TEST_F(SenseProject, LongIncludeChain) {
  // Deeper than a recursive scan's stack and the C runtime's open streams would allow.
  constexpr int kDepth = 3000;
  for (int n = 0; n < kDepth; ++n) {
    const std::string name = n == 0 ? "main.js" : "f" + std::to_string(n) + ".js";
    std::string text = "var v" + std::to_string(n) + " = kv.Http()\r\n";
    if (n + 1 < kDepth) text = "kv.include('f" + std::to_string(n + 1) + ".js')\r\n" + text;
    WriteSource(name, text);
  }
  Rescan();
  EXPECT_EQ(sense.ScannedFiles().size(), static_cast<std::size_t>(kDepth));
  EXPECT_EQ(ListAfter("v0."), ObjectList(SenseObjectKind::Http));
  EXPECT_EQ(ListAfter("v" + std::to_string(kDepth - 1) + "."), ObjectList(SenseObjectKind::Http));
}

}  // namespace
