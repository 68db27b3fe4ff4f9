// KVEditorBase: what every document editor offers the frame. The frame creates an editor
// when a document opens, calls these operations for the menu and toolbar commands, and
// destroys it when the document closes.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

struct DocumentRecord;

class KVEditorBase {
public:
  // Where the caret of a text editor is, all counted from 0: the status bar shows line and
  // column of the selection's end; the project file keeps the first visible line and the
  // caret's position.
  struct Caret {
    int line = 0;
    int column = 0;
    int firstVisibleLine = 0;
    int position = 0;
  };

  // Posted by an editor to the frame, its window's parent, with the document record as
  // lParam whenever its modified flag changes.
  static constexpr UINT kModifiedNotice = WM_USER + 2;

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

  // Why the last create or save failed, in words for a message; empty when nothing failed
  // or the editor cannot tell.
  virtual std::string failure() const { return {}; }
  // The caret of an editor that has one.
  virtual std::optional<Caret> caret() const { return std::nullopt; }
  // Brings a line into view with the caret at position (or at the line's start when position
  // is negative); a negative line does nothing.
  virtual void showPosition(int /*line*/, int /*position*/) {}
  // A WM_NOTIFY the editor's window sent to the frame, its parent, while it is active.
  virtual void notified(const NMHDR& /*header*/) {}

  DocumentRecord* document = nullptr;
  unsigned char modified = 0;
  // Set by editors whose child controls are reached with Tab and the arrow keys.
  unsigned char dialogNavigation = 0;
  HWND editorWindow = nullptr;

protected:
  // Sets the modified flag and tells the frame with kModifiedNotice, once per change from
  // saved to modified.
  void setModified(HWND frame) {
    if (modified) return;
    modified = 1;
    if (frame) PostMessageW(frame, kModifiedNotice, 0, reinterpret_cast<LPARAM>(document));
  }
};
