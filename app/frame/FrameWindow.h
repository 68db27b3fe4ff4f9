// KVFrameWindow: the IDE's main window and the owner of everything else: the settings, the
// project model, the panes, and one document record per project item with the editor of
// each open document. It lays the panes out, routes every command, keeps command states,
// opens and closes projects and documents, and asks before unsaved changes are lost.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frame/DocumentRecord.h"
#include "app/frame/FrameRules.h"
#include "app/framework/Framework.h"
#include "app/settings/Settings.h"
#include "project/Project.h"
#include "project/XML.h"

class KVProjectCommands;
class KVProjectTree;
class KVTabControl;
class KVOutputDialog;
class KVPropertyGrid;

class KVFrameWindow : public KVWindow {
public:
  // Posted by editors with the document record when their modified flag changes.
  static constexpr UINT kDocumentModifiedMessage = WM_USER + 2;
  static constexpr int kStatusBarId = 1;
  static constexpr int kToolbarId = 2;

  // Loads the settings and makes the projects folder the current directory.
  KVFrameWindow();
  // Loads the settings from documentsFolder instead of the user's Documents folder.
  explicit KVFrameWindow(const std::string& documentsFolder);
  ~KVFrameWindow() override;

  HWND create(const std::string& title, int iconId, int menuId) override;
  LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Documents.
  void openDocument(DocumentRecord* record, int line, int position);
  void activateDocument(DocumentRecord* record, int line, int position);
  bool closeDocument(DocumentRecord* record);
  bool removeDocument(DocumentRecord* record);
  bool saveDocument(DocumentRecord* record);
  bool saveAll();
  DocumentRecord* addDocument(ProjectItem* item);
  DocumentRecord* findDocument(const std::string& path, int kind);

  // Projects.
  void openProject(const std::string& path);
  bool closeProject();
  bool projectOpen() const { return project && project->HoldsLock(); }

  // What choosing an entry of the target selector does: the project's Engine value and the
  // button text change, and Run follows.
  void selectTarget(int target);

  void updateCommandStates();
  void updateStatusBar();
  kvframe::Rect editorArea() const;

  // The window IsDialogMessageW is given in the message loop, or null: the active editor's
  // when it asks for dialog navigation.
  HWND dialogNavigationWindow() const;

  std::unique_ptr<KVPropertyGrid> propertyGrid;
  DocumentRecord* activeDocument = nullptr;
  std::unique_ptr<KVProject> project;
  std::unique_ptr<KVProjectTree> projectTree;
  std::unique_ptr<KVTabControl> tabs;
  std::unique_ptr<KVOutputDialog> output;
  KVSettings settings;
  HWND statusBar = nullptr;
  HWND toolbar = nullptr;
  int toolbarHeight = 0;
  int tabHeight = 22;
  std::string findInFilesText;
  KVXML layoutDocument;
  std::vector<std::unique_ptr<DocumentRecord>> documents;

  // Makes the editor for a kind of document; null for kinds without an editor.
  using EditorFactory = std::function<std::unique_ptr<KVEditorBase>(int kind)>;
  EditorFactory makeEditor;
  std::unique_ptr<KVProjectCommands> commands;

private:
  struct ImageListDeleter {
    void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
  };
  using ImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter>;

  // Message handlers.
  LRESULT onCreate();
  void onSize();
  LRESULT onCommand(WPARAM wParam, LPARAM lParam);
  LRESULT onNotify(const NMHDR* header);
  void onTargetDropDown();
  void onDocumentModified(DocumentRecord* record);
  void closeFrame();

  // Building the frame's controls.
  void createStatusBar();
  void createToolbar();
  void createPanes(int treeWidth, int outputHeight);
  void setStatusParts();
  void setStatusText(int part, const std::string& text);
  void setCommandState(int id, bool enabled);
  void rebuildRecentProjectsMenu();
  void setTargetButtonText(const std::string& text);

  // Commands.
  bool runEditCommand(int id);
  void build();
  void runProject();
  void openFileLocation();
  void cycleTabs(bool forward);

  // Opening a project.
  void restoreLayout(const std::string& path, HTREEITEM parent);
  void restoreTabs();
  DocumentRecord* findRecord(int kind, const std::string& displayName);
  DocumentRecord* recordOf(const ProjectItem* item);
  void clearDocuments();
  void destroyEditor(DocumentRecord* record);

  int outputHeightOrZero() const;
  int scaled(int value) const { return MulDiv(value, dpi, 96); }

  ImageList toolbarImages;
  ImageList toolbarDisabledImages;
};
