// The table from document kind to editor: the one place where the frame learns which
// editor opens which kind of project file.
#pragma once

#include <memory>

#include "app/framework/EditorBase.h"
#include "project/ProjectItem.h"

class KVSense;
class KVPropertyGrid;
class KVDocumentHost;

// What the frame lends the editors it makes; each outlives every editor.
struct EditorServices {
  // The frame's code assistance, which the source editor asks while the user types.
  const KVSense& sense;
  // The one floating property grid the window designer fills.
  KVPropertyGrid& propertyGrid;
  // Status texts, opening documents and the other requests of the documents seam.
  KVDocumentHost& host;
};

// A new, not yet created editor for the kind, or null when the kind has no editor.
std::unique_ptr<KVEditorBase> MakeEditor(ProjectItemType kind, const EditorServices& services);
