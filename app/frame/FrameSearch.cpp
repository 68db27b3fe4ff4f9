// The search commands: the find panel of the active source editor and find in files.
#include "app/frame/FrameWindow.h"

#include "search/FindAllDialog.h"
#include "search/FindReplacePanel.h"

// Ctrl+F: the panel comes to the active source editor; other documents have nothing to search.
void KVFrameWindow::showFindPanel() {
  if (!active || active->kind() != ProjectItemType::SourceFile) return;
  if (!findReplace) findReplace = std::make_unique<KVFindReplace>();
  findReplace->showFor(active);
}

// F3 and Shift+F3 search again with the panel's last text, shown or not; before the first
// Ctrl+F there is no text to search for.
void KVFrameWindow::findAgain(bool forward) {
  if (!findReplace || !active) return;
  if (forward) {
    findReplace->findNext(active);
  } else {
    findReplace->findPrevious(active);
  }
  updateStatusBar();
}

void KVFrameWindow::findInFiles() {
  if (projectOpen()) RunFindInFiles(window, *outputPane, records, active, lastSearchText);
}

// The panel hides when its document stops being the one shown.
void KVFrameWindow::hideFindPanelUnlessOn(const DocumentRecord* record) {
  if (findReplace && findReplace->visible && findReplace->target() != record) findReplace->hide();
}

HWND KVFrameWindow::findPanelWindow() const {
  return findReplace && findReplace->visible ? findReplace->window : nullptr;
}

void KVFrameWindow::repositionFindPanel() {
  if (findReplace) findReplace->reposition();
}
