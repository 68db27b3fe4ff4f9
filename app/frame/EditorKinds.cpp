#include "app/frame/EditorKinds.h"

#include "editing/SourceEditor.h"

std::unique_ptr<KVEditorBase> MakeEditor(ProjectItemType kind, const EditorServices& services) {
  switch (kind) {
    case ProjectItemType::SourceFile:
    case ProjectItemType::ExternalLibrary:
      return std::make_unique<KVSourceEditor>(services.sense);
    case ProjectItemType::DialogWindow:
    case ProjectItemType::VersionInfo:
    case ProjectItemType::Icon:
    case ProjectItemType::Bitmap:
      break;
  }
  return nullptr;
}
