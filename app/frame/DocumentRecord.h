// The frame's record of one project item: the item itself (owned by the project), its node
// in the project tree, its tab and, while the document is open, its editor.
#pragma once

#include <memory>

#include "project/ProjectItem.h"

class KVEditorBase;
struct _TREEITEM;

struct DocumentRecord {
  explicit DocumentRecord(ProjectItem* projectItem);
  ~DocumentRecord();
  DocumentRecord(const DocumentRecord&) = delete;
  DocumentRecord& operator=(const DocumentRecord&) = delete;

  int kind() const { return static_cast<int>(item->type); }

  ProjectItem* item;
  _TREEITEM* treeNode = nullptr;
  int tabId = 0;
  std::unique_ptr<KVEditorBase> editor;
};
