#include "app/frame/EditorKinds.h"

#include "designer/WindowEditor.h"
#include "editing/SourceEditor.h"

std::unique_ptr<KVEditorBase> MakeEditor(ProjectItemType kind, const EditorServices& services) {
  switch (kind) {
    case ProjectItemType::SourceFile:
    case ProjectItemType::ExternalLibrary:
      return std::make_unique<KVSourceEditor>(services.sense);
    case ProjectItemType::DialogWindow:
      return std::make_unique<KVWindowEditor>(services.propertyGrid, services.host);
    case ProjectItemType::VersionInfo:
    case ProjectItemType::Icon:
    case ProjectItemType::Bitmap:
      break;
  }
  return nullptr;
}
