// The Find in Files dialog answered as a user would, and the command writing its report into a
// real output pane from files on disk.
#include <gtest/gtest.h>

#include <windows.h>

#include <Scintilla.h>

#include <memory>
#include <string>
#include <vector>

#include "app/framework/DocumentHost.h"
#include "app/framework/DocumentRecord.h"
#include "common/Text.h"
#include "editing/OutputPane.h"
#include "search/FindAllDialog.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/DialogAnswer.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::DialogAnswer;

class QuietHost : public KVDocumentHost {
public:
  void openDocument(DocumentRecord*, int, int) override {}
  bool closeDocument(DocumentRecord*) override { return true; }
  bool removeDocument(DocumentRecord*) override { return false; }
  DocumentRecord* documentNamed(const std::string&) override { return nullptr; }
  void setStatusText(int, const std::string&) override {}
  void relayout() override {}
};

// What the dialog looked like when it came up, read before it is answered.
struct Seen {
  bool found = false;
  std::wstring findText;
  std::vector<std::wstring> scopes;
  LRESULT scopeSelected = -1;
  LRESULT matchCase = -1;
  LRESULT defaultId = 0;
  bool findFocused = false;
  RECT client = {};
  int droppedItems = 0;  // scope items the dropped-down list has room for
  std::wstring controlText[3];
};

// The settings a test's user makes before pressing a button.
struct UserChoice {
  int scope = -1;  // -1 leaves the list alone
  bool checkMatchCase = false;
  const wchar_t* text = nullptr;  // null leaves the field alone
  int button = IDOK;
};

Seen& LastSeen() {
  static Seen seen;
  return seen;
}

UserChoice& Choice() {
  static UserChoice choice;
  return choice;
}

// Waits for the dialog, reads it and answers it with the test's choice.
void ReadAndAnswerDialog(const UserChoice& choice) {
  LastSeen() = Seen{};
  Choice() = choice;
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND box = FindWindowW(L"#32770", L"Find in Files");
    if (!box || !IsWindowVisible(box)) return;
    KillTimer(nullptr, timer);
    Seen& seen = LastSeen();
    seen.found = true;
    wchar_t text[256] = {};
    GetDlgItemTextW(box, KVFindAllDlg::kFindId, text, 256);
    seen.findText = text;
    const HWND scopes = GetDlgItem(box, KVFindAllDlg::kScopeId);
    for (LRESULT i = 0; i < SendMessageW(scopes, CB_GETCOUNT, 0, 0); ++i) {
      wchar_t item[64] = {};
      SendMessageW(scopes, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
      seen.scopes.push_back(item);
    }
    seen.scopeSelected = SendMessageW(scopes, CB_GETCURSEL, 0, 0);
    SendMessageW(scopes, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO combo = {};
    combo.cbSize = sizeof combo;
    RECT list = {};
    if (GetComboBoxInfo(scopes, &combo) && GetClientRect(combo.hwndList, &list)) {
      seen.droppedItems = list.bottom / static_cast<int>(SendMessageW(scopes, CB_GETITEMHEIGHT, 0, 0));
    }
    SendMessageW(scopes, CB_SHOWDROPDOWN, FALSE, 0);
    seen.matchCase = SendDlgItemMessageW(box, KVFindAllDlg::kMatchCaseId, BM_GETCHECK, 0, 0);
    seen.defaultId = LOWORD(SendMessageW(box, DM_GETDEFID, 0, 0));
    seen.findFocused = GetFocus() == GetDlgItem(box, KVFindAllDlg::kFindId);
    GetClientRect(box, &seen.client);
    const int buttons[] = {KVFindAllDlg::kMatchCaseId, IDOK, IDCANCEL};
    for (int i = 0; i < 3; ++i) {
      GetDlgItemTextW(box, buttons[i], text, 256);
      seen.controlText[i] = text;
    }
    const UserChoice& user = Choice();
    if (user.text) SetDlgItemTextW(box, KVFindAllDlg::kFindId, user.text);
    if (user.scope >= 0) SendMessageW(scopes, CB_SETCURSEL, user.scope, 0);
    if (user.checkMatchCase) SendDlgItemMessageW(box, KVFindAllDlg::kMatchCaseId, BM_SETCHECK, BST_CHECKED, 0);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(user.button, BN_CLICKED), 0);
  });
}

class FindAllDialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KVFindAllTestParent";
    RegisterClassW(&windowClass);
    frame = CreateWindowExW(0, L"KVFindAllTestParent", L"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 700, 500,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(pane.createPane(frame, 0, 300, 700, 150));
  }
  void TearDown() override {
    if (pane.window) DestroyWindow(pane.window);
    DestroyWindow(frame);
    kvtest::Pump();
  }

  DocumentRecord* add(ProjectItemType type, const std::string& fileName, const std::string& bytes) {
    items.push_back(std::make_unique<ProjectItem>(ProjectItem::FromPath(folder / fileName, type)));
    kvtest::TempFolder::Write(folder / fileName, bytes);
    records.push_back(std::make_unique<DocumentRecord>(items.back().get()));
    return records.back().get();
  }

  std::string paneText() const {
    const HWND text = pane.listControl();
    const LRESULT length = SendMessageW(text, SCI_GETLENGTH, 0, 0);
    std::string bytes(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageW(text, SCI_GETTEXT, bytes.size(), reinterpret_cast<LPARAM>(bytes.data()));
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
  }

  HWND frame = nullptr;
  QuietHost host;
  KVOutputDialog pane{host};
  kvtest::TempFolder folder;
  std::vector<std::unique_ptr<ProjectItem>> items;
  std::vector<std::unique_ptr<DocumentRecord>> records;
};

TEST_F(FindAllDialogTest, OpensWithTheLastTextAndItsControls) {
  ReadAndAnswerDialog({-1, false, nullptr, IDCANCEL});
  KVFindAllDlg dialog;
  EXPECT_EQ(dialog.run("last \xC3\xA9", frame), 2);
  const Seen& seen = LastSeen();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.findText, L"last \u00E9");
  EXPECT_EQ(seen.scopes, (std::vector<std::wstring>{L"All Project Files", L"Open Files", L"Current File"}));
  EXPECT_EQ(seen.scopeSelected, 0);
  EXPECT_EQ(seen.droppedItems, 3);
  EXPECT_EQ(seen.matchCase, BST_UNCHECKED);
  EXPECT_EQ(seen.defaultId, IDOK);
  EXPECT_TRUE(seen.findFocused);
  EXPECT_EQ(seen.controlText[0], L"Match case");
  EXPECT_EQ(seen.controlText[1], L"OK");
  EXPECT_EQ(seen.controlText[2], L"Cancel");
  EXPECT_EQ(seen.client.right, MulDiv(300, dialog.dpi, 96));
  EXPECT_EQ(seen.client.bottom, MulDiv(129, dialog.dpi, 96));
}

TEST_F(FindAllDialogTest, OkTakesTextScopeAndMatchCase) {
  ReadAndAnswerDialog({2, true, L"Needle", IDOK});
  KVFindAllDlg dialog;
  EXPECT_EQ(dialog.run("", frame), 1);
  EXPECT_EQ(dialog.searchText, "Needle");
  EXPECT_EQ(dialog.scope, KVSearchScope::CurrentFile);
  EXPECT_TRUE(dialog.matchCase);
}

TEST_F(FindAllDialogTest, ReportsHitsIntoThePaneAndKeepsTheText) {
  add(ProjectItemType::SourceFile, "main.js", "var one = 1\r\nvar two = one + one\r\n");
  add(ProjectItemType::ExternalLibrary, "user32.ext", "C:\\one\\user32.dll\r\nint One()\r\n");
  pane.append("old report\r\n");
  std::string last = "previous";
  DialogAnswer answer(L"Find in Files", L"one");
  kvtest::AnswerInOrder({&answer});
  EXPECT_TRUE(RunFindInFiles(frame, pane, records, nullptr, last));
  EXPECT_EQ(last, "one");
  EXPECT_EQ(paneText(),
            "Find all \"one\"\r\nmain.js(1):    var one = 1\r\nmain.js(2):    var two = one + one\r\n"
            "user32.dll(1):    int One()\r\n3 matches found in 2 files\r\n");
}

// Blank text is refused as if the user had cancelled: the pane is shown but keeps its text,
// and the last search text stays.
TEST_F(FindAllDialogTest, BlankTextBehavesAsCancel) {
  add(ProjectItemType::SourceFile, "main.js", "   \r\n");
  pane.append("old report\r\n");
  pane.hide();
  std::string last = "previous";
  DialogAnswer blank(L"Find in Files", L" \t  ");
  kvtest::AnswerInOrder({&blank});
  EXPECT_FALSE(RunFindInFiles(frame, pane, records, records.front().get(), last));
  EXPECT_TRUE(blank.answered);
  EXPECT_TRUE(pane.visible);
  EXPECT_EQ(last, "previous");
  EXPECT_EQ(paneText(), "old report\r\n");

  DialogAnswer cancel(L"Find in Files", L"main", IDCANCEL);
  kvtest::AnswerInOrder({&cancel});
  EXPECT_FALSE(RunFindInFiles(frame, pane, records, records.front().get(), last));
  EXPECT_EQ(last, "previous");
  EXPECT_EQ(paneText(), "old report\r\n");
}

}  // namespace
