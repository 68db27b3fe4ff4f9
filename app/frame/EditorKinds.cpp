#include "app/frame/EditorKinds.h"

#include "designer/WindowEditor.h"
#include "editing/SourceEditor.h"
#include "resedit/BitmapEditor.h"
#include "resedit/IconEditor.h"
#include "resedit/VersionEditor.h"

std::unique_ptr<KVEditorBase> MakeEditor(ProjectItemType kind, const EditorServices& services) {
  switch (kind) {
    case ProjectItemType::SourceFile:
    case ProjectItemType::ExternalLibrary:
      return std::make_unique<KVSourceEditor>(services.sense);
    case ProjectItemType::DialogWindow:
      return std::make_unique<KVWindowEditor>(services.propertyGrid, services.host);
    case ProjectItemType::VersionInfo:
      return std::make_unique<KVVersionEditor>();
    case ProjectItemType::Icon:
      return std::make_unique<KVIconEditor>(services.host);
    case ProjectItemType::Bitmap:
      return std::make_unique<KVBitmapEditor>();
  }
  return nullptr;
}
