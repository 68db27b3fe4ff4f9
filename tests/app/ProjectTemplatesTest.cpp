#include "app/commands/ProjectTemplates.h"

#include <gtest/gtest.h>

#include "project/XML.h"
#include "tests/common/TempFolder.h"

using namespace kvcommands;

TEST(ProjectTemplates, MainScriptIsTheStartingProgramWithWindowsLineEnds) {
  const std::string script = MainScriptTemplate();
  EXPECT_EQ(script.rfind("let mainWin = kv.Window('mainWin');\r\n\r\nfunction onInit()\r\n{\r\n"
                         "    // Initialize dialog controls here\r\n}\r\n", 0),
            0u);
  EXPECT_NE(script.find("function onSysClose()\r\n{\r\n    // Called when the sys menu is used to close the dialog\r\n"
                        "    this.close();\r\n}\r\n"),
            std::string::npos);
  EXPECT_NE(script.find("function onCancel()\r\n{\r\n    this.close();\r\n}\r\n\r\nmainWin.open();\r\n"),
            std::string::npos);
  EXPECT_EQ(script.size(), 326u);
  for (std::size_t i = 0; i < script.size(); ++i) {
    if (script[i] == '\n') {
      EXPECT_EQ(script[i - 1], '\r') << i;  // every line ends with CR LF
    }
  }
}

TEST(ProjectTemplates, WindowFilesCarryTheCaptionAndTheTwoButtons) {
  const std::string buttons =
      "button 1409368064 0 0 300 235 265 75 25 \"okButton\" \"OK\" \"onOK\" \"Default\" \"\"\r\n"
      "button 1409368064 0 0 301 315 265 75 25 \"cancelButton\" \"Cancel\" \"onCancel\" \"Default\" \"\"\r\n";
  EXPECT_EQ(MainWindowTemplate(),
            "1\r\n281673728 0\r\nMain Window\r\n400 300\r\nonInit\r\nonSysClose\r\n\r\nDefault\r\n\r\n" + buttons);
  EXPECT_EQ(NewDialogWindowTemplate("Login.win"), "1\r\n281673728 0\r\nLogin.win\r\n400 300\r\n\r\n\r\n\r\nDefault\r\n\r\n" + buttons);
}

TEST(ProjectTemplates, NewProjectFileLoadsAndSavesInTheProjectFormat) {
  kvtest::TempFolder folder;
  KVXML file;
  ASSERT_TRUE(file.Load(NewProjectFileText("A & B")));
  ASSERT_TRUE(file.Save(folder / "p.kvproj"));
  EXPECT_EQ(kvtest::TempFolder::Read(folder / "p.kvproj"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project><Name>A &amp; B</Name><ExeName>A &amp; B.exe</ExeName>"
            "<Engine>1</Engine><Icon>A &amp; B.ico</Icon><SourceFiles><Name>main.js</Name></SourceFiles>"
            "<WindowFiles><Name>mainWin.win</Name></WindowFiles><LibraryFiles/></Project>\n");
}

TEST(ProjectTemplates, TypedNamesBecomeFileNames) {
  struct Row { const char* typed; const char* project; const char* source; const char* window; };
  const Row rows[] = {
      {"  Demo.EXE ", "Demo", "  Demo.EXE .js", "  Demo.EXE .win"},
      {"util", "util", "util.js", "util.win"},
      {"Util.JS", "Util.JS", "Util.JS", "Util.JS.win"},
      {"a", "a", "a.js", "a.win"},
      {"Login.win", "Login.win", "Login.win.js", "Login.win"},
      {"\t \n", "", "\t \n.js", "\t \n.win"},
      {".exe", "", ".exe.js", ".exe.win"},
      {"js", "js", "js.js", "js.win"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ProjectNameFromInput(r.typed), r.project) << r.typed;
    EXPECT_EQ(SourceFileNameFromInput(r.typed), r.source) << r.typed;
    EXPECT_EQ(DialogWindowFileNameFromInput(r.typed), r.window) << r.typed;
  }
  EXPECT_EQ(LibraryBaseName("C:\\libs\\sqlite3.dll"), "sqlite3");
  EXPECT_EQ(LibraryBaseName("C:\\libs.d\\noext"), "noext");
  EXPECT_EQ(LibraryBaseName("/usr/lib/a.b.dll"), "a.b");
}

TEST(ProjectTemplates, NamesThatWouldLeaveTheirFolderAreRefused) {
  for (const char* name : {"util", "my app", "a..b", "Demo.exe", "...js"}) {
    EXPECT_EQ(NewNameRefusal(name), "") << name;
  }
  for (const char* name : {"..", ".", "..\\evil", "../evil", "a/b", "c:x", "what?", "a|b", "tab\there"}) {
    EXPECT_NE(NewNameRefusal(name), "") << name;
  }
  EXPECT_EQ(NewNameRefusal("a/b"),
            "The name \"a/b\" cannot be used: a name may not contain \\ / : * ? \" < > | or be \".\" or \"..\". "
            "Please try a different name.");
}
