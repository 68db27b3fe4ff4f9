// Opening, activating, saving and closing the documents of the open project.
#include "app/frame/FrameWindow.h"

#include <algorithm>

#include "common/PathName.h"
#include "common/Text.h"
#include "platform/AtomicFile.h"
#include "designer/PropertyGrid.h"
#include "designer/WindowEditor.h"
#include "editing/TabControl.h"
#include "platform/Platform.h"
#include "project/FileUtil.h"
#include "project/ProjectTree.h"
#include "search/FindReplacePanel.h"

void KVFrameWindow::openDocument(DocumentRecord* record, int line, int position) {
  if (!knownRecord(record)) return;
  if (propertyGrid) propertyGrid->hide();
  if (!record->editor) {
    std::unique_ptr<KVEditorBase> editor = makeEditor ? makeEditor(record->kind()) : nullptr;
    if (!editor) {
      setStatusText(0, record->item->displayName + " cannot be opened: there is no editor for this kind of file.");
      return;
    }
    const kvframe::Rect area = editorArea();
    if (!editor->create(record, window, area.x, area.y, area.width, area.height)) {
      if (editor->editorWindow && IsWindow(editor->editorWindow)) DestroyWindow(editor->editorWindow);
      const std::string why = editor->failure();
      message(record->item->Path() + " could not be opened" + (why.empty() ? "." : ": " + why + "."),
              MB_OK | MB_ICONERROR);
      return;
    }
    record->editor = std::move(editor);
    record->tabId = tabStrip->add(record);
    if (!record->isText()) line = position = -1;
  }
  activateDocument(record, line, position);
}

void KVFrameWindow::activateDocument(DocumentRecord* record, int line, int position) {
  if (!record || !record->editor) return;
  if (record == active) {
    SetFocus(record->editor->editorWindow);
    if (record->isText()) {
      record->editor->showPosition(line, position);
      updateStatusBar();
    }
    return;
  }
  setStatusText(1, "");
  setStatusText(2, "");
  if (propertyGrid) propertyGrid->hide();
  hideFindPanelUnlessOn(record);
  tabStrip->select(record->tabId);
  if (active && active->editor) {
    ShowWindow(active->editor->editorWindow, SW_HIDE);
    EnableWindow(active->editor->editorWindow, FALSE);
  }
  const bool hintShown = active == nullptr;
  const HWND editor = record->editor->editorWindow;
  ShowWindow(editor, SW_SHOW);
  EnableWindow(editor, TRUE);
  UpdateWindow(editor);
  SetFocus(editor);
  active = record;
  // The grid applies its changes through the designer of the dialog window in front.
  if (propertyGrid && record->kind() == ProjectItemType::DialogWindow) {
    propertyGrid->currentDesigner = dynamic_cast<KVWindowEditor*>(record->editor.get());
  }
  if (hintShown) InvalidateRect(window, nullptr, TRUE);
  if (record->isText()) {
    record->editor->showPosition(line, position);
    updateStatusBar();
  }
  updateCommandStates();
}

bool KVFrameWindow::saveDocument(DocumentRecord* record) {
  if (!knownRecord(record)) return false;
  const ProjectItemType kind = record->kind();
  if (kind == ProjectItemType::Bitmap) return true;  // bitmaps are viewed, never changed
  if (!record->editor) return false;
  const bool saved = record->editor->save();
  tabStrip->repaintTab(record->tabId);
  if (!saved) {
    const std::string why = record->editor->failure();
    message(record->item->Path() + " could not be saved" + (why.empty() ? "." : ": " + why + "."),
            MB_OK | MB_ICONERROR);
  }
  return saved;
}

bool KVFrameWindow::saveAll() {
  for (const auto& record : records) {
    if (record->editor && IsWindow(record->editor->editorWindow) && !saveDocument(record.get())) return false;
  }
  rescan();
  return true;
}

// Code assistance learns the project from its saved files.
void KVFrameWindow::rescan() {
  if (projectOpen()) codeAssistance.Rescan(*projectModel);
}

void KVFrameWindow::saveActiveDocument() {
  if (!active || !saveDocument(active)) return;
  const ProjectItemType kind = active->kind();
  if (kind == ProjectItemType::SourceFile || kind == ProjectItemType::DialogWindow) rescan();
}

SavedTabs KVFrameWindow::tabsToSave() const {
  SavedTabs saved = tabStrip->savedTabs();
  const auto& tabs = tabStrip->tabList();
  for (std::size_t i = 0; i < tabs.size() && i < saved.tabs.size(); ++i) {
    const DocumentRecord* record = tabStrip->recordOf(tabs[i].id);
    if (!record || !record->editor) continue;
    if (const std::optional<KVEditorBase::Caret> caret = record->editor->caret()) {
      saved.tabs[i].line = caret->firstVisibleLine;
      saved.tabs[i].position = caret->position;
    }
  }
  return saved;
}

bool KVFrameWindow::closeDocument(DocumentRecord* record) {
  if (!knownRecord(record) || !record->editor) return true;
  if (record->editor->modified) {
    const kvtext::WideString question = kvtext::Utf8ToWide("Save changes to " + record->item->displayName + "?");
    int button = IDCANCEL;
    TaskDialog(window, nullptr, L"KelVox Studio", question.c_str(), nullptr,
               TDCBF_YES_BUTTON | TDCBF_NO_BUTTON | TDCBF_CANCEL_BUTTON, TD_INFORMATION_ICON, &button);
    if (active && active->editor) SetFocus(active->editor->editorWindow);
    if (button == IDCANCEL) return false;
    if (button == IDYES && !saveDocument(record)) return false;
    record->editor->modified = 0;
  }
  const bool wasActive = record == active;
  if (findReplace && findReplace->target() == record) findReplace->hide();
  if (wasActive) {
    setStatusText(1, "");
    setStatusText(2, "");
    if (propertyGrid) propertyGrid->hide();
    // The focus would otherwise pass to whichever child comes next, the tab strip among them.
    SetFocus(window);
  }
  destroyEditor(record);
  if (wasActive) {
    active = nullptr;
    InvalidateRect(window, nullptr, TRUE);
  }
  if (!tabStrip->remove(record)) updateCommandStates();
  return true;
}

bool KVFrameWindow::removeDocument(DocumentRecord* record) {
  if (!knownRecord(record) || !closeDocument(record)) return false;
  const auto& items = projectModel->Items();
  const bool listed =
      std::any_of(items.begin(), items.end(), [&](const auto& item) { return item.get() == record->item; });
  if (!listed) return false;
  const std::string path = record->item->Path();
  if (record->treeNode) tree->removeNode(record);
  projectModel->RemoveItem(record->item);
  kvplatform::DeleteFileAt(path);
  records.erase(std::remove_if(records.begin(), records.end(), [&](const auto& r) { return r.get() == record; }),
                records.end());
  return true;
}

DocumentRecord* KVFrameWindow::addDocument(ProjectItem* item) {
  if (!item) return nullptr;
  records.push_back(std::make_unique<DocumentRecord>(item));
  DocumentRecord* record = records.back().get();
  tree->PlaceNode(record, nullptr);
  tree->SelectNode(record->treeNode);
  openDocument(record, -1, -1);
  return record;
}

DocumentRecord* KVFrameWindow::findDocument(const std::string& path, ProjectItemType kind) {
  for (const auto& record : records) {
    if (record->kind() == kind && kvtext::EqualsNoCase(record->item->Path(), path)) return record.get();
  }
  return nullptr;
}

DocumentRecord* KVFrameWindow::documentNamed(const std::string& displayName) {
  for (const auto& record : records) {
    if (record->item->displayName == displayName) return record.get();
  }
  return nullptr;
}

DocumentRecord* KVFrameWindow::firstDocument() { return records.empty() ? nullptr : records.front().get(); }

void KVFrameWindow::destroyEditor(DocumentRecord* record) {
  if (!record->editor) return;
  if (record->editor->editorWindow && IsWindow(record->editor->editorWindow)) {
    DestroyWindow(record->editor->editorWindow);
  }
  record->editor.reset();
}

bool KVFrameWindow::replaceProjectIcon(DocumentRecord* record, const std::string& iconPath, std::string& why) {
  if (!knownRecord(record) || record->kind() != ProjectItemType::Icon || !projectOpen()) {
    why = "no project is open";
    return false;
  }
  const std::string fileName = kvpath::FileNameOf(iconPath);
  const std::string target = projectModel->Folder() + KVProject::SubFolder(ProjectItemType::Icon) + fileName;
  const bool sameName = kvtext::EqualsNoCase(record->item->fileName, fileName);
  if (sameName || !kvplatform::PathExists(target)) {
    // The icon's own name, or a free one: the bytes replace the file in one step, so a failed
    // write leaves the project's icon as it was.
    std::string bytes;
    if (!ReadFileBytes(iconPath, bytes)) {
      why = iconPath + " cannot be read";
      return false;
    }
    kvplatform::FileError error;
    if (!kvplatform::SaveFileAtomically(target, bytes, &error)) {
      why = error.reason;
      return false;
    }
    if (!sameName && !projectModel->AddFile(target, ProjectItemType::Icon)) {
      why = "the project cannot take " + fileName + " as its icon";
      return false;
    }
  } else if (!projectModel->AddFile(iconPath, ProjectItemType::Icon)) {
    // Another file of the resources folder has this name: the project copies the icon under
    // a free one.
    why = "it could not be copied into " + projectModel->Folder() + KVProject::SubFolder(ProjectItemType::Icon);
    return false;
  }
  tree->UpdateNode(record);
  return true;
}
