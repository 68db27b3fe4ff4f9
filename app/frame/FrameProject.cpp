// Opening and closing a project: document records, the tree layout, the saved tabs, the
// recent list, and the save question on close.
#include "app/frame/FrameWindow.h"

#include <algorithm>

#include "common/Text.h"
#include "designer/PropertyGrid.h"
#include "editing/TabControl.h"
#include "platform/Platform.h"
#include "project/ProjectTree.h"

namespace {

std::string Indexed(const std::string& path, int index) { return path + "[" + std::to_string(index) + "]"; }

}  // namespace

void KVFrameWindow::openProject(const std::string& path) {
  // The records of an open project point into its model, which a second load replaces.
  if (projectOpen() && !closeProject()) return;
  if (!project->Load(path)) return;
  projectTree->Reset(project->Name());
  for (const auto& item : project->Items()) {
    documents.push_back(std::make_unique<DocumentRecord>(item.get()));
    DocumentRecord* record = documents.back().get();
    if (record->kind() != 0) projectTree->PlaceNode(record, nullptr);
  }

  layoutDocument.Load(path);
  constexpr const char* kLayoutItems = "//Project/Layout/SourceFiles/Item";
  if (layoutDocument.Count(kLayoutItems) == 0) {
    for (const auto& record : documents) {
      if (record->kind() == 0) projectTree->PlaceNode(record.get(), projectTree->sourceFilesNode());
    }
  } else {
    restoreLayout(kLayoutItems, projectTree->sourceFilesNode());
  }
  projectTree->ExpandCategories();
  restoreTabs();

  SetWindowTextW(window, kvtext::Utf8ToWide("KelVox Studio - " + project->Name()).c_str());
  if (kvplatform::CanRead(path)) {
    settings.document.SetString("//Settings/LastProject", path);
    settings.addRecent(path);
  }
  updateCommandStates();
}

void KVFrameWindow::restoreLayout(const std::string& path, HTREEITEM parent) {
  const int count = layoutDocument.Count(path);
  for (int i = 1; i <= count; ++i) {
    const std::string entry = Indexed(path, i);
    const std::string name = layoutDocument.GetString(entry + "/Name");
    if (layoutDocument.Count(entry + "/Folder") == 1) {
      restoreLayout(entry + "/Item", projectTree->AddFolder(name, parent));
    } else if (DocumentRecord* record = findRecord(0, name); record && !record->treeNode) {
      projectTree->PlaceNode(record, parent);
    }
  }
}

void KVFrameWindow::restoreTabs() {
  constexpr const char* kTabNames = "//Project/Tabs/Name";
  const int count = layoutDocument.Count(kTabNames);
  for (int i = 1; i <= count; ++i) {
    const int kind = kvtext::LeadingInt32(layoutDocument.GetTabAttribute(i, "type"));
    DocumentRecord* record = findRecord(kind, layoutDocument.GetString(Indexed(kTabNames, i)));
    if (!record) continue;
    const bool text = kind == 0 || kind == 2;
    const int line = text ? kvtext::LeadingInt32(layoutDocument.GetTabAttribute(i, "line")) : -1;
    const int position = text ? kvtext::LeadingInt32(layoutDocument.GetTabAttribute(i, "position")) : -1;
    openDocument(record, line, position);
  }
  if (count > 0) {
    const int kind = kvtext::LeadingInt32(layoutDocument.GetString("//Project/Tabs/Selected/@type"));
    if (DocumentRecord* selected = findRecord(kind, layoutDocument.GetString("//Project/Tabs/Selected"))) {
      activateDocument(selected, -1, -1);
      projectTree->SelectNode(selected->treeNode);
    }
  } else if (!documents.empty()) {
    projectTree->SelectNode(documents.front()->treeNode);
  }
}

DocumentRecord* KVFrameWindow::findRecord(int kind, const std::string& displayName) {
  for (const auto& record : documents) {
    if (record->kind() == kind && record->item->displayName == displayName) return record.get();
  }
  return nullptr;
}

bool KVFrameWindow::closeProject() {
  if (!projectOpen()) return true;
  const bool anyModified = std::any_of(documents.begin(), documents.end(),
                                       [](const auto& r) { return r->editor && r->editor->modified; });
  if (anyModified) {
    const int answer = MessageBoxW(window, L"Save changes?", L"KelVox Studio", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (activeDocument && activeDocument->editor) SetFocus(activeDocument->editor->editorWindow);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES && !saveAll()) return false;
    for (const auto& record : documents) {
      if (record->editor) record->editor->modified = 0;
    }
  }
  const std::string layout = projectTree->LayoutFragment();
  const std::string tabState = tabs->stateText();
  project->ReleaseLock();
  project->Save(tabState, layout);
  clearDocuments();
  project->ClearItems();
  tabs->clear();
  projectTree->Clear();
  SetWindowTextW(window, L"KelVox Studio");
  updateCommandStates();
  return true;
}

void KVFrameWindow::clearDocuments() {
  for (const auto& record : documents) destroyEditor(record.get());
  documents.clear();
  activeDocument = nullptr;
  setStatusText(1, "");
  setStatusText(2, "");
  if (propertyGrid) propertyGrid->hide();
}
