// The source editor in the frame, with the real Scintilla component and Lexilla's lexer:
// files loaded and saved byte for byte, colours, indentation, and code assistance as the
// user types, characters sent to the component as the keyboard sends them.
#include <gtest/gtest.h>

#include <Scintilla.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "app/commands/ProjectTemplates.h"
#include "app/frame/FrameWindow.h"
#include "common/Text.h"
#include "editing/SourceEditor.h"
#include "editing/TabControl.h"
#include "resources/ResourceIds.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/FrameProject.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::Pump;
using kvtest::TempFolder;

const std::string kSep(1, kvplatform::kPathSeparator);

class SourceEditorTest : public kvtest::FrameProjectTest {
protected:
  void SetUp() override {
    FrameProjectTest::SetUp();
    writeSource("main.js",
                "var file = kv.fs.File();\r\n"
                "let w = new kv.Window('Main');\r\n");
    writeSource("other.js", "");
    write("Dialog Windows", "Main.win",
          kvcommands::NewDialogWindowTemplate("Main") +
              "button 1342242816 0 0 1001 10 10 80 24 \"okButton\" \"OK\" \"\" \"Default\" \"\"\r\n"
              "edit 1342242816 0 0 1002 10 40 80 24 \"nameField\" \"\" \"\" \"Default\" \"\"\r\n");
    write("External Libraries", "net.ext", "C:\\libs\\net.dll\r\nint ping(int n);\r\n");
    ASSERT_NO_FATAL_FAILURE(openProject("<SourceFiles><Name>main.js</Name><Name>other.js</Name></SourceFiles>"
                                        "<WindowFiles><Name>Main.win</Name></WindowFiles>"
                                        "<LibraryFiles><Name>net.ext</Name></LibraryFiles>"));
  }

  void writeSource(const std::string& name, const std::string& text) { write("Source Files", name, text); }
  // The source editor of the document, opened and active; a test without it cannot go on.
  KVSourceEditor& open(const std::string& name) {
    DocumentRecord* document = record(name);
    if (document) frame->openDocument(document, -1, -1);
    auto* editor = document ? dynamic_cast<KVSourceEditor*>(document->editor.get()) : nullptr;
    if (!editor) throw std::runtime_error(name + " did not open in the source editor");
    return *editor;
  }
  static std::string Text(const KVSourceEditor& editor) {
    const auto length = static_cast<std::size_t>(editor.call(SCI_GETLENGTH));
    std::string text(length + 1, '\0');
    Sci_TextRangeFull range{{0, static_cast<Sci_Position>(length)}, text.data()};
    editor.call(SCI_GETTEXTRANGEFULL, 0, reinterpret_cast<sptr_t>(&range));
    text.resize(length);
    return text;
  }
  // Keys as the keyboard sends them: each character a WM_CHAR, Enter a WM_KEYDOWN.
  static void Type(const KVSourceEditor& editor, const std::string& keys) {
    for (const char c : keys) {
      if (c == '\r') {
        SendMessageW(editor.editorWindow, WM_KEYDOWN, VK_RETURN, 0);
      } else {
        SendMessageW(editor.editorWindow, WM_CHAR, static_cast<unsigned char>(c), 0);
      }
    }
  }
  static void GoToEnd(const KVSourceEditor& editor) { editor.call(SCI_DOCUMENTEND); }
  static bool ListShown(const KVSourceEditor& editor) { return editor.call(SCI_AUTOCACTIVE) != 0; }
  // Whether the open list holds an entry that starts with prefix; it stays open.
  static std::string ListEntry(const KVSourceEditor& editor, const std::string& prefix) {
    editor.call(SCI_AUTOCSELECT, 0, reinterpret_cast<sptr_t>(prefix.c_str()));
    char entry[256] = {};
    editor.call(SCI_AUTOCGETCURRENTTEXT, 0, reinterpret_cast<sptr_t>(entry));
    return entry;
  }

};

TEST_F(SourceEditorTest, FilesLoadAndSaveByteForByte) {
  struct Case {
    const char* file;
    std::string bytes;
    std::string shown;  // what the editor holds
  };
  const std::string js = "Source Files" + kSep;
  const std::string ext = "External Libraries" + kSep;
  const Case cases[] = {
      {"a.js", "var a = 1;\r\nvar b = 2;\r\n", "var a = 1;\r\nvar b = 2;\r\n"},
      {"b.js", "one\rtwo\nthree\r\n", "one\rtwo\nthree\r\n"},  // lone CR and lone LF kept
      {"c.js", std::string("before\0after", 12), std::string("before\0after", 12)},
      {"d.js", "", ""},
      {"crlf.ext", "C:\\libs\\crlf.dll\r\nint f(int a);\r\n", "int f(int a);\r\n"},
      {"lf.ext", "C:\\libs\\lf.dll\nint g();", "int g();"},
      {"none.ext", "int h();", "int h();"},
  };
  for (const Case& c : cases) {
    const bool library = std::string(c.file).find(".ext") != std::string::npos;
    const std::string path = folder + (library ? ext : js) + c.file;
    TempFolder::Write(path, c.bytes);
    ProjectItem* item =
        frame->project().AddFile(path, library ? ProjectItemType::ExternalLibrary : ProjectItemType::SourceFile);
    ASSERT_NE(item, nullptr) << c.file;
    DocumentRecord* added = frame->addDocument(item);
    auto* editor = dynamic_cast<KVSourceEditor*>(added->editor.get());
    ASSERT_NE(editor, nullptr) << c.file;
    EXPECT_EQ(Text(*editor), c.shown) << c.file;
    EXPECT_EQ(editor->call(SCI_CANUNDO), 0) << c.file << ": loading is no undo step";
    EXPECT_EQ(editor->modified, 0) << c.file;
    ASSERT_TRUE(editor->save()) << c.file;
    EXPECT_EQ(TempFolder::Read(path), c.bytes) << c.file;

    GoToEnd(*editor);
    Type(*editor, "x");
    EXPECT_EQ(editor->modified, 1) << c.file;
    ASSERT_TRUE(editor->save()) << c.file;
    EXPECT_EQ(TempFolder::Read(path), c.bytes + "x") << c.file;
    EXPECT_EQ(editor->modified, 0) << c.file;
  }
}

TEST_F(SourceEditorTest, AMissingFileOpensEmptyAndSavingCreatesIt) {
  ASSERT_TRUE(kvplatform::DeleteFileAt(folder + "Source Files" + kSep + "other.js"));
  KVSourceEditor& editor = open("other.js");
  EXPECT_EQ(Text(editor), "");
  Type(editor, "kv.msgbox('hi')");
  SendMessageW(frame->window, WM_COMMAND, IDM_SAVE, 0);
  EXPECT_EQ(TempFolder::Read(folder + "Source Files" + kSep + "other.js"), "kv.msgbox('hi')");
  EXPECT_EQ(editor.modified, 0);
  EXPECT_EQ(frame->tabs().tabList().back().modified, false);
}

TEST_F(SourceEditorTest, ColoursFollowTheLexerAndTheKeywordsOfTheKind) {
  KVSourceEditor& editor = open("main.js");
  editor.call(SCI_SETTEXT, 0, reinterpret_cast<sptr_t>("/* c */ var x = 12; \"s\" 'c' // k\r\nint"));
  editor.call(SCI_COLOURISE, 0, -1);
  struct Expected {
    int position;
    int style;
    COLORREF colour;
  };
  const Expected expected[] = {
      {0, 1, RGB(0, 128, 0)},    // block comment
      {8, 5, RGB(0, 0, 255)},    // keyword "var"
      {16, 4, RGB(255, 0, 0)},   // number
      {20, 6, RGB(163, 21, 21)},  // string
      {24, 7, RGB(163, 21, 21)},  // character
      {28, 2, RGB(0, 128, 0)},   // line comment
      {35, 11, RGB(0, 0, 0)},    // "int" is no JavaScript keyword
  };
  for (const Expected& e : expected) {
    EXPECT_EQ(editor.call(SCI_GETSTYLEAT, e.position), e.style) << e.position;
    EXPECT_EQ(static_cast<COLORREF>(editor.call(SCI_STYLEGETFORE, e.style)), e.colour) << e.position;
    EXPECT_EQ(editor.call(SCI_STYLEGETBOLD, e.style), 0) << e.position;
  }
  EXPECT_EQ(editor.call(SCI_GETEOLMODE), SC_EOL_CRLF);
  EXPECT_EQ(editor.call(SCI_GETMARGINWIDTHN, 2), 16);
  EXPECT_EQ(editor.call(SCI_GETTABWIDTH), 4);

  KVSourceEditor& library = open("net.dll");
  library.call(SCI_COLOURISE, 0, -1);
  EXPECT_EQ(library.call(SCI_GETSTYLEAT, 0), 5);  // "int" is a declaration type
  EXPECT_EQ(library.headerLine(), "C:\\libs\\net.dll\r\n");
}

TEST_F(SourceEditorTest, EnterIndentsLikeThePreviousLine) {
  KVSourceEditor& editor = open("other.js");
  Type(editor, "\t  if (x) {\r");
  EXPECT_EQ(Text(editor), "\t  if (x) {\r\n\t  ");
  Type(editor, "y;\r");
  EXPECT_EQ(Text(editor), "\t  if (x) {\r\n\t  y;\r\n\t  ");
  editor.call(SCI_CLEARALL);
  Type(editor, "plain\r");
  EXPECT_EQ(Text(editor), "plain\r\n");
}

TEST_F(SourceEditorTest, TheHorizontalBarShowsOnlyForALineWiderThanTheView) {
  KVSourceEditor& editor = open("main.js");
  // The component measures lines as it paints them and shows or hides the bar afterwards:
  // a few paints are allowed for that.
  const auto hasBar = [&] {
    bool shown = false;
    for (int paint = 0; paint < 20; ++paint) {
      RedrawWindow(editor.editorWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      Pump();
      shown = (GetWindowLongPtrW(editor.editorWindow, GWL_STYLE) & WS_HSCROLL) != 0;
      if (shown) break;
      Sleep(20);
    }
    return shown;
  };
  EXPECT_FALSE(hasBar());
  editor.call(SCI_DOCUMENTEND);
  editor.call(SCI_APPENDTEXT, 600, reinterpret_cast<sptr_t>(std::string(600, 'x').c_str()));
  EXPECT_TRUE(hasBar());
}

TEST_F(SourceEditorTest, DotShowsTheMembersOfWhatPrecedesIt) {
  KVSourceEditor& editor = open("other.js");
  Type(editor, "kv.");
  ASSERT_TRUE(ListShown(editor));
  EXPECT_EQ(ListEntry(editor, "msg"), "msgbox");
  EXPECT_EQ(ListEntry(editor, "fs"), "fs");
  editor.call(SCI_AUTOCCANCEL);

  Type(editor, "\rfile.");
  ASSERT_TRUE(ListShown(editor));
  EXPECT_EQ(ListEntry(editor, "re"), "read");
  editor.call(SCI_AUTOCCANCEL);

  // A window variable lists its controls, and a control its own members.
  Type(editor, "\rw.");
  ASSERT_TRUE(ListShown(editor));
  EXPECT_EQ(ListEntry(editor, "ok"), "okButton");
  EXPECT_EQ(ListEntry(editor, "name"), "nameField");
  editor.call(SCI_AUTOCCANCEL);
  Type(editor, "\rw.okButton.");
  ASSERT_TRUE(ListShown(editor));
  EXPECT_EQ(ListEntry(editor, "on"), "onClick");
  editor.call(SCI_AUTOCCANCEL);

  // Inside a string the text before the "." still counts when it forms an expression.
  Type(editor, "\rx = \" kv.");
  EXPECT_TRUE(ListShown(editor));
  editor.call(SCI_AUTOCCANCEL);
}

TEST_F(SourceEditorTest, DotShowsNothingWhereNoListBelongs) {
  struct Case {
    const char* before;  // text already in the document, the caret at its end
    const char* typed;
  };
  const Case cases[] = {
      {"", "// kv."},            // a line comment on the last line
      {"", "/// kv."},           // a documentation comment on the last line
      {"", "/** kv."},           // a documentation block
      {"", "/* kv."},            // a block comment
      {"", "x=kv."},             // the expression runs back to a blank, a tab or "("
      {"", "x = \"kv."},         // ... so the quote is part of it
      {"", "nobody."},           // no such variable
      {"", "w.nobody."},         // no such control
      {"", "."},                 // the caret in the first column
      {"var q = 1;\r\n", "q."},  // a variable of no runtime kind
  };
  for (const Case& c : cases) {
    KVSourceEditor& editor = open("other.js");
    editor.call(SCI_SETTEXT, 0, reinterpret_cast<sptr_t>(c.before));
    GoToEnd(editor);
    Type(editor, c.typed);
    EXPECT_FALSE(ListShown(editor)) << c.typed;
    editor.call(SCI_AUTOCCANCEL);
  }
}

TEST_F(SourceEditorTest, OnlyADirectlyTypedDotWithoutSelectionOpensAList) {
  KVSourceEditor& editor = open("other.js");
  editor.call(SCI_ADDTEXT, 3, reinterpret_cast<sptr_t>("kv."));
  SCNotification composed = {};
  composed.nmhdr = {editor.editorWindow, 0, SCN_CHARADDED};
  composed.ch = '.';
  composed.characterSource = SC_CHARACTERSOURCE_IME_RESULT;
  SendMessageW(frame->window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&composed));
  EXPECT_FALSE(ListShown(editor)) << "an input method's text";
  composed.characterSource = SC_CHARACTERSOURCE_DIRECT_INPUT;
  SendMessageW(frame->window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&composed));
  EXPECT_TRUE(ListShown(editor)) << "the same text typed";
  editor.call(SCI_AUTOCCANCEL);

  editor.call(SCI_SETSEL, 0, 2);
  editor.characterAdded('.');
  EXPECT_FALSE(ListShown(editor)) << "a selection";
}

TEST_F(SourceEditorTest, DotWhileAListIsOpenTakesTheChosenEntryFirst) {
  KVSourceEditor& editor = open("other.js");
  Type(editor, "kv.");
  ASSERT_TRUE(ListShown(editor));
  Type(editor, "fs.");
  EXPECT_EQ(Text(editor), "kv.fs.");
  ASSERT_TRUE(ListShown(editor)) << "the members of kv.fs";
  EXPECT_EQ(ListEntry(editor, "copyF"), "copyFile");
  editor.call(SCI_AUTOCCANCEL);
}

TEST_F(SourceEditorTest, ParenthesisShowsTheSignatureAndClosingItHidesIt) {
  KVSourceEditor& editor = open("other.js");
  Type(editor, "kv.msgbox(");
  EXPECT_TRUE(editor.call(SCI_CALLTIPACTIVE));
  Type(editor, "'a', 'b')");
  EXPECT_FALSE(editor.call(SCI_CALLTIPACTIVE));
  Type(editor, "\rw.okButton.enable(");
  EXPECT_FALSE(editor.call(SCI_CALLTIPACTIVE)) << "buttons have no signatures";
  Type(editor, "\r// kv.msgbox(");
  EXPECT_FALSE(editor.call(SCI_CALLTIPACTIVE)) << "inside a comment";
}

TEST_F(SourceEditorTest, SavingASourceTeachesCodeAssistanceItsDeclarations) {
  KVSourceEditor& editor = open("main.js");
  GoToEnd(editor);
  Type(editor, "var page = kv.Http();\rpage.");
  EXPECT_FALSE(ListShown(editor)) << "not saved yet";
  editor.call(SCI_AUTOCCANCEL);
  SendMessageW(frame->window, WM_COMMAND, IDM_SAVE, 0);
  Type(editor, "\rpage.");
  EXPECT_TRUE(ListShown(editor));
  editor.call(SCI_AUTOCCANCEL);
}

TEST_F(SourceEditorTest, ShowPositionScrollsToTheLineAndPlacesTheCaret) {
  std::string lines;
  for (int n = 0; n < 300; ++n) lines += "line " + std::to_string(n) + "\r\n";
  writeSource("main.js", lines);
  KVSourceEditor& editor = open("main.js");
  editor.showPosition(200, 1892);
  EXPECT_EQ(editor.call(SCI_GETFIRSTVISIBLELINE), 200);
  EXPECT_EQ(editor.call(SCI_GETCURRENTPOS), 1892);
  editor.showPosition(-1, 0);
  EXPECT_EQ(editor.call(SCI_GETCURRENTPOS), 1892);
  editor.showPosition(3, -1);
  EXPECT_EQ(editor.call(SCI_GETCURRENTPOS), editor.call(SCI_POSITIONFROMLINE, 3));
}

TEST_F(SourceEditorTest, TabsComeBackWithTheirPlaceAfterReopening) {
  std::string lines;
  for (int n = 0; n < 300; ++n) lines += "line " + std::to_string(n) + "\r\n";
  writeSource("main.js", lines);
  KVSourceEditor& editor = open("main.js");
  editor.showPosition(120, editor.call(SCI_POSITIONFROMLINE, 125) + 3);
  open("net.dll");
  ASSERT_TRUE(frame->closeProject());
  EXPECT_NE(TempFolder::Read(projectFile).find("<Name type=\"0\" line=\"120\" position=\"1143\">main.js</Name>"),
            std::string::npos)
      << TempFolder::Read(projectFile);

  ASSERT_TRUE(frame->openProject(projectFile));
  Pump();
  ASSERT_EQ(frame->tabs().tabList().size(), 2u);
  auto* reopened = dynamic_cast<KVSourceEditor*>(record("main.js")->editor.get());
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(reopened->call(SCI_GETCURRENTPOS), 1143);
  EXPECT_EQ(reopened->call(SCI_GETFIRSTVISIBLELINE), 120);
  EXPECT_EQ(frame->activeDocument(), record("net.dll"));
}

TEST_F(SourceEditorTest, DeleteRemovesTheSelectionOrTheNextCharacter) {
  KVSourceEditor& editor = open("other.js");
  Type(editor, "abcd");
  editor.call(SCI_SETSEL, 1, 2);
  SendMessageW(frame->window, WM_COMMAND, IDM_DELETE, 0);
  EXPECT_EQ(Text(editor), "acd");
  editor.call(SCI_GOTOPOS, 0);
  SendMessageW(frame->window, WM_COMMAND, IDM_DELETE, 0);
  EXPECT_EQ(Text(editor), "cd");
  SendMessageW(frame->window, WM_COMMAND, IDM_UNDO, 0);
  EXPECT_EQ(Text(editor), "acd");
}

}  // namespace
