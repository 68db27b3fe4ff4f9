// The version editor in the frame: the form loads version.xml without marking the document
// modified, Tab moves between the fields, the Edit menu acts on the focused field, the field
// left keeps the focus across tab switches, and values with markup characters and non-ASCII
// text are saved escaped and read back unchanged.
#include <gtest/gtest.h>

#include "common/Text.h"
#include "resedit/VersionEditor.h"
#include "resedit/VersionForm.h"
#include "tests/gui/ResourceProject.h"

namespace {

using kvtest::Pump;
using kvtest::TempFolder;

class VersionEditorTest : public kvtest::ResourceProjectTest {
protected:
  std::string text(HWND control) const {
    wchar_t buffer[256] = {};
    GetWindowTextW(control, buffer, 256);
    return kvtext::WideToUtf8(buffer);
  }
  void setText(HWND control, const std::string& value) {
    SetWindowTextW(control, kvtext::Utf8ToWide(value).c_str());
    Pump();
  }
  void command(int id) {
    SendMessageW(frame->window, WM_COMMAND, id, 0);
    Pump();
  }
};

TEST_F(VersionEditorTest, OpensWithTheFileValuesUnmodifiedAndNavigableByTab) {
  openProject();
  KVVersionEditor* editor = open<KVVersionEditor>("Version Info");
  ASSERT_NE(editor, nullptr);
  const char* expected[] = {"1", "0", "0", "1", "", "KelVox.js Application", "Res", "", "Res.exe"};
  for (int i = 0; i < kvversionform::kFieldCount; ++i) EXPECT_EQ(text(editor->field(i)), expected[i]) << i;
  EXPECT_EQ(editor->modified, 0);
  EXPECT_EQ(frame->dialogNavigationWindow(), editor->editorWindow);

  // The message loop hands Tab to the dialog manager, which moves on to the next field.
  SetFocus(editor->field(0));
  MSG tab = {GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_TRUE(IsDialogMessageW(frame->dialogNavigationWindow(), &tab));
  EXPECT_EQ(GetFocus(), editor->field(1));

  // Typed letters do not enter a number box; digits do.
  SendMessageW(editor->field(1), WM_CHAR, 'x', 0);
  EXPECT_EQ(text(editor->field(1)), "0");
  EXPECT_EQ(editor->modified, 0);
  SendMessageW(editor->field(1), EM_SETSEL, 0, -1);
  SendMessageW(editor->field(1), WM_CHAR, '7', 0);
  EXPECT_EQ(text(editor->field(1)), "7");
  Pump();
  EXPECT_EQ(editor->modified, 1);
}

TEST_F(VersionEditorTest, MarkupAndUtf8ValuesAreSavedEscapedAndReadBackUnchanged) {
  openProject();
  KVVersionEditor* editor = open<KVVersionEditor>("Version Info");
  ASSERT_NE(editor, nullptr);
  const std::string company = "Smith & Sons <Ltd>";
  const std::string description = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
  const std::string copyright = "\xC2\xA9 2026 \"A&B\" <x>";
  setText(editor->field(4), company);
  setText(editor->field(5), description);
  setText(editor->field(7), copyright);
  setText(editor->field(3), "");
  EXPECT_EQ(editor->modified, 1);

  command(IDM_SAVE);
  EXPECT_EQ(editor->modified, 0);
  const std::string file = TempFolder::Read(resources + "version.xml");
  EXPECT_NE(file.find("<CompanyName>Smith &amp; Sons &lt;Ltd&gt;</CompanyName>"), std::string::npos) << file;
  EXPECT_NE(file.find("<Build/>"), std::string::npos) << file;

  // Reopened, the editor shows exactly what was typed.
  ASSERT_TRUE(frame->closeDocument(record("Version Info")));
  editor = open<KVVersionEditor>("Version Info");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(text(editor->field(4)), company);
  EXPECT_EQ(text(editor->field(5)), description);
  EXPECT_EQ(text(editor->field(7)), copyright);
  EXPECT_EQ(text(editor->field(3)), "");
  EXPECT_EQ(editor->modified, 0);
}

TEST_F(VersionEditorTest, AMissingFileShowsEmptyFieldsAndSavingCreatesIt) {
  openProject();
  ASSERT_TRUE(kvplatform::DeleteFileAt(resources + "version.xml"));
  KVVersionEditor* editor = open<KVVersionEditor>("Version Info");
  ASSERT_NE(editor, nullptr);
  for (int i = 0; i < kvversionform::kFieldCount; ++i) EXPECT_EQ(text(editor->field(i)), "") << i;
  setText(editor->field(6), "Made Anew");
  command(IDM_SAVE);
  kvversionform::Values values;
  ASSERT_TRUE(kvversionform::Load(resources + "version.xml", values));
  EXPECT_EQ(values[6], "Made Anew");
}

TEST_F(VersionEditorTest, EditMenuCommandsActOnTheFocusedField) {
  openProject();
  KVVersionEditor* editor = open<KVVersionEditor>("Version Info");
  ASSERT_NE(editor, nullptr);
  const HWND product = editor->field(6);
  const HWND company = editor->field(4);
  SetFocus(product);
  SendMessageW(product, EM_SETSEL, 0, -1);
  command(IDM_COPY);
  command(IDM_DELETE);
  EXPECT_EQ(text(product), "");
  SetFocus(company);
  command(IDM_PASTE);
  EXPECT_EQ(text(company), "Res");
  SendMessageW(company, EM_SETSEL, 0, -1);
  command(IDM_CUT);
  EXPECT_EQ(text(company), "");
  SetFocus(product);
  command(IDM_PASTE);
  EXPECT_EQ(text(product), "Res");
}

// Switching to another tab and back puts the user in the field they left, not the first one.
TEST_F(VersionEditorTest, TheFieldLeftHasTheFocusAgainWhenItsTabComesBack) {
  openProject();
  KVVersionEditor* editor = open<KVVersionEditor>("Version Info");
  ASSERT_NE(editor, nullptr);
  SetFocus(editor->field(5));
  ASSERT_NE(open<KVEditorBase>("main.js"), nullptr);
  EXPECT_FALSE(IsWindowVisible(editor->editorWindow));
  EXPECT_EQ(open<KVVersionEditor>("Version Info"), editor);
  EXPECT_EQ(GetFocus(), editor->field(5));
}

}  // namespace
