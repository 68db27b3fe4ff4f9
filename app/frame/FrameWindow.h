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

#include "app/commands/CommandHost.h"
#include "app/frame/FrameRules.h"
#include "app/framework/Framework.h"
#include "app/settings/Settings.h"
#include "editing/Sense.h"
#include "project/Project.h"
#include "project/ProjectViewState.h"

class KVProjectCommands;
class KVProjectTree;
class KVTabControl;
class KVOutputDialog;
class KVPropertyGrid;
class KVFrameToolbar;
class KVFindReplace;
enum class TreeCommand;

class KVFrameWindow : public KVWindow, public KVCommandHost {
public:
  static constexpr int kStatusBarId = 1;

  using Records = std::vector<std::unique_ptr<DocumentRecord>>;
  // Makes the editor for a kind of document; null for kinds without an editor.
  using EditorFactory = std::function<std::unique_ptr<KVEditorBase>(ProjectItemType kind)>;

  // Loads the settings and makes the projects folder the current directory.
  KVFrameWindow();
  // Loads the settings from documentsFolder instead of the user's Documents folder.
  explicit KVFrameWindow(const std::string& documentsFolder);
  ~KVFrameWindow() override;

  HWND create(const std::string& title, int iconId, int menuId) override;
  LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Shows the frame for the first time: maximised when it was closed maximised.
  void showFirstTime(int showCommand);

  // The documents seam.
  void openDocument(DocumentRecord* record, int line, int position) override;
  bool closeDocument(DocumentRecord* record) override;
  bool removeDocument(DocumentRecord* record) override;
  DocumentRecord* documentNamed(const std::string& displayName) override;
  void setStatusText(int part, const std::string& text) override;
  void relayout() override;
  bool replaceProjectIcon(DocumentRecord* iconRecord, const std::string& iconPath, std::string& why) override;

  // What the project commands use.
  HWND commandOwner() const override { return window; }
  KVProject& project() override { return *projectModel; }
  const KVSettings& settings() const override { return ideSettings; }
  bool projectOpen() const override { return projectModel && projectModel->HoldsLock(); }
  bool closeProject() override;
  bool openProject(const std::string& path) override;
  DocumentRecord* addDocument(ProjectItem* item) override;
  DocumentRecord* findDocument(const std::string& path, ProjectItemType kind) override;
  DocumentRecord* firstDocument() override;

  void activateDocument(DocumentRecord* record, int line, int position);
  // Saves one document; a failure is shown with its reason.
  bool saveDocument(DocumentRecord* record);
  // Saves every open document and then rescans the project for code assistance; stops at
  // the first failure.
  bool saveAll();
  // The open tabs with the place of each source and library document, as the project file
  // keeps them.
  SavedTabs tabsToSave() const;

  // What choosing an entry of the target selector does: the project's Engine value and the
  // button text change, and Run follows.
  void selectTarget(BuildTarget target);
  void updateCommandStates();
  void updateStatusBar();
  kvframe::Rect editorArea() const;

  // The window IsDialogMessageW is given in the message loop, or null: the active editor's
  // when it asks for dialog navigation.
  HWND dialogNavigationWindow() const;
  // The find panel while it is shown, for the message loop's dialog keys; otherwise null.
  HWND findPanelWindow() const;

  // Tests make editors of their own until every kind has its editor.
  void setEditorFactory(EditorFactory factory) { makeEditor = std::move(factory); }

  const Records& documents() const { return records; }
  DocumentRecord* activeDocument() const { return active; }
  KVSettings& settings() { return ideSettings; }
  KVProjectTree& projectTree() { return *tree; }
  KVTabControl& tabs() { return *tabStrip; }
  KVOutputDialog& output() { return *outputPane; }
  KVProjectCommands& commands() { return *projectCommands; }
  const KVSense& sense() const { return codeAssistance; }
  // The editor the frame makes for a kind of document, as it would without a test's factory.
  std::unique_ptr<KVEditorBase> makeStandardEditor(ProjectItemType kind);
  HWND statusBar() const { return statusBarWindow; }
  HWND toolbar() const;
  int toolbarHeight() const;
  int tabHeight() const { return tabStripHeight; }

private:
  // Message handlers.
  void onCreate();
  void onSize();
  void onPaint();
  LRESULT onCommand(WPARAM wParam, LPARAM lParam);
  LRESULT onNotify(const NMHDR* header);
  void onTargetDropDown();
  void onDocumentModified(const DocumentRecord* posted);
  void onActivate(bool activated);
  void closeFrame();
  void storeWindowPlacement();

  // Building the frame's controls.
  void createStatusBar();
  void createPanes(int treeWidth, int outputHeight);
  void setStatusParts();
  void setCommandState(int id, bool enabled);
  void rebuildRecentProjectsMenu();
  void showIdleHint();

  // Commands.
  bool runEditCommand(int id);
  void saveActiveDocument();
  void rescan();
  void build();
  void runProject();
  void openFileLocation();
  void cycleTabs(bool forward);
  void showFindPanel();
  void findAgain(bool forward);
  void findInFiles();
  void hideFindPanelUnlessOn(const DocumentRecord* record);
  void repositionFindPanel();
  int message(const std::string& text, UINT type);

  // The project tree's requests.
  void runTreeCommand(TreeCommand command);
  bool removeFromProject(DocumentRecord* record);

  // Opening a project.
  bool loadProject(const std::string& path);
  void placeRecordsInTree();
  void placeLayout(const std::vector<LayoutEntry>& entries, HTREEITEM parent);
  void restoreTabs();
  DocumentRecord* findRecord(ProjectItemType kind, const std::string& displayName);
  DocumentRecord* knownRecord(const DocumentRecord* record) const;
  void clearDocuments();
  void destroyEditor(DocumentRecord* record);

  kvframe::FrameLayout currentLayout() const;
  int scaled(int value) const { return MulDiv(value, dpi, 96); }

  KVSettings ideSettings;
  KVSense codeAssistance;
  std::unique_ptr<KVProject> projectModel;
  std::unique_ptr<KVPropertyGrid> propertyGrid;
  std::unique_ptr<KVProjectTree> tree;
  std::unique_ptr<KVTabControl> tabStrip;
  std::unique_ptr<KVOutputDialog> outputPane;
  std::unique_ptr<KVFrameToolbar> frameToolbar;
  std::unique_ptr<KVProjectCommands> projectCommands;
  std::unique_ptr<KVFindReplace> findReplace;
  // What find in files searched for last, offered again the next time.
  std::string lastSearchText;
  Records records;
  DocumentRecord* active = nullptr;
  HWND statusBarWindow = nullptr;
  int tabStripHeight = 22;
  EditorFactory makeEditor;
  HWND focusBeforeDeactivation = nullptr;
};
