// Opening, activating, saving and closing the documents of the open project.
#include "app/frame/FrameWindow.h"

#include <algorithm>

#include "common/Text.h"
#include "designer/PropertyGrid.h"
#include "editing/TabControl.h"
#include "platform/Platform.h"
#include "project/ProjectTree.h"

DocumentRecord::DocumentRecord(ProjectItem* projectItem) : item(projectItem) {}
DocumentRecord::~DocumentRecord() = default;

void KVFrameWindow::openDocument(DocumentRecord* record, int line, int position) {
  if (!record) return;
  if (propertyGrid) propertyGrid->hide();
  if (!record->editor) {
    std::unique_ptr<KVEditorBase> editor = makeEditor ? makeEditor(record->kind()) : nullptr;
    const kvframe::Rect area = editorArea();
    if (!editor || !editor->create(record, window, area.x, area.y, area.width, area.height)) return;
    record->editor = std::move(editor);
    record->tabId = tabs->add(record);
    if (record->kind() != 0 && record->kind() != 2) line = position = -1;
  }
  activateDocument(record, line, position);
}

void KVFrameWindow::activateDocument(DocumentRecord* record, int line, int position) {
  if (!record || !record->editor) return;
  (void)line;
  (void)position;
  if (record == activeDocument) {
    SetFocus(record->editor->editorWindow);
    updateStatusBar();
    return;
  }
  setStatusText(1, "");
  setStatusText(2, "");
  if (propertyGrid) propertyGrid->hide();
  tabs->select(record->tabId);
  if (activeDocument && activeDocument->editor) {
    ShowWindow(activeDocument->editor->editorWindow, SW_HIDE);
    EnableWindow(activeDocument->editor->editorWindow, FALSE);
  }
  const HWND editor = record->editor->editorWindow;
  ShowWindow(editor, SW_SHOW);
  EnableWindow(editor, TRUE);
  UpdateWindow(editor);
  SetFocus(editor);
  activeDocument = record;
  if (record->kind() == 0 || record->kind() == 2) updateStatusBar();
  updateCommandStates();
}

bool KVFrameWindow::saveDocument(DocumentRecord* record) {
  if (!record) return false;
  const int kind = record->kind();
  if (kind == 5) return true;  // bitmaps are viewed, never changed
  if (kind < 0 || kind > 4 || !record->editor) return false;
  const bool saved = record->editor->save();
  tabs->repaintTab(record->tabId);
  return saved;
}

bool KVFrameWindow::saveAll() {
  for (const auto& record : documents) {
    if (record->editor && IsWindow(record->editor->editorWindow) && !saveDocument(record.get())) return false;
  }
  return true;
}

bool KVFrameWindow::closeDocument(DocumentRecord* record) {
  if (!record || !record->editor) return true;
  if (record->editor->modified) {
    const kvtext::WideString question =
        kvtext::Utf8ToWide("Save changes to " + record->item->displayName + "?");
    int button = IDCANCEL;
    TaskDialog(window, nullptr, L"KelVox Studio", question.c_str(), nullptr,
               TDCBF_YES_BUTTON | TDCBF_NO_BUTTON | TDCBF_CANCEL_BUTTON, TD_INFORMATION_ICON, &button);
    if (activeDocument && activeDocument->editor) SetFocus(activeDocument->editor->editorWindow);
    if (button == IDCANCEL) return false;
    if (button == IDYES && !saveDocument(record)) return false;
    record->editor->modified = 0;
  }
  const bool wasActive = record == activeDocument;
  if (wasActive) {
    setStatusText(1, "");
    setStatusText(2, "");
    if (propertyGrid) propertyGrid->hide();
    // The focus would otherwise pass to whichever child comes next, the tab strip among them.
    SetFocus(window);
  }
  destroyEditor(record);
  if (wasActive) activeDocument = nullptr;
  if (!tabs->remove(record)) updateCommandStates();
  return true;
}

bool KVFrameWindow::removeDocument(DocumentRecord* record) {
  if (!closeDocument(record)) return false;
  const auto& items = project->Items();
  const bool listed = std::any_of(items.begin(), items.end(), [&](const auto& item) { return item.get() == record->item; });
  if (!listed) return false;
  const std::string path = record->item->directory + record->item->fileName;
  if (record->treeNode) TreeView_DeleteItem(projectTree->treeView(), record->treeNode);
  project->RemoveItem(record->item);
  kvplatform::DeleteFileAt(path);
  documents.erase(std::remove_if(documents.begin(), documents.end(),
                                 [&](const auto& r) { return r.get() == record; }),
                  documents.end());
  return true;
}

DocumentRecord* KVFrameWindow::addDocument(ProjectItem* item) {
  if (!item) return nullptr;
  documents.push_back(std::make_unique<DocumentRecord>(item));
  DocumentRecord* record = documents.back().get();
  projectTree->PlaceNode(record, nullptr);
  openDocument(record, -1, -1);
  return record;
}

DocumentRecord* KVFrameWindow::findDocument(const std::string& path, int kind) {
  for (const auto& record : documents) {
    if (record->kind() == kind && kvtext::EqualsNoCase(record->item->directory + record->item->fileName, path)) {
      return record.get();
    }
  }
  return nullptr;
}

void KVFrameWindow::destroyEditor(DocumentRecord* record) {
  if (!record->editor) return;
  if (record->editor->editorWindow && IsWindow(record->editor->editorWindow)) {
    DestroyWindow(record->editor->editorWindow);
  }
  record->editor.reset();
}
