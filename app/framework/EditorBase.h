// KVEditorBase: what every document editor offers the frame. The frame creates an editor
// when a document opens, calls these operations for the menu and toolbar commands, and
// destroys it when the document closes.
#pragma once

#include <windows.h>

struct DocumentRecord;

class KVEditorBase {
public:
  virtual ~KVEditorBase() = default;

  // Loads the document and creates the editor's window as a child of parent at the given
  // rectangle (device pixels); sets editorWindow and the record's editor.
  virtual bool create(DocumentRecord*, HWND, int, int, int, int) { return false; }
  virtual bool save() { return false; }
  virtual void cut() {}
  virtual void copy() {}
  virtual void paste() {}
  // Removes the selection.
  virtual void deleteSelection() {}
  virtual void undo() {}
  virtual void redo() {}

  DocumentRecord* document = nullptr;
  unsigned char modified = 0;
  // Set by editors whose child controls are reached with Tab and the arrow keys.
  unsigned char dialogNavigation = 0;
  HWND editorWindow = nullptr;
};
