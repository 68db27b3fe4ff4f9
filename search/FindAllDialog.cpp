#include "search/FindAllDialog.h"

#include <cctype>

#include "common/Text.h"
#include "editing/OutputPane.h"

namespace {

constexpr DWORD kControl = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
const wchar_t* const kScopes[] = {L"All Project Files", L"Open Files", L"Current File"};

bool IsBlank(const std::string& text) {
  for (const char c : text) {
    if (!std::isspace(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// The output pane as the search's report goes into it.
class OutputSink : public KVSearchSink {
public:
  explicit OutputSink(KVOutputDialog& pane) : pane(pane) {}
  void clear() override { pane.clear(); }
  void append(const std::string& text) override { pane.append(text); }

private:
  KVOutputDialog& pane;
};

}  // namespace

INT_PTR KVFindAllDlg::run(const std::string& initialText, HWND parentWindow) {
  searchText = initialText;
  matchCase = false;
  scope = KVSearchScope::AllProjectFiles;
  findField = scopeList = matchCaseBox = nullptr;
  return runModal(WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 300, 129, parentWindow);
}

INT_PTR KVFindAllDlg::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return 0;  // the focus is already in the find field
    case WM_COMMAND:
      return onCommand(LOWORD(wParam));
    default:
      return 0;
  }
}

void KVFindAllDlg::onInitDialog() {
  SetWindowTextW(window, L"Find in Files");
  centerOnParent();
  findField = createChild(0, L"Edit", kvtext::Utf8ToWide(searchText).c_str(), kControl | WS_BORDER, 10, 10, 280,
                          20, window, kFindId);
  scopeList = createChild(0, L"ComboBox", L"", kControl | WS_BORDER | CBS_DROPDOWNLIST, 10, 40, 280, 20, window,
                          kScopeId);
  matchCaseBox = createChild(0, L"Button", L"Match case", kControl | BS_AUTOCHECKBOX, 10, 70, 150, 20, window,
                             kMatchCaseId);
  const HWND ok = createChild(0, L"Button", L"OK", kControl | BS_DEFPUSHBUTTON, 138, 95, 75, 25, window, IDOK);
  const HWND cancel = createChild(0, L"Button", L"Cancel", kControl, 216, 95, 75, 25, window, IDCANCEL);
  for (const HWND control : {findField, scopeList, matchCaseBox, ok, cancel}) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  for (const wchar_t* item : kScopes) {
    SendMessageW(scopeList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  SendMessageW(scopeList, CB_SETCURSEL, 0, 0);
  SendMessageW(window, DM_SETDEFID, IDOK, 0);
  // Focused with its text selected, so that typing replaces the last search.
  SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(findField), TRUE);
}

INT_PTR KVFindAllDlg::onCommand(int id) {
  switch (id) {
    case IDOK:
      onOk();
      return 1;
    case IDCANCEL:
      EndDialog(window, 2);
      return 1;
    default:
      return 0;
  }
}

void KVFindAllDlg::onOk() {
  const std::string typed = getWindowText(findField);
  if (IsBlank(typed)) {
    EndDialog(window, 2);
    return;
  }
  searchText = typed;
  const LRESULT selected = SendMessageW(scopeList, CB_GETCURSEL, 0, 0);
  scope = selected >= 0 && selected <= 2 ? static_cast<KVSearchScope>(selected) : KVSearchScope::AllProjectFiles;
  matchCase = SendMessageW(matchCaseBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
  EndDialog(window, 1);
}

bool RunFindInFiles(HWND frame, KVOutputDialog& output, const std::vector<std::unique_ptr<DocumentRecord>>& records,
                    const DocumentRecord* active, std::string& lastSearchText) {
  output.show();
  KVFindAllDlg dialog;
  if (dialog.run(lastSearchText, frame) != 1) return false;
  lastSearchText = dialog.searchText;
  std::vector<KVSearchDocument> documents;
  documents.reserve(records.size());
  for (const auto& record : records) documents.push_back({record->item, record->isOpen()});
  OutputSink sink(output);
  kvsearch::WriteReport(dialog.searchText, dialog.matchCase, dialog.scope, documents, active ? active->item : nullptr,
                        sink);
  return true;
}
