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

namespace {

std::string Indexed(const std::string& path, int index) { return path + "[" + std::to_string(index) + "]"; }

}  // namespace

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
    ideSettings.document.SetString("//Settings/LastProject", path);
    ideSettings.addRecent(path);
  }
  updateCommandStates();
  showIdleHint();
  InvalidateRect(window, nullptr, TRUE);
  return true;
}

namespace {

constexpr const char* kLayoutItems = "//Project/Layout/SourceFiles/Item";

}  // namespace

void KVFrameWindow::placeRecordsInTree() {
  KVXML& file = projectModel->Document();
  if (file.Count(kLayoutItems) == 0) {
    for (const auto& record : records) {
      if (record->kind() == ProjectItemType::SourceFile) tree->PlaceNode(record.get(), tree->sourceFilesNode());
    }
    return;
  }
  // Depth first through the saved folders; files the layout does not name stay out of the tree.
  struct Level {
    std::string path;
    HTREEITEM parent;
  };
  std::vector<Level> pending = {{kLayoutItems, tree->sourceFilesNode()}};
  while (!pending.empty()) {
    const Level level = pending.back();
    pending.pop_back();
    const int count = file.Count(level.path);
    for (int i = 1; i <= count; ++i) {
      const std::string entry = Indexed(level.path, i);
      const std::string name = file.GetString(entry + "/Name");
      if (file.Count(entry + "/Folder") == 1) {
        pending.push_back({entry + "/Item", tree->AddFolder(name, level.parent)});
      } else if (DocumentRecord* record = findRecord(ProjectItemType::SourceFile, name); record && !record->treeNode) {
        tree->PlaceNode(record, level.parent);
      }
    }
  }
}

void KVFrameWindow::restoreTabs() {
  KVXML& file = projectModel->Document();
  constexpr const char* kTabNames = "//Project/Tabs/Name";
  const int count = file.Count(kTabNames);
  for (int i = 1; i <= count; ++i) {
    const auto kind = static_cast<ProjectItemType>(kvtext::LeadingInt32(file.GetTabAttribute(i, "type")));
    DocumentRecord* record = findRecord(kind, file.GetString(Indexed(kTabNames, i)));
    if (!record) continue;
    const bool text = IsTextKind(kind);
    const int line = text ? kvtext::LeadingInt32(file.GetTabAttribute(i, "line")) : -1;
    const int position = text ? kvtext::LeadingInt32(file.GetTabAttribute(i, "position")) : -1;
    openDocument(record, line, position);
  }
  if (count > 0) {
    const auto kind = static_cast<ProjectItemType>(kvtext::LeadingInt32(file.GetString("//Project/Tabs/Selected/@type")));
    if (DocumentRecord* selected = findRecord(kind, file.GetString("//Project/Tabs/Selected"))) {
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
  const std::string layout = tree->LayoutFragment();
  const std::string tabState = tabStrip->stateText();
  projectModel->ReleaseLock();
  projectModel->Save(tabState, layout);
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

void KVFrameWindow::clearDocuments() {
  for (const auto& record : records) destroyEditor(record.get());
  records.clear();
  active = nullptr;
  setStatusText(1, "");
  setStatusText(2, "");
  if (propertyGrid) propertyGrid->hide();
}
