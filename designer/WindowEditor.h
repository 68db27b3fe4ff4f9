// KVWindowEditor: the design surface of a dialog window (.win). The designed window is built
// from real platform controls at their stored sizes and styles on a scrollable surface; the
// user selects, moves and resizes them with the mouse or the arrow keys, adds, deletes, cuts,
// copies and pastes them, sets the tab order, adds and deletes the menu bar, and opens the
// property grid and the menu editor. Coordinates are device pixels, never scaled.
//
// The model (KVWinFile) is the document; the platform windows follow it. A file that cannot
// be read opens nothing, and saving replaces the file in one step, so a failed save leaves
// the old file and keeps the document modified.
//
// The members are split over several files by concern: WindowEditor.cpp (load, save, message
// dispatch), DesignControls.cpp (platform windows and fonts of the records, applyRecord),
// DesignSelection.cpp (selection handles and hit tests), DesignMouse.cpp (dragging and the
// context menu), DesignKeyboard.cpp, DesignClipboard.cpp, DesignMenuBar.cpp and
// DesignTabOrder.cpp.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/framework/Framework.h"
#include "app/framework/Handles.h"
#include "designer/WinFile.h"

class KVPropertyGrid;
class KVDocumentHost;

class KVWindowEditor : public KVEditorBase, public KVScrollDialog {
public:
  // Which part of the selection a drag moves: the whole (Move) or the edges a handle names.
  enum DragMode : int {
    Move = 0,
    TopLeft = 1,
    Left = 2,
    BottomLeft = 3,
    Top = 4,
    Bottom = 5,
    TopRight = 6,
    Right = 7,
    BottomRight = 8,
  };
  // The context menu's command ids.
  enum MenuCommand : int {
    kProperties = 100,
    kDelete = 101,  // "Delete" for a control, "Delete Menu" on the menu preview
    kAddButton = 102,
    kAddCheckBox = 103,
    kAddComboBox = 104,
    kAddEdit = 105,
    kAddListView = 106,
    kAddStaticText = 108,
    kAddMenu = 110,
    kSetTabOrder = 111,
    kCut = 112,
    kCopy = 113,
    // Delete on the menu preview, told apart from Delete on a control; no menu item has it.
    kDeleteMenu = 1101,
  };
  static constexpr const wchar_t* kClipboardFormatName = L"KelVox Studio Dialog Window Controls";
  // Posted to the surface to redraw the selection's handles and the status bar once a modal
  // dialog has closed.
  static constexpr UINT kRedrawSelectionMessage = WM_USER + 1;
  static constexpr int kMargin = 40;
  static constexpr int kMenuPreviewId = 1;

  KVWindowEditor(KVPropertyGrid& propertyGrid, KVDocumentHost& host);
  ~KVWindowEditor() override;

  // KVEditorBase
  bool create(DocumentRecord* record, HWND parentWindow, int x, int y, int width, int height) override;
  bool save() override;
  void cut() override;
  void copy() override;
  void paste() override;
  void deleteSelection() override;
  std::string failure() const override { return lastFailure; }

  INT_PTR dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Brings the record's platform window in line with its fields after the property grid
  // changed them. For the window record: its font (and that of every control whose font is
  // "Default"), style, extended style and size. For a combo box the control is made again
  // and, after its font is set, the record's height becomes the combo box's height.
  void applyRecord(KVControlRecord* record);
  // Sets the modified flag and tells the frame, once per change from saved to modified.
  void markModified();

  // The font the record's control shows: the window's font for "Default", else one made from
  // its font data (kept alive by the editor until it closes).
  HFONT fontFor(const KVControlRecord& record);
  // The font of the designed window: the framework font or the one its font data names.
  HFONT windowFont() const { return designFont; }

  // The selection and the designed window, for the property grid and for tests.
  KVControlRecord* selection() const { return selected; }
  HWND designWindowHandle() const { return design.window; }
  HWND menuPreviewHandle() const { return menuPreview; }
  int menuOffsetPixels() const { return menuOffset; }
  KVPropertyGrid& propertyGrid() const { return grid; }
  bool inTabOrderMode() const { return tabOrderMode; }
  // Selects the record (the window record or a control), as a click would.
  void select(KVControlRecord* record);
  // The context menu's commands, as if chosen at point (designWindow client coordinates).
  void runCommand(int command, POINT designPoint);
  // Pastes control lines as the clipboard holds them: all of them or, when one cannot be
  // read or no id is left, none. False when nothing was added.
  bool pasteText(const std::string& text);

  KVWinFile model;

private:
  // Remembers the selection by platform window while the control list changes, and finds
  // its records again afterwards (records move when the list grows or is reordered).
  class SelectionKeeper {
  public:
    explicit SelectionKeeper(KVWindowEditor& editor);
    ~SelectionKeeper();
    SelectionKeeper(const SelectionKeeper&) = delete;
    SelectionKeeper& operator=(const SelectionKeeper&) = delete;

  private:
    KVWindowEditor& editor;
    HWND selected;
    HWND highlighted;
  };

  // Load, save and the surface (WindowEditor.cpp)
  bool readFile(std::string& text);
  void load();
  void updateExtent();
  void showStatus(const RECT& rect, bool forWindow);
  void refreshStatus();
  void refreshGridGeometry();
  void paint();

  // Platform windows of the records (DesignControls.cpp)
  HWND createControl(KVControlRecord& record, bool fromText);
  void fillTreePreview(HWND tree);
  void applyWindowRecord();
  void resizeDesignWindow();
  RECT outerRect(int clientWidth, int clientHeight) const;
  // The designed window's style on the surface: the window's own, as a disabled child.
  static DWORD DesignWindowStyle(const KVControlRecord& window);
  HFONT makeFont(const std::string& fontData);
  KVControlRecord* recordOf(HWND handle);
  HWND handleOf(const KVControlRecord* record) const;
  bool addControl(int command, POINT designPoint);

  // Selection and handles (DesignSelection.cpp)
  RECT selectionRect(const KVControlRecord& record) const;
  void drawHandles(const KVControlRecord& record);
  void eraseHandles();
  void redrawSelection();
  int handleAt(POINT surfacePoint) const;
  int activeHandles(const KVControlRecord& record) const;
  HWND windowAt(POINT screenPoint) const;
  void selectWindow(HWND hit);

  // Mouse and context menu (DesignMouse.cpp)
  RECT designArea() const;
  void onLeftDown(POINT point);
  void onMouseMove(POINT point);
  void onLeftUp();
  void onDoubleClick(POINT point);
  void onRightDown(POINT point);
  void onRightUp(POINT point);
  void onContextKey(LPARAM lParam);
  bool setCursor();
  void startDrag(int mode, POINT point);
  void confineForResize(POINT pointer, const RECT& control);
  void confineForMove(POINT pointer, const RECT& control);
  HCURSOR dragCursor(int mode) const;
  HWND dragParent() const;
  void drawDragRect();
  void finishDrag();
  void cancelDrag();
  void showContextMenu(POINT surfacePoint, POINT screenAt);
  void showGrid();

  // Keyboard (DesignKeyboard.cpp)
  bool onKeyDown(WPARAM key);
  void selectByTab(bool backwards);
  void moveControlByKey(KVControlRecord& control, WPARAM key, bool shift);
  void resizeWindowByKey(WPARAM key);

  // Clipboard (DesignClipboard.cpp)
  bool copyToClipboard();

  // Menu bar (DesignMenuBar.cpp)
  void shiftForMenu(int delta);
  void showMenuPreview(bool removeAmpersands);
  void removeMenuPreview();
  void addMenu();
  void deleteMenu();
  void editMenu();

  // Tab order (DesignTabOrder.cpp)
  void startTabOrder();
  void tabOrderClick(HWND hit);
  void endTabOrder();
  void drawTabBadges();

  KVPropertyGrid& grid;
  KVDocumentHost& host;
  HWND frameWindow = nullptr;
  KVDialog design;
  HWND menuPreview = nullptr;
  HFONT designFont = nullptr;
  // Fonts made from font data, one per distinct data, released when the editor closes.
  std::map<std::string, kvwin::Font> madeFonts;
  KVControlRecord* selected = nullptr;
  KVControlRecord* highlighted = nullptr;
  RECT dragRect = {};
  int dragMode = Move;
  bool dragging = false;
  bool moved = false;
  bool tabOrderMode = false;
  int nextTabIndex = 0;
  bool redrawAfterEnable = false;
  POINT lastPointer = {};
  POINT contextPoint = {};  // surface client coordinates of the last right click
  HCURSOR sizeAll = nullptr, sizeNwse = nullptr, sizeNesw = nullptr, sizeWe = nullptr, sizeNs = nullptr;
  kvwin::Brush handleBrush;
  kvwin::Pen handlePen;
  UINT clipboardFormat = 0;
  int menuBarHeight = 0;
  int menuOffset = 0;
  std::string lastFailure;
};
