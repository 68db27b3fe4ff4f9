#include "app/frame/EditorKinds.h"

std::unique_ptr<KVEditorBase> MakeEditor(ProjectItemType kind) {
  switch (kind) {
    case ProjectItemType::SourceFile:
    case ProjectItemType::ExternalLibrary:
    case ProjectItemType::DialogWindow:
    case ProjectItemType::VersionInfo:
    case ProjectItemType::Icon:
    case ProjectItemType::Bitmap:
      break;
  }
  return nullptr;
}
