#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "designer/WinFile.h"
#include "tests/designer/WinFixtures.h"

namespace {

using kvtest::Crlf;
using kvtest::Header;

std::string WriteOk(const KVWinFile& model) {
  std::string text;
  const KVWinResult result = model.Write(text);
  EXPECT_TRUE(result.ok) << result.Describe();
  return text;
}

// Read, write, read again and write again: the second text is the first, and both models
// hold the same content.
std::string RoundTrip(const std::string& input) {
  KVWinFile first;
  const KVWinResult read = first.Read(input);
  EXPECT_TRUE(read.ok) << read.Describe();
  const std::string written = WriteOk(first);
  KVWinFile second;
  const KVWinResult reread = second.Read(written);
  EXPECT_TRUE(reread.ok) << reread.Describe();
  EXPECT_TRUE(SameContent(first, second));
  EXPECT_TRUE(first.idInUse == second.idInUse);
  EXPECT_EQ(written, WriteOk(second));
  return written;
}

KVControlRecord Button(std::int32_t id, std::int32_t x, const char* name, const char* caption, const char* handler) {
  KVControlRecord button;
  button.kind = "button";
  button.style = 0x54014000;
  button.id = id;
  button.x = x;
  button.y = 265;
  button.width = 75;
  button.height = 25;
  button.name = name;
  button.caption = caption;
  button.handler = handler;
  return button;
}

KVWinFile MainWindowModel() {
  KVWinFile model;
  model.window.style = 0x10CA0000;
  model.window.caption = "Main Window";
  model.window.width = 400;
  model.window.height = 300;
  model.window.initHandler = "onInit";
  model.window.closeHandler = "onSysClose";
  model.controls.push_back(Button(300, 235, "okButton", "OK", "onOK"));
  model.controls.push_back(Button(301, 315, "cancelButton", "Cancel", "onCancel"));
  return model;
}

KVMenuItem Command(std::int32_t id, const char* text, const char* handler) {
  KVMenuItem command;
  command.kind = MenuItemKind::Command;
  command.id = id;
  command.text = text;
  command.handler = handler;
  command.fourthFlag = 1;
  return command;
}

KVMenuItem Submenu(const char* text, std::initializer_list<KVMenuItem> children) {
  KVMenuItem submenu;
  submenu.kind = MenuItemKind::Submenu;
  submenu.text = text;
  submenu.children = children;
  return submenu;
}

TEST(WinFileWrite, ModelsOfTheTemplatesGiveTheTemplatesByteForByte) {
  KVWinFile model = MainWindowModel();
  EXPECT_EQ(kvtest::MainWindowText(), WriteOk(model));

  model.window.caption = "Login";
  model.window.initHandler.clear();
  model.window.closeHandler.clear();
  EXPECT_EQ(kvtest::NewDialogText("Login"), WriteOk(model));
}

TEST(WinFileWrite, MenuBlockAfterTheControls) {
  KVWinFile model = MainWindowModel();
  model.hasMenu = true;
  KVMenuItem open = Command(101, "&Open...", "onOpen");
  open.ctrl = 1;
  open.shift = 1;
  open.accelKey = "O";
  KVMenuItem separator;
  separator.kind = MenuItemKind::Separator;
  model.menuRoot.children = {Submenu("&File", {open, separator, Command(100, "E&xit", "onFileExit")}),
                             Submenu("&Help", {Submenu("&More", {}), Command(102, "&About", "")})};
  const std::string menu = Crlf({"menu", "submenu \"&File\"", "command 101 \"&Open...\" \"onOpen\" 1 1 0 1 O",
                                 "separator", "command 100 \"E&xit\" \"onFileExit\" 0 0 0 1 ", "endsubmenu",
                                 "submenu \"&Help\"", "submenu \"&More\"", "endsubmenu",
                                 "command 102 \"&About\" \"\" 0 0 0 1 ", "endsubmenu", "endmenu"});
  EXPECT_EQ(kvtest::MainWindowText() + menu, WriteOk(model));

  // A window without a menu writes neither "menu" nor "endmenu", whatever the root holds.
  model.hasMenu = false;
  EXPECT_EQ(kvtest::MainWindowText(), WriteOk(model));
}

TEST(WinFileWrite, WrittenTextsReadBackTheSame) {
  const std::string fonts =
      Crlf({"1", "-1798701056 520", "Fonts \"quoted\" & more", "640 -480", "init", "close", "proc", "Segoe UI (9)",
            "-12 0 0 0 400 0 0 0 1 0 0 0 0 Segoe UI",
            "text 1342177281 0 0 100 -10 -20 80 20 \"label\" \"\xC3\x9C" "ber\" \"\" \"Arial (10)\" "
            "\"-13 0 0 0 700 255 0 0 0 0 0 0 0 Arial\"",
            "edit 1350566084 512 0 101 0 30 80 60 \"notes\" \"\" \"\" \"Default\" \"kept as it was\"",
            "listview 1350631433 512 33 102 0 100 200 80 \"list\" \"\" \"\" \"Default\" \"\"",
            "treeview 1350631463 0 0 103 0 200 200 80 \"tree\" \"\" \"\" \"Default\" \"\""});
  const std::string inputs[] = {
      kvtest::MainWindowText(),
      kvtest::NewDialogText("Login"),
      kvtest::MainWindowText() + kvtest::AddMenuBlock(),
      fonts,
      Header(),
      Header() + Crlf({"menu", "endmenu"}),
  };
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input);
    EXPECT_EQ(input, RoundTrip(input));
  }
}

TEST(WinFileWrite, HandWrittenFileIsWrittenInItsReadForm) {
  // Upper-case keywords, repeated ids, empty names, a command on a control's id, an
  // unclosed menu and text the format ignores.
  const std::string input =
      Header() + Crlf({"BUTTON 0 0 0 300 1 2 3 4 \"\" \"A\" \"\" \"Default\" \"\" extra",
                       "Button 0 0 0 300 1 2 3 4 \"\" \"B\" \"\" \"Default\" \"\"", "a note",
                       "MENU", "SUBMENU \"&File\"", "COMMAND 300 \"E&xit\" \"onFileExit\" 0 0 0 1",
                       "Separator"});
  const std::string expected =
      Header() + Crlf({"button 0 0 0 300 1 2 3 4 \"button300\" \"A\" \"\" \"Default\" \"\"",
                       "button 0 0 0 100 1 2 3 4 \"button300\" \"B\" \"\" \"Default\" \"\"", "menu",
                       "submenu \"&File\"", "command 101 \"E&xit\" \"onFileExit\" 0 0 0 1 ", "separator",
                       "endsubmenu", "endmenu"});
  EXPECT_EQ(expected, RoundTrip(input));
}

TEST(WinFileWrite, ModelsThatWouldNotReadBackAreRefused) {
  struct Case {
    const char* what;
    std::function<void(KVWinFile&)> change;
    int line;
    const char* says;
  };
  const std::string longest(4095 - std::string("button 1409368064 0 0 300 235 265 75 25 \"okButton\" \"\" \"onOK\" "
                                               "\"Default\" \"\"\r\n")
                                       .size(),
                            'c');
  const Case cases[] = {
      {"quote in a control caption", [](KVWinFile& m) { m.controls[1].caption = "say \"hi\""; }, 11, "caption"},
      {"LF in a name", [](KVWinFile& m) { m.controls[0].name = "a\nb"; }, 10, "name"},
      {"NUL in a handler", [](KVWinFile& m) { m.controls[0].handler = std::string("on\0OK", 5); }, 10, "handler"},
      {"quote in font data", [](KVWinFile& m) { m.controls[0].fontData = "\""; }, 10, "font data"},
      {"CR in the window caption", [](KVWinFile& m) { m.window.caption = "a\rb"; }, 3, "caption"},
      {"LF in the onSysClose handler", [](KVWinFile& m) { m.window.closeHandler = "\n"; }, 6, "onSysClose"},
      {"window font without its data", [](KVWinFile& m) { m.window.fontLabel = "Arial (9)"; }, 9, "font"},
      {"control font without its data", [](KVWinFile& m) { m.controls[1].fontLabel = "default"; }, 11, "font"},
      {"empty name", [](KVWinFile& m) { m.controls[1].name.clear(); }, 11, "no name"},
      {"unknown kind", [](KVWinFile& m) { m.controls[0].kind = "Button"; }, 10, "kind"},
      {"control line of 4,096 bytes", [&](KVWinFile& m) { m.controls[0].caption = longest + "c"; }, 10, "4,095"},
      {"repeated control id", [](KVWinFile& m) { m.controls[1].id = 300; }, 11, "read back as 100"},
      {"id outside the table", [](KVWinFile& m) { m.controls[0].id = 10100; }, 10, "outside"},
      {"command on a control's id",
       [](KVWinFile& m) {
         m.hasMenu = true;
         m.menuRoot.children = {Command(301, "E&xit", "x")};
       },
       13, "read back as 100"},
      {"quote in a submenu label",
       [](KVWinFile& m) {
         m.hasMenu = true;
         m.menuRoot.children = {Submenu("\"", {})};
       },
       13, "label"},
      {"CR in an accelerator key",
       [](KVWinFile& m) {
         m.hasMenu = true;
         m.menuRoot.children = {Command(100, "a", "b")};
         m.menuRoot.children[0].accelKey = "F1\r";
       },
       13, "accelerator"},
      {"flag other than one digit",
       [](KVWinFile& m) {
         m.hasMenu = true;
         m.menuRoot.children = {Command(100, "a", "b")};
         m.menuRoot.children[0].alt = 10;
       },
       13, "Alt flag"},
      {"command line of 4,096 bytes",
       [](KVWinFile& m) {
         m.hasMenu = true;
         m.menuRoot.children = {Command(100, "", "")};
         m.menuRoot.children[0].handler = std::string(4096, 'h');
       },
       13, "4,095"},
      {"unknown menu item kind",
       [](KVWinFile& m) {
         m.hasMenu = true;
         m.menuRoot.children = {Command(100, "", "")};
         m.menuRoot.children[0].kind = static_cast<MenuItemKind>(0);
       },
       13, "kind"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KVWinFile model = MainWindowModel();
    c.change(model);
    std::string text = "untouched";
    const KVWinResult result = model.Write(text);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(c.line, result.line);
    EXPECT_NE(std::string::npos, result.message.find(c.says)) << result.message;
    EXPECT_EQ("untouched", text);
  }

}

TEST(WinFileWrite, LongestLinesAreWritten) {
  KVWinFile model = MainWindowModel();
  const std::string line = kvtest::kOkLine + "\r\n";
  model.controls[0].caption = "OK" + std::string(KVWinFile::kMaxLineBytes - line.size(), 'k');
  model.hasMenu = true;
  model.menuRoot.children = {Command(100, "", "")};
  model.menuRoot.children[0].accelKey = std::string(KVWinFile::kMaxLineBytes - 28, 'a');
  const std::string text = WriteOk(model);
  KVWinFile back;
  ASSERT_TRUE(back.Read(text).ok);
  EXPECT_TRUE(SameContent(model, back));
  EXPECT_EQ(KVWinFile::kMaxLineBytes, text.find(kvtest::kCancelLine) - text.find("button 1409368064 0 0 300"));
  EXPECT_EQ(KVWinFile::kMaxLineBytes, text.size() - text.find("command") - std::string("endmenu\r\n").size());
}

TEST(WinFileWrite, SubmenuNestingIsBounded) {
  KVWinFile model = MainWindowModel();
  model.hasMenu = true;
  KVMenuItem* level = &model.menuRoot;
  for (int i = 0; i < KVWinFile::kMaxMenuDepth; ++i) {
    level->children = {Submenu("s", {})};
    level = &level->children[0];
  }
  const std::string text = WriteOk(model);
  KVWinFile back;
  ASSERT_TRUE(back.Read(text).ok);
  EXPECT_TRUE(SameContent(model, back));

  level->children = {Submenu("too deep", {})};
  std::string refused;
  const KVWinResult result = model.Write(refused);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(12 + KVWinFile::kMaxMenuDepth + 1, result.line);
}

TEST(WinFileWrite, NormalizeMakesTheMenuEditorsIdsWritable) {
  // The menu editor numbers commands from 100 without the id table; controls hold 100.
  KVWinFile model = MainWindowModel();
  model.controls[0].id = 100;
  model.controls.push_back(Button(100, 0, "", "Again", ""));
  model.hasMenu = true;
  model.menuRoot.children = {Submenu("&File", {Command(100, "&New", "onNew"), Command(101, "E&xit", "onExit")})};
  std::string text;
  EXPECT_FALSE(model.Write(text).ok);

  EXPECT_TRUE(model.Normalize());
  EXPECT_EQ("button100", model.controls[2].name);
  EXPECT_EQ(100, model.controls[0].id);
  EXPECT_EQ(301, model.controls[1].id);
  EXPECT_EQ(101, model.controls[2].id);
  EXPECT_EQ(102, model.menuRoot.children[0].children[0].id);
  EXPECT_EQ(103, model.menuRoot.children[0].children[1].id);
  EXPECT_TRUE(model.idInUse.InUse(103));
  EXPECT_FALSE(model.idInUse.InUse(300));

  text = WriteOk(model);
  KVWinFile back;
  ASSERT_TRUE(back.Read(text).ok);
  EXPECT_TRUE(SameContent(model, back));
  EXPECT_FALSE(back.Normalize());
}

TEST(WinFileWrite, ClipboardLineIsTheControlLine) {
  const KVWinFile source = MainWindowModel();
  std::string line;
  ASSERT_TRUE(KVWinFile::FormatControlLine(source.controls[0], line).ok);
  EXPECT_EQ(kvtest::kOkLine + "\r\n", line);

  KVWinFile target = MainWindowModel();
  target.Normalize();
  ASSERT_TRUE(target.ReadControlLines(line).ok);
  ASSERT_EQ(3u, target.controls.size());
  EXPECT_EQ("okButton", target.controls[2].name);
  EXPECT_EQ(100, target.controls[2].id);

  KVControlRecord bad = source.controls[0];
  bad.caption = "\"";
  line = "untouched";
  EXPECT_FALSE(KVWinFile::FormatControlLine(bad, line).ok);
  EXPECT_EQ("untouched", line);
}

TEST(WinFileWrite, StorableText) {
  EXPECT_TRUE(KVWinFile::StorableText("E&xit \xE2\x80\xA6 'single' quotes"));
  const std::string bad[] = {"a\"b", "a\rb", "a\nb", std::string("a\0b", 3)};
  for (const std::string& text : bad) {
    EXPECT_FALSE(KVWinFile::StorableText(text));
  }
}

}  // namespace
