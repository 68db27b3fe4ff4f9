// The source editor's find and replace, on the component's target search: the target is the
// range searched, the match becomes the new target, and a replacement goes into the target.
#include "editing/SourceEditor.h"

namespace {

int SearchFlags(bool matchCase) { return matchCase ? SCFIND_MATCHCASE : 0; }

}  // namespace

// Searches searched in [start, end), backwards when end < start; the match is then the target.
bool KVSourceEditor::searchTarget(const std::string& searched, Sci_Position start, Sci_Position end,
                                  bool matchCase) const {
  if (searched.empty()) return false;
  call(SCI_SETTARGETRANGE, static_cast<uptr_t>(start), end);
  call(SCI_SETSEARCHFLAGS, static_cast<uptr_t>(SearchFlags(matchCase)));
  return call(SCI_SEARCHINTARGET, searched.size(), reinterpret_cast<sptr_t>(searched.data())) >= 0;
}

void KVSourceEditor::selectTarget() {
  const sptr_t start = call(SCI_GETTARGETSTART);
  call(SCI_SETSEL, static_cast<uptr_t>(start), call(SCI_GETTARGETEND));
  call(SCI_ENSUREVISIBLE, static_cast<uptr_t>(call(SCI_LINEFROMPOSITION, static_cast<uptr_t>(start))));
}

void KVSourceEditor::findNext(const std::string& searched, bool matchCase) {
  if (searchTarget(searched, call(SCI_GETSELECTIONEND), call(SCI_GETLENGTH), matchCase)) selectTarget();
}

void KVSourceEditor::findPrevious(const std::string& searched, bool matchCase) {
  if (searchTarget(searched, call(SCI_GETSELECTIONSTART), 0, matchCase)) selectTarget();
}

void KVSourceEditor::replace(const std::string& searched, const std::string& replacement, bool matchCase) {
  if (searched.empty()) return;
  const sptr_t start = call(SCI_GETSELECTIONSTART);
  const sptr_t end = call(SCI_GETSELECTIONEND);
  if (start != end && searchTarget(searched, start, end, matchCase)) {
    call(SCI_REPLACETARGET, replacement.size(), reinterpret_cast<sptr_t>(replacement.data()));
    // The search goes on after the inserted text, so a replacement that contains the text is
    // not found again.
    const sptr_t after = call(SCI_GETTARGETEND);
    call(SCI_SETSEL, static_cast<uptr_t>(after), after);
  }
  findNext(searched, matchCase);
}

void KVSourceEditor::replaceAll(const std::string& searched, const std::string& replacement, bool matchCase) {
  if (searched.empty()) return;
  sptr_t selectionStart = call(SCI_GETSELECTIONSTART);
  sptr_t selectionEnd = call(SCI_GETSELECTIONEND);
  call(SCI_BEGINUNDOACTION);
  sptr_t end = call(SCI_GETLENGTH);
  const sptr_t delta = static_cast<sptr_t>(replacement.size()) - static_cast<sptr_t>(searched.size());
  Sci_Position from = 0;
  while (searchTarget(searched, from, end, matchCase)) {
    selectionStart = call(SCI_GETTARGETSTART);
    selectionEnd = call(SCI_GETTARGETEND);
    call(SCI_SETSEL, static_cast<uptr_t>(selectionStart), selectionEnd);
    call(SCI_REPLACETARGET, replacement.size(), reinterpret_cast<sptr_t>(replacement.data()));
    // Go on after the inserted text, so a replacement that contains the text is not found again.
    from = selectionStart + static_cast<sptr_t>(replacement.size());
    end += delta;
  }
  call(SCI_ENDUNDOACTION);
  call(SCI_SETSEL, static_cast<uptr_t>(selectionStart), selectionEnd);
}
