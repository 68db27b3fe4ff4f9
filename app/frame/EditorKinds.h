// The table from document kind to editor: the one place where the frame learns which
// editor opens which kind of project file.
#pragma once

#include <memory>

#include "app/framework/EditorBase.h"
#include "project/ProjectItem.h"

// A new, not yet created editor for the kind, or null when the kind has no editor.
std::unique_ptr<KVEditorBase> MakeEditor(ProjectItemType kind);
