#include "designer/MenuEditor.h"

#include "designer/WinFile.h"

KVMenuEditor::KVMenuEditor(KVMenuItem& menuRoot) : menuRoot(menuRoot) {}

INT_PTR KVMenuEditor::run(HWND) { return IDCANCEL; }

INT_PTR KVMenuEditor::dialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
