// The table from document kind to editor: the one place where the frame learns which
// editor opens which kind of project file.
#pragma once

#include <memory>

#include "app/framework/EditorBase.h"
#include "project/ProjectItem.h"

class KVSense;

// A new, not yet created editor for the kind, or null when the kind has no editor. sense is
// the frame's code assistance, which the source editor asks while the user types.
std::unique_ptr<KVEditorBase> MakeEditor(ProjectItemType kind, const KVSense& sense);
