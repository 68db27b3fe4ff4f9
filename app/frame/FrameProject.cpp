// Opening and closing a project: document records, the tree layout, the saved tabs, the
// recent list, and the save question on close.
#include "app/frame/FrameWindow.h"

#include <algorithm>

#include "common/Text.h"
#include "designer/PropertyGrid.h"
#include "editing/TabControl.h"
#include "platform/Platform.h"
#include "project/ProjectOpenCheck.h"
#include "project/ProjectTree.h"
#include "project/ProjectViewState.h"

int KVFrameWindow::message(const std::string& text, UINT type) {
  return MessageBoxW(window, kvtext::Utf8ToWide(text).c_str(), L"KelVox Studio", type);
}

// The open project is closed only once the new one is known to open, so that a file that
// is no project, or one another IDE holds, costs the user nothing.
bool KVFrameWindow::openProject(const std::string& path) {
  const bool reopening = projectOpen() && kvplatform::SameFileName(path, projectModel->ProjectFilePath());
  const std::string why = WhyProjectCannotOpen(path, reopening);
  if (!why.empty()) {
    message("The project " + path + " " + why + ".", MB_OK | MB_ICONERROR);
    return false;
  }
  if (!closeProject()) return false;
  if (!loadProject(path)) {
    const std::string late = WhyProjectCannotOpen(path);
    message("The project " + path + " " + (late.empty() ? "could not be opened" : late) + ".", MB_OK | MB_ICONERROR);
    return false;
  }
  return true;
}

bool KVFrameWindow::loadProject(const std::string& path) {
  if (!projectModel->Load(path)) return false;
  tree->Reset(projectModel->Name());
  for (const auto& item : projectModel->Items()) {
    records.push_back(std::make_unique<DocumentRecord>(item.get()));
    DocumentRecord* record = records.back().get();
    if (record->kind() != ProjectItemType::SourceFile) tree->PlaceNode(record, nullptr);
  }
  placeRecordsInTree();
  tree->ExpandCategories();
  restoreTabs();

  SetWindowTextW(window, kvtext::Utf8ToWide("KelVox Studio - " + projectModel->Name()).c_str());
  if (kvplatform::CanRead(path)) {
    ideSettings.setLastProject(path);
    ideSettings.addRecent(path);
  }
  updateCommandStates();
  showIdleHint();
  InvalidateRect(window, nullptr, TRUE);
  rescan();
  return true;
}

// Files the saved layout does not name stay out of the tree; without a layout every source
// file sits directly under Source Files.
void KVFrameWindow::placeRecordsInTree() {
  const std::optional<std::vector<LayoutEntry>> layout = ReadLayout(projectModel->Document());
  if (!layout) {
    for (const auto& record : records) {
      if (record->kind() == ProjectItemType::SourceFile) tree->PlaceNode(record.get(), tree->sourceFilesNode());
    }
    return;
  }
  placeLayout(*layout, tree->sourceFilesNode());
}

void KVFrameWindow::placeLayout(const std::vector<LayoutEntry>& entries, HTREEITEM parent) {
  for (const LayoutEntry& entry : entries) {
    if (entry.folder) {
      placeLayout(entry.children, tree->AddFolder(entry.name, parent));
    } else if (DocumentRecord* record = findRecord(ProjectItemType::SourceFile, entry.name);
               record && !record->treeNode) {
      tree->PlaceNode(record, parent);
    }
  }
}

void KVFrameWindow::restoreTabs() {
  const SavedTabs saved = ReadSavedTabs(projectModel->Document());
  for (const SavedTab& tab : saved.tabs) {
    if (DocumentRecord* record = findRecord(tab.type, tab.displayName)) openDocument(record, tab.line, tab.position);
  }
  if (!saved.tabs.empty()) {
    if (!saved.selected) return;
    if (DocumentRecord* selected = findRecord(saved.selected->type, saved.selected->displayName)) {
      activateDocument(selected, -1, -1);
      tree->SelectNode(selected->treeNode);
    }
  } else if (!records.empty()) {
    tree->SelectNode(records.front()->treeNode);
  }
}

DocumentRecord* KVFrameWindow::findRecord(ProjectItemType kind, const std::string& displayName) {
  for (const auto& record : records) {
    if (record->kind() == kind && record->item->displayName == displayName) return record.get();
  }
  return nullptr;
}

bool KVFrameWindow::closeProject() {
  if (!projectOpen()) return true;
  const bool anyModified =
      std::any_of(records.begin(), records.end(), [](const auto& r) { return r->editor && r->editor->modified; });
  if (anyModified) {
    const int answer = message("Save changes?", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (active && active->editor) SetFocus(active->editor->editorWindow);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES && !saveAll()) return false;
    for (const auto& record : records) {
      if (record->editor) record->editor->modified = 0;
    }
  }
  const std::string layout = LayoutFragment(tree->layout());
  const std::string tabState = TabsFragment(tabsToSave());
  projectModel->ReleaseLock();
  if (!projectModel->Save(tabState, layout)) {
    message("The project file " + projectModel->ProjectFilePath() +
                " could not be saved; it keeps its previous content.",
            MB_OK | MB_ICONERROR);
  }
  clearDocuments();
  projectModel->ClearItems();
  tabStrip->clear();
  tree->Clear();
  SetWindowTextW(window, L"KelVox Studio");
  updateCommandStates();
  showIdleHint();
  InvalidateRect(window, nullptr, TRUE);
  return true;
}

// Remove From Project: the document closes (Cancel on its save question stops here), the
// item leaves the project and the file stays on the disk. The project file records the
// change at its next save.
bool KVFrameWindow::removeFromProject(DocumentRecord* record) {
  if (!knownRecord(record) || !closeDocument(record)) return false;
  if (record->treeNode) tree->removeNode(record);
  projectModel->RemoveItem(record->item);
  records.erase(std::remove_if(records.begin(), records.end(), [&](const auto& r) { return r.get() == record; }),
                records.end());
  return true;
}

void KVFrameWindow::clearDocuments() {
  for (const auto& record : records) destroyEditor(record.get());
  records.clear();
  active = nullptr;
  setStatusText(1, "");
  setStatusText(2, "");
  if (propertyGrid) propertyGrid->hide();
}
