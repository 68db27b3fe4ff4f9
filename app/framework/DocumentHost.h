// KVDocumentHost: what panes and editors may ask of the window that owns the documents.
// They hold this interface, never the frame itself, so that no pane depends on the frame.
#pragma once

#include <string>

struct DocumentRecord;

class KVDocumentHost {
public:
  // Opens the record's editor if needed and brings it to the front; line and position are
  // -1 when the caret stays where it is.
  virtual void openDocument(DocumentRecord* record, int line, int position) = 0;
  // Closes one document, asking first when it has unsaved changes; false when the user
  // cancelled or the save failed.
  virtual bool closeDocument(DocumentRecord* record) = 0;
  // The first document record whose item has exactly this display name, or null.
  virtual DocumentRecord* documentNamed(const std::string& displayName) = 0;
  // Closes the document, takes the item out of the project and deletes its file.
  virtual bool removeDocument(DocumentRecord* record) = 0;
  // A text in one part of the status bar (0 general, 1 and 2 the caret position).
  virtual void setStatusText(int part, const std::string& text) = 0;
  // The panes' sizes changed (a splitter moved, a pane was shown or hidden).
  virtual void relayout() = 0;
  // Makes the icon file the project's icon: its bytes go into the project's resources folder,
  // the icon record's item names that file and the tree shows it. False, the project keeping
  // its icon, with the reason in why when there is one.
  virtual bool replaceProjectIcon(DocumentRecord* /*iconRecord*/, const std::string& /*iconPath*/,
                                  std::string& /*why*/) {
    return false;
  }

protected:
  ~KVDocumentHost() = default;
};
