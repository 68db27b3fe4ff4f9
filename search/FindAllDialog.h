// KVFindAllDlg: the modal "Find in Files" dialog that asks for the search text, the scope and
// whether the case must match; and the Find in Files command that runs it and writes the
// report into the output pane.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/framework/Dialog.h"
#include "app/framework/DocumentRecord.h"
#include "search/FileSearch.h"

class KVOutputDialog;

class KVFindAllDlg : public KVDialog {
public:
  static constexpr int kFindId = 101;
  static constexpr int kScopeId = 102;
  static constexpr int kMatchCaseId = 103;

  // Shows the dialog over parentWindow with the text in its find field. 1 when the user
  // confirmed a search, searchText, scope and matchCase then holding the choices; 2 when
  // cancelled, or when the text was empty or only white space.
  INT_PTR run(const std::string& initialText, HWND parentWindow);

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  HWND findField = nullptr;
  HWND scopeList = nullptr;
  HWND matchCaseBox = nullptr;
  std::string searchText;
  bool matchCase = false;
  KVSearchScope scope = KVSearchScope::AllProjectFiles;

private:
  void onInitDialog();
  INT_PTR onCommand(int id);
  void onOk();
};

// The Find in Files command (Ctrl+Shift+F): shows the output pane, asks with the dialog over
// frame starting from lastSearchText, and, when the user confirms, keeps the text in
// lastSearchText and replaces the pane's text with the report. records are the frame's
// document records in project order, active its active document or null. True when a search
// ran; on Cancel the pane keeps its text.
bool RunFindInFiles(HWND frame, KVOutputDialog& output, const std::vector<std::unique_ptr<DocumentRecord>>& records,
                    const DocumentRecord* active, std::string& lastSearchText);
