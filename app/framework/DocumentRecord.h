// The frame's record of one project item: the item itself (owned by the project), its node
// in the project tree, its tab and, while the document is open, its editor. Panes and
// editors hold records; only the frame makes and destroys them.
#pragma once

#include <memory>

#include "app/framework/EditorBase.h"
#include "project/ProjectItem.h"

struct _TREEITEM;

struct DocumentRecord {
  explicit DocumentRecord(ProjectItem* projectItem) : item(projectItem) {}
  DocumentRecord(const DocumentRecord&) = delete;
  DocumentRecord& operator=(const DocumentRecord&) = delete;

  ProjectItemType kind() const { return item->type; }
  // Sources and library declarations share the source editor, with its caret and status texts.
  bool isText() const { return IsTextKind(kind()); }
  bool isOpen() const { return editor != nullptr; }

  ProjectItem* item;
  _TREEITEM* treeNode = nullptr;
  int tabId = 0;
  std::unique_ptr<KVEditorBase> editor;
};
