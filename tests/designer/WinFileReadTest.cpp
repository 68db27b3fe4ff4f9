#include <gtest/gtest.h>

#include <string>

#include "designer/WinFile.h"
#include "tests/designer/WinFixtures.h"

namespace {

using kvtest::Crlf;
using kvtest::Header;

KVWinFile ReadOk(const std::string& text) {
  KVWinFile model;
  const KVWinResult result = model.Read(text);
  EXPECT_TRUE(result.ok) << result.Describe();
  return model;
}

TEST(WinFileRead, MainWindowTemplate) {
  const KVWinFile model = ReadOk(kvtest::MainWindowText());
  EXPECT_EQ("Window", model.window.kind);
  EXPECT_EQ(0x10CA0000, model.window.style);
  EXPECT_EQ(0, model.window.exStyle);
  EXPECT_EQ("Main Window", model.window.caption);
  EXPECT_EQ(400, model.window.width);
  EXPECT_EQ(300, model.window.height);
  EXPECT_EQ("onInit", model.window.initHandler);
  EXPECT_EQ("onSysClose", model.window.closeHandler);
  EXPECT_EQ("", model.window.handler);
  EXPECT_EQ("Default", model.window.fontLabel);
  EXPECT_EQ("", model.window.fontData);
  EXPECT_FALSE(model.hasMenu);

  ASSERT_EQ(2u, model.controls.size());
  const KVControlRecord& ok = model.controls[0];
  EXPECT_EQ("button", ok.kind);
  EXPECT_EQ(0x54014000, ok.style);
  EXPECT_EQ(300, ok.id);
  EXPECT_EQ(235, ok.x);
  EXPECT_EQ(265, ok.y);
  EXPECT_EQ(75, ok.width);
  EXPECT_EQ(25, ok.height);
  EXPECT_EQ("okButton", ok.name);
  EXPECT_EQ("OK", ok.caption);
  EXPECT_EQ("onOK", ok.handler);
  EXPECT_EQ("Default", ok.fontLabel);
  EXPECT_EQ("cancelButton", model.controls[1].name);
  EXPECT_EQ(301, model.controls[1].id);
  EXPECT_TRUE(model.idInUse.InUse(300));
  EXPECT_TRUE(model.idInUse.InUse(301));
  EXPECT_FALSE(model.idInUse.InUse(100));
}

TEST(WinFileRead, KeywordsInAnyCaseGiveLowerCaseKinds) {
  const KVWinFile model = ReadOk(Header() + Crlf({
                                                "BUTTON 0 0 0 1 0 0 1 1 \"a\" \"\" \"\" \"Default\" \"\"",
                                                "Check 0 0 0 2 0 0 1 1 \"b\" \"\" \"\" \"Default\" \"\"",
                                                "eDiT 0 0 0 3 0 0 1 1 \"c\" \"\" \"\" \"Default\" \"\"",
                                                "TEXT 0 0 0 4 0 0 1 1 \"d\" \"\" \"\" \"Default\" \"\"",
                                                "Combo 0 0 0 5 0 0 1 1 \"e\" \"\" \"\" \"Default\" \"\"",
                                                "LISTVIEW 0 0 32 6 0 0 1 1 \"f\" \"\" \"\" \"Default\" \"\"",
                                                "TreeView 0 0 0 7 0 0 1 1 \"g\" \"\" \"\" \"Default\" \"\"",
                                            }));
  const char* const kinds[] = {"button", "check", "edit", "text", "combo", "listview", "treeview"};
  ASSERT_EQ(7u, model.controls.size());
  for (int i = 0; i < 7; ++i) EXPECT_EQ(kinds[i], model.controls[i].kind);
  EXPECT_EQ(32, model.controls[5].listViewExStyle);
}

TEST(WinFileRead, EmptyNamesAreMadeFromKindAndTheIdAsWritten) {
  const KVWinFile model = ReadOk(Header() + Crlf({
                                                "button 0 0 0 300 0 0 1 1 \"\" \"A\" \"\" \"Default\" \"\"",
                                                "button 0 0 0 300 0 0 1 1 \"\" \"B\" \"\" \"Default\" \"\"",
                                                "edit 0 0 0 99999 0 0 1 1 \"\" \"\" \"\" \"Default\" \"\"",
                                                "text 0 0 0 -4 0 0 1 1 \"named\" \"\" \"\" \"Default\" \"\"",
                                            }));
  ASSERT_EQ(4u, model.controls.size());
  EXPECT_EQ("button300", model.controls[0].name);
  EXPECT_EQ(300, model.controls[0].id);
  // The repeat keeps the name made from the id it was written with, but gets a free id.
  EXPECT_EQ("button300", model.controls[1].name);
  EXPECT_EQ(100, model.controls[1].id);
  // Ids outside the table are replaced like repeats.
  EXPECT_EQ("edit99999", model.controls[2].name);
  EXPECT_EQ(101, model.controls[2].id);
  EXPECT_EQ(102, model.controls[3].id);
}

TEST(WinFileRead, NegativeAndExtremeNumbers) {
  const KVWinFile model = ReadOk(
      Crlf({"1", "-1798701056 8", "W", "-5 0", "", "", "", "Default", "",
            "edit -2147483648 2147483647 0 5 -20 -3 +10 0 \"e\" \"\" \"\" \"Default\" \"\""}));
  EXPECT_EQ(static_cast<std::int32_t>(0x94CA0000), model.window.style);
  EXPECT_EQ(-5, model.window.width);
  const KVControlRecord& edit = model.controls.at(0);
  EXPECT_EQ(INT32_MIN, edit.style);
  EXPECT_EQ(INT32_MAX, edit.exStyle);
  EXPECT_EQ(-20, edit.x);
  EXPECT_EQ(-3, edit.y);
  EXPECT_EQ(10, edit.width);
}

TEST(WinFileRead, FontsByLabel) {
  const KVWinFile model = ReadOk(
      Crlf({"1", "0 0", "W", "1 1", "", "", "", "Segoe UI (9)", "-12 0 0 0 400 0 0 0 1 0 0 0 0 Segoe UI",
            "text 0 0 0 5 0 0 1 1 \"t\" \"\" \"\" \"Default\" \"-12 0 0 0 400 0 0 0 1 0 0 0 0 Arial\"",
            "text 0 0 0 6 0 0 1 1 \"u\" \"\" \"\" \"Default\" \"left over\"",
            "text 0 0 0 7 0 0 1 1 \"v\" \"\" \"\" \"Arial (10)\" \"-13 0 0 0 700 0 0 0 0 0 0 0 0 Arial\""}));
  EXPECT_EQ("Segoe UI (9)", model.window.fontLabel);
  EXPECT_EQ("-12 0 0 0 400 0 0 0 1 0 0 0 0 Segoe UI", model.window.fontData);
  // With "Default" the font data is not read, whatever it holds, and kept for writing.
  EXPECT_EQ("-12 0 0 0 400 0 0 0 1 0 0 0 0 Arial", model.controls.at(0).fontData);
  EXPECT_EQ("left over", model.controls.at(1).fontData);
  EXPECT_EQ("Arial (10)", model.controls.at(2).fontLabel);
}

TEST(WinFileRead, WhatTheFormatIgnores) {
  // Unknown lines are skipped, text after the fifth string is dropped, an empty line ends the
  // controls, and the text ends at its first NUL.
  std::string text = Header() + Crlf({"# a note", "buttons 1 2 3", "button",
                                      kvtest::kOkLine + " trailing words",
                                      "", kvtest::kCancelLine});
  KVWinFile model = ReadOk(text);
  ASSERT_EQ(1u, model.controls.size());
  EXPECT_EQ("okButton", model.controls[0].name);

  text = Header() + kvtest::kOkLine + "\r\n" + std::string(1, '\0') + kvtest::kCancelLine + "\r\n";
  model = ReadOk(text);
  EXPECT_EQ(1u, model.controls.size());

  model = ReadOk(Header() + kvtest::kOkLine);  // no line end after the last line
  EXPECT_EQ(1u, model.controls.size());
}

TEST(WinFileRead, AddMenuBlock) {
  const KVWinFile model = ReadOk(Header() + kvtest::AddMenuBlock());
  ASSERT_TRUE(model.hasMenu);
  ASSERT_EQ(1u, model.menuRoot.children.size());
  const KVMenuItem& file = model.menuRoot.children[0];
  EXPECT_EQ(MenuItemKind::Submenu, file.kind);
  EXPECT_EQ("&File", file.text);
  ASSERT_EQ(1u, file.children.size());
  const KVMenuItem& exit = file.children[0];
  EXPECT_EQ(MenuItemKind::Command, exit.kind);
  EXPECT_EQ(100, exit.id);
  EXPECT_EQ("E&xit", exit.text);
  EXPECT_EQ("onFileExit", exit.handler);
  EXPECT_EQ("", exit.accelKey);
  EXPECT_EQ(0, exit.ctrl);
  EXPECT_EQ(0, exit.shift);
  EXPECT_EQ(0, exit.alt);
  EXPECT_EQ(1, exit.fourthFlag);
  EXPECT_TRUE(model.idInUse.InUse(100));
}

TEST(WinFileRead, MenuItemsFlagsAndAcceleratorsAndLevels) {
  KVWinFile model;
  const KVWinResult result = model.Read(
      Header() + kvtest::kOkLine + "\r\n" +
      Crlf({"MENU", "SubMenu \"&Edit\" anything", "command 300 \"&Copy\" \"onCopy\" 1 0 0 1 C", "Separator",
            "not a menu line", "submenu \"&Find\"", "command 7 \"Next\" \"onNext\" 0 1 1 0 F12",
            "endmenu",  // closes "&Find" only
            "command 8 \"All\" \"\" 0 0 0 0", "endsubmenu", "endmenu", kvtest::kCancelLine}));
  ASSERT_TRUE(result.ok) << result.Describe();
  EXPECT_TRUE(result.menuClosed);
  ASSERT_EQ(1u, model.menuRoot.children.size());
  const KVMenuItem& edit = model.menuRoot.children[0];
  EXPECT_EQ("&Edit", edit.text);
  ASSERT_EQ(4u, edit.children.size());
  const KVMenuItem& copy = edit.children[0];
  // 300 belongs to the OK button, read first.
  EXPECT_EQ(100, copy.id);
  EXPECT_EQ(1, copy.ctrl);
  EXPECT_EQ("C", copy.accelKey);
  EXPECT_EQ(MenuItemKind::Separator, edit.children[1].kind);
  const KVMenuItem& find = edit.children[2];
  ASSERT_EQ(1u, find.children.size());
  EXPECT_EQ(7, find.children[0].id);
  EXPECT_EQ(1, find.children[0].shift);
  EXPECT_EQ(1, find.children[0].alt);
  EXPECT_EQ("F12", find.children[0].accelKey);
  // No space after the fourth flag: no accelerator.
  EXPECT_EQ("All", edit.children[3].text);
  EXPECT_EQ("", edit.children[3].accelKey);
  // Control lines after the menu block are still read, and the cancel button's id is free.
  ASSERT_EQ(2u, model.controls.size());
  EXPECT_EQ(301, model.controls[1].id);
}

TEST(WinFileRead, UnclosedMenuKeepsItsItemsAndSaysSo) {
  for (const std::string& end : {std::string(), std::string("\r\n") + kvtest::kOkLine + "\r\n"}) {
    KVWinFile model;
    const KVWinResult result =
        model.Read(Header() + Crlf({"menu", "submenu \"&File\"", "command 100 \"E&xit\" \"x\" 0 0 0 1 "}) + end);
    ASSERT_TRUE(result.ok) << result.Describe();
    EXPECT_FALSE(result.menuClosed);
    EXPECT_TRUE(model.hasMenu);
    ASSERT_EQ(1u, model.menuRoot.children.size());
    EXPECT_EQ(1u, model.menuRoot.children[0].children.size());
    EXPECT_TRUE(model.controls.empty());
  }
}

TEST(WinFileRead, MalformedTextFailsWithItsLineAndLeavesTheModelAlone) {
  const std::string ok9 = Header();
  const std::string good = "button 0 0 0 5 0 0 1 1 \"n\" \"c\" \"h\" \"Default\" \"\"";
  struct Case {
    std::string text;
    int line;
    const char* says;
  };
  const Case cases[] = {
      {"", 1, "format version"},
      {Crlf({"1", "0 0", "W"}), 4, "client width and height"},
      {Crlf({"1", "0 0", "W", "1 1", "", "", "", "Default"}), 9, "font data"},
      {Crlf({"1", "281673728", "W", "1 1", "", "", "", "Default", ""}), 2, "window style"},
      {Crlf({"1", "0 0", "W", "1 1", "", "", "", "Arial (9)", ""}), 9, "font data"},
      {Crlf({"1", "0 0", "W", "1 1", "", "", "", "default", "-12 0 0 0 400"}), 9, "font data"},
      {ok9 + Crlf({"button 0 0 0 5 0 0 1 \"n\" \"c\" \"h\" \"Default\" \"\""}), 10, "the height"},
      {ok9 + Crlf({"button 0 0 0 5 0 0 1 1 \"n\" \"c\" \"h\" \"Default\""}), 10, "one space before the font"},
      {ok9 + Crlf({"button 0 0 0 5 0 0 1 1 \"n\" \"c\" \"h\" \"Default\" \""}), 10, "font data between"},
      {ok9 + Crlf({"button 0 0 0 5 0 0 1 1 \"n\"\"c\" \"h\" \"Default\" \"\""}), 10, "one space before the caption"},
      {ok9 + Crlf({"button 0 0 0 5 0 0 1 1 n c h Default"}), 10, "the name between"},
      {ok9 + Crlf({"button 0 0 0 5 0 0 1 1 \"n\" \"c\" \"h\" \"Arial (9)\" \"\""}), 10, "font data"},
      {ok9 + Crlf({"edit 0 0 0 2147483648 0 0 1 1 \"n\" \"c\" \"h\" \"Default\" \"\""}), 10, "the id"},
      {ok9 + Crlf({good, "menu", "command 100 E&xit onFileExit 0 0 0 1 "}), 12, "label between double quotes"},
      {ok9 + Crlf({"menu", "command \"E&xit\" \"x\" 0 0 0 1 "}), 11, "command id"},
      {ok9 + Crlf({"menu", "command 100 \"E&xit\"\"x\" 0 0 0 1 "}), 11, "handler"},
      {ok9 + Crlf({"menu", "command 100 \"E&xit\" \"x\" 0 0 1"}), 11, "fourth flag"},
      {ok9 + Crlf({"menu", "command 100 \"E&xit\" \"x\" 0 0 0 10"}), 11, "after the fourth flag"},
      {ok9 + Crlf({"menu", "command 100 \"E&xit\" \"x\" 0 x 0 1 "}), 11, "Shift flag, one digit"},
      {Crlf({"1", "0 x", "W", "1 1", "", "", "", "Default", ""}), 2, "window style"},
      {Crlf({"1", "0 0", "W", "wide 1", "", "", "", "Default", ""}), 4, "client width"},
      {ok9 + Crlf({"button x 0 0 5 0 0 1 1 \"n\" \"c\" \"h\" \"Default\" \"\""}), 10, "the style"},
      {ok9 + Crlf({"button 0 0 0 5 0 0 1 1"}), 10, "the name between double quotes after the height"},
      {ok9 + Crlf({"menu", "submenu &File"}), 11, "submenu's label"},
      // Line ends other than CR LF would lose or join lines.
      {"1\n0 0\nW\n1 1\n\n\n\nDefault\n\n", 1, "CR LF"},
      {"1\r0 0\rW\r1 1\r\r\r\rDefault\r\r", 1, "CR LF"},
      {ok9 + good + "\r\n" + "text 0 0 0 6 0 0 1 1 \"a\nb\" \"\" \"\" \"Default\" \"\"\r\n", 11, "CR LF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    KVWinFile model;
    ASSERT_TRUE(model.Read(kvtest::MainWindowText()).ok);
    const KVWinResult result = model.Read(c.text);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(c.line, result.line);
    EXPECT_NE(std::string::npos, result.message.find(c.says)) << result.message;
    EXPECT_EQ("Line " + std::to_string(c.line) + ": " + result.message, result.Describe());
    EXPECT_EQ("Main Window", model.window.caption);
    EXPECT_EQ(2u, model.controls.size());
  }
}

// What the runtime reads by its simpler rules is read the same way: a number is what its
// field starts with, the header's second number follows the first space, the strings start
// at the first double quote after the height, and menu flags are single digits.
TEST(WinFileRead, LooseButReadableLinesReadAsTheRuntimeReadsThem) {
  KVWinFile model = ReadOk(Crlf({"1.0 beta", "281673728 0 extra", "W", "400  300 px", "", "", "", "Default", "",
                                 "button 0x10 0 0 300 5px 6 75 25 99 98 \"ok\" \"OK\" \"\" \"Default\" \"\"",
                                 "menu", "command 7x \"E&xit\" \"x\" 0 2 0 9 F4", "endmenu"}));
  EXPECT_EQ(281673728, model.window.style);
  EXPECT_EQ(0, model.window.exStyle);
  EXPECT_EQ(400, model.window.width);
  EXPECT_EQ(300, model.window.height);
  ASSERT_EQ(1u, model.controls.size());
  EXPECT_EQ(0, model.controls[0].style);
  EXPECT_EQ(5, model.controls[0].x);
  EXPECT_EQ(25, model.controls[0].height);
  EXPECT_EQ("ok", model.controls[0].name);
  const KVMenuItem& command = model.menuRoot.children.at(0);
  EXPECT_EQ(7, command.id);
  EXPECT_EQ(2, command.shift);
  EXPECT_EQ(9, command.fourthFlag);
  EXPECT_EQ("F4", command.accelKey);
  // Written back in the writer's own form, the flags as they were.
  std::string text;
  ASSERT_TRUE(model.Write(text).ok);
  EXPECT_NE(std::string::npos, text.find("\r\n400 300\r\n"));
  EXPECT_NE(std::string::npos, text.find("button 0 0 0 300 5 6 75 25 \"ok\""));
  EXPECT_NE(std::string::npos, text.find("command 7 \"E&xit\" \"x\" 0 2 0 9 F4\r\n"));
}

TEST(WinFileRead, LinesTheWriterCouldNotHoldAreRefused) {
  // 4,095 bytes with CR LF is the longest control line; the id may grow when it is replaced.
  const std::string head = "text 0 0 0 5 0 0 1 1 \"t\" \"";
  const std::string tail = "\" \"\" \"Default\" \"\"";
  const std::string fits = head + std::string(4093 - head.size() - tail.size(), 'c') + tail;
  ASSERT_EQ(4093u, fits.size());
  KVWinFile model;
  EXPECT_TRUE(model.Read(Header() + Crlf({fits})).ok);

  KVWinResult result = model.Read(Header() + Crlf({fits, fits}));  // the repeat becomes id 100: two bytes longer
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(11, result.line);
  EXPECT_NE(std::string::npos, result.message.find("4,095")) << result.message;

  const std::string command = "command 100 \"" + std::string(4096, 'x') + "\" \"\" 0 0 0 1 ";
  result = model.Read(Header() + Crlf({"menu", command, "endmenu"}));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(11, result.line);
}

TEST(WinFileRead, SubmenuNestingIsBounded) {
  std::string deep = Header() + "menu\r\n";
  for (int i = 0; i < KVWinFile::kMaxMenuDepth; ++i) deep += "submenu \"s\"\r\n";
  KVWinFile model;
  const KVWinResult fits = model.Read(deep);
  EXPECT_TRUE(fits.ok) << fits.Describe();
  const KVWinResult tooDeep = model.Read(deep + "submenu \"s\"\r\n");
  EXPECT_FALSE(tooDeep.ok);
  EXPECT_EQ(10 + KVWinFile::kMaxMenuDepth + 1, tooDeep.line);
}

TEST(WinFileRead, RunningOutOfIdsIsAnError) {
  std::string text = Header();
  for (int id = 100; id < KVIdTable::kSize; ++id) {
    text += "text 0 0 0 " + std::to_string(id) + " 0 0 1 1 \"t\" \"\" \"\" \"Default\" \"\"\r\n";
  }
  KVWinFile model;
  ASSERT_TRUE(model.Read(text).ok);
  // A free low id still fits; a repeat has nowhere to go.
  EXPECT_TRUE(model.Read(text + "text 0 0 0 0 0 0 1 1 \"t\" \"\" \"\" \"Default\" \"\"\r\n").ok);
  const KVWinResult result = model.Read(text + "text 0 0 0 100 0 0 1 1 \"t\" \"\" \"\" \"Default\" \"\"\r\n");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(10 + 10000, result.line);
}

TEST(WinFileRead, ControlLinesAppendWithIdsFromTheModel) {
  KVWinFile model;
  ASSERT_TRUE(model.Read(kvtest::MainWindowText()).ok);
  const KVWinResult result = model.ReadControlLines(
      Crlf({kvtest::kOkLine, "menu", "command 400 \"x\" \"y\" 0 0 0 1 ",
            "check 0 0 0 400 10 10 50 20 \"\" \"Remember\" \"\" \"Default\" \"\""}));
  ASSERT_TRUE(result.ok) << result.Describe();
  EXPECT_EQ(2, result.controlsRead);
  ASSERT_EQ(4u, model.controls.size());
  EXPECT_EQ("okButton", model.controls[2].name);
  EXPECT_EQ(100, model.controls[2].id);
  EXPECT_EQ("check400", model.controls[3].name);
  EXPECT_EQ(400, model.controls[3].id);
  EXPECT_FALSE(model.hasMenu);
  EXPECT_TRUE(model.idInUse.InUse(100));
  EXPECT_TRUE(model.idInUse.InUse(400));
}

TEST(WinFileRead, FailedControlLinesAddNothingAndTakeNoIds) {
  KVWinFile model;
  ASSERT_TRUE(model.Read(kvtest::MainWindowText()).ok);
  const KVWinResult result =
      model.ReadControlLines(Crlf({"edit 0 0 0 500 0 0 1 1 \"e\" \"\" \"\" \"Default\" \"\"", "edit 0 0"}));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(2, result.line);
  EXPECT_EQ(2u, model.controls.size());
  EXPECT_FALSE(model.idInUse.InUse(500));
}

TEST(WinFileRead, MenuTextOfAddMenuGoesIntoTheRoot) {
  KVWinFile model;
  ASSERT_TRUE(model.Read(kvtest::MainWindowText()).ok);
  model.idInUse.Allocate(100);
  const KVWinResult result = model.ReadMenuText(
      "submenu \"&File\"\r\ncommand 100 \"E&xit\" \"onFileExit\" 0 0 0 1 \r\nendsubmenu\r\nendmenu\r\n");
  ASSERT_TRUE(result.ok) << result.Describe();
  EXPECT_TRUE(result.menuClosed);
  EXPECT_TRUE(model.hasMenu);
  ASSERT_EQ(1u, model.menuRoot.children.size());
  EXPECT_EQ(101, model.menuRoot.children[0].children.at(0).id);

  KVWinFile untouched;
  EXPECT_FALSE(untouched.ReadMenuText("submenu \"a\"\r\ncommand x\r\n").ok);
  EXPECT_FALSE(untouched.hasMenu);
  EXPECT_TRUE(untouched.menuRoot.children.empty());
}

}  // namespace
