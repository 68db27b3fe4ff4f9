// KVFindReplace: the find-and-replace panel in the top-right corner of the active source
// editor: a find field, a replace field, "Match case" and five image buttons (find next, find
// previous, replace, replace all, close). The searches are the source editor's; the panel
// only reads its fields and passes them on.
//
// The panel is a child of the editor it is attached to. When that editor's window goes away
// with the panel in it, the panel keeps its texts and is built again on the next showFor.
#pragma once

#include <windows.h>

#include <string>

#include "app/framework/DocumentRecord.h"
#include "app/framework/Framework.h"
#include "app/framework/Handles.h"

class KVSourceEditor;

class KVFindReplace : public KVDialog {
public:
  // The panel's size at 96 DPI.
  static constexpr int kWidth = 290;
  static constexpr int kHeight = 83;
  static constexpr int kFindField = 101;
  static constexpr int kReplaceField = 102;
  static constexpr int kMatchCase = 103;
  static constexpr int kFindNext = 201;
  static constexpr int kFindPrevious = 202;
  static constexpr int kReplace = 203;
  static constexpr int kReplaceAll = 204;
  static constexpr int kClose = 205;

  KVFindReplace();
  ~KVFindReplace() override;

  // Attaches the panel to the record's source editor, places it in the editor's top-right
  // corner and shows it with the focus in the find field, the editor's selection taken as
  // the text to find. False, and nothing happens, unless the record is a JavaScript source
  // open in the source editor.
  bool showFor(DocumentRecord* record);
  void hide();
  // Places a visible panel again at its editor's top-right corner (the editor was resized).
  void reposition();
  // F3 and Shift+F3: search the record's source with the panel's text and "Match case",
  // shown or not.
  void findNext(DocumentRecord* record);
  void findPrevious(DocumentRecord* record);

  // The document the panel was last attached to; null before the first showFor.
  DocumentRecord* target() const { return document; }
  bool visible = false;

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
  bool createPanel(HWND editorWindow);
  void onInitDialog();
  void addTips();
  void onCommand(int id, int code);
  LRESULT onCustomDraw(const NMCUSTOMDRAW& draw) const;
  void drawCell(HDC dc, int cell, int x, int y) const;
  void onDestroy();
  // The texts and the check box as the user left them.
  void readFields();
  void run(int id);
  void place(HWND editorWindow);
  static KVSourceEditor* SourceEditorOf(DocumentRecord* record);

  HWND findField = nullptr;
  HWND replaceField = nullptr;
  HWND matchCase = nullptr;
  DocumentRecord* document = nullptr;
  kvwin::Bitmap buttons;
  std::string findText;
  std::string replaceText;
  bool matchCaseChecked = false;
};
