// KVPropertyGrid: the floating "Properties" window in which the designer's window and control
// properties are edited. Rows sit in collapsible groups; a text row is edited in a text box,
// a choice row through a drop-down button and its list. What the rows are and what a value
// does to the record is decided by the property sets (PropertySets.h); this window only
// draws and edits.
//
// A value is committed by Enter, by moving to another row (a click, Tab, Shift+Tab, the arrow
// keys) or by the editor losing the focus; Escape puts the shown value back. Text the dialog
// window file cannot hold is refused as it is typed, and the reason is shown under the box.
//
// The members are split over files by concern: PropertyGrid.cpp (window, groups, layout,
// show), PropertyGridPaint.cpp (drawing), PropertyGridEditors.cpp (editors, keys, commit and
// the font dialog).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/framework/Framework.h"
#include "app/framework/Handles.h"
#include "designer/PropertySets.h"

class KVWindowEditor;
struct KVControlRecord;

class KVPropertyGrid : public KVScrollDialog {
public:
  static constexpr int kEditBoxId = 101;
  static constexpr int kChoiceButtonId = 102;
  static constexpr int kChoiceListId = 103;
  static constexpr int kHeaderId = 201;
  static constexpr int kPanelId = 202;
  static constexpr const char* kTitle = "Properties";

  struct Group {
    HWND header = nullptr;  // owner-drawn static: the box and the group's name
    HWND panel = nullptr;   // owner-drawn static: the rows
    std::string name;
    bool expanded = true;
    int selectedRow = -1;
    std::vector<KVPropertyRow> rows;
  };

  KVPropertyGrid();
  ~KVPropertyGrid() override;

  bool createFloating(HWND frame);
  // Names the frame the grid floats over. Its window is made on the first show, so that a
  // start or a session without a dialog window does not pay for it.
  void floatOver(HWND frame) { owner = frame; }
  // Hides the grid; an edit in progress is dropped (its record may be going away).
  void hide();
  // Shows the grid for a record of currentDesigner: the designed window or one of its
  // controls. A record of the kind already shown only updates the values of the rows.
  void show(KVControlRecord* record);
  // The record moved or was resized: its position and size rows follow when it is the one
  // shown; any other record is shown instead.
  void refreshGeometry(KVControlRecord* record);
  // Brings the grid forward with the keyboard in it: the selected row's editor, or the first
  // row's when none is selected.
  void activate();

  // Selects a row as a click would, committing the edit in progress first; false when there
  // is no such row.
  bool selectRow(const std::string& group, const std::string& label);
  // Opens or closes a group as a click on its box would.
  void toggleGroup(Group& group);

  const std::vector<std::unique_ptr<Group>>& groupList() const { return groups; }
  Group* findGroup(const std::string& name) const;
  const KVPropertyRow* findRow(const std::string& group, const std::string& label) const;
  // The selected row's group and label; empty when no row is selected.
  std::string selectedLabel() const;
  HWND editBox() const { return editBoxWindow; }
  HWND choiceButton() const { return choiceButtonWindow; }
  HWND choiceList() const { return choiceListWindow; }
  // Why the last typed text was refused, while that reason is shown; empty otherwise.
  const std::string& refusal() const { return shownRefusal; }

  bool visible = false;
  // The designer that applies committed changes; set by the frame when a dialog window
  // becomes the active document.
  KVWindowEditor* currentDesigner = nullptr;
  KVControlRecord* shownRecord = nullptr;
  int nameColumnWidth = 0;
  int rowHeight = 0;

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  // The row being edited; commits go to it, whatever is selected by then.
  struct EditTarget {
    Group* group = nullptr;
    int row = -1;
    explicit operator bool() const { return group != nullptr && row >= 0; }
  };

  // Window, groups and layout (PropertyGrid.cpp)
  void onInitDialog();
  void onSize();
  void limitTracking(MINMAXINFO& limits) const;
  void onMouseWheel(int delta);
  bool onCommand(int id, int code);
  void onActivated();
  void rebuild(const KVControlRecord& record);
  void updateValues(const KVControlRecord& record);
  Group& addGroup(const std::string& name);
  void layout();
  void placeFirstShow();
  int panelHeight(const Group& group) const;
  int groupIndex(const Group& group) const;
  void onHeaderMouse(Group& group, UINT message, POINT point);
  void onPanelMouse(Group& group, POINT point);

  // Drawing (PropertyGridPaint.cpp)
  void drawItem(const DRAWITEMSTRUCT& item);
  void drawHeader(const Group& group, HDC dc, const RECT& area);
  void drawPanel(const Group& group, HDC dc, const RECT& area);
  void repaintRow(const Group& group, int row);

  // Editors, keys and commit (PropertyGridEditors.cpp)
  void createEditors();
  void select(Group& group, int row);
  void openEditor();
  void hideEditors();
  void dropEdit();
  bool commit();
  bool commitValue(Group& group, int row, const std::string& value);
  void moveRow(bool forward);
  void toggleList();
  void closeList(bool commitChoice);
  void onEditChange();
  void onEditKey(WPARAM key);
  bool onChoiceKey(WPARAM key, bool system);
  void chooseFont(Group& group, int row);
  void showRefusal(const std::string& reason);
  void hideRefusal();
  void placeEditors();
  RECT rowRect(const Group& group, int row) const;
  KVPropertyRow* editedRow() const;
  static LRESULT CALLBACK EditorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
  static LRESULT CALLBACK GroupProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);

  std::vector<std::unique_ptr<Group>> groups;
  Group* activeGroup = nullptr;
  EditTarget editing;
  HWND editBoxWindow = nullptr;
  HWND choiceButtonWindow = nullptr;
  HWND choiceListWindow = nullptr;
  HWND refusalTip = nullptr;
  HWND owner = nullptr;
  kvwin::Font headerFont;
  kvwin::Pen gridPen;
  std::string shownKind;
  std::string lastGoodText;
  std::string shownRefusal;
  int panelIndent = 0;
  int minWidthExtra = 0;
  int panelWidth = 0;
  int valueWidth = 0;
  int listHeight = 0;
  int textHeight = 0;  // of the framework font, for lining the text box up with the cells
  bool firstShow = true;
  // Set while the grid moves the focus between its own editors, so that the focus-loss
  // notice that follows commits nothing.
  bool suppressCommit = false;
  bool refusing = false;
};
