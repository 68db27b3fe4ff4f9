// Answers the modal dialogs and message boxes a test's call puts up, the way a user would:
// each in turn once it is shown, typing into its edit control and pressing a button.
#pragma once

#include <windows.h>

#include <deque>
#include <initializer_list>
#include <string>

#include "app/framework/SingleEdit.h"
#include "common/Text.h"

namespace kvtest {

struct DialogAnswer {
  DialogAnswer(std::wstring title, std::wstring text = L"", int button = IDOK)
      : title(std::move(title)), text(std::move(text)), button(button) {}
  std::wstring title;
  std::wstring text;
  int button;
  std::string seen;  // a message box's text
  bool answered = false;
};

inline std::deque<DialogAnswer*>& PendingAnswers() {
  static std::deque<DialogAnswer*> pending;
  return pending;
}

// The answers are given in order, each once its dialog is up.
inline void AnswerInOrder(std::initializer_list<DialogAnswer*> answers) {
  PendingAnswers().assign(answers);
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    auto& pending = PendingAnswers();
    if (pending.empty()) {
      KillTimer(nullptr, timer);
      return;
    }
    DialogAnswer& answer = *pending.front();
    const HWND box = FindWindowW(L"#32770", answer.title.c_str());
    if (!box || !IsWindowVisible(box)) return;
    pending.pop_front();
    if (const HWND edit = GetDlgItem(box, DlgSingleEdit::kEditId)) SetWindowTextW(edit, answer.text.c_str());
    wchar_t said[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, said, 1024);
    answer.seen = kvtext::WideToUtf8(said);
    answer.answered = true;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED), 0);
  });
}

}  // namespace kvtest
