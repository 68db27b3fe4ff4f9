// KVSourceEditor: the editor of JavaScript sources and of external-library declarations, one
// Scintilla component coloured by Lexilla's C-family lexer, with a fold margin, the member
// list and call tips of code assistance, and indentation that follows the previous line.
//
// The file is held as raw bytes, with no conversion of any kind. A declaration file's first
// line (its library's path) is kept out of the editor and written back in front of the text,
// byte for byte. Loading is no undo step; a save replaces the file in one step, so a failed
// save leaves the old file and keeps the document modified.
#pragma once

#include <windows.h>

#include <Scintilla.h>

#include <string>
#include <string_view>

#include "app/framework/EditorBase.h"

class KVSense;

class KVSourceEditor : public KVEditorBase {
public:
  // sense answers the member lists and call tips; it belongs to the frame and outlives
  // every editor.
  explicit KVSourceEditor(const KVSense& sense);

  bool create(DocumentRecord* record, HWND parent, int x, int y, int width, int height) override;
  bool save() override;
  void cut() override;
  void copy() override;
  void paste() override;
  void deleteSelection() override;
  void undo() override;
  void redo() override;

  std::string failure() const override { return lastFailure; }
  std::optional<Caret> caret() const override;
  void showPosition(int line, int position) override;
  void notified(const NMHDR& header) override;

  // A character the user typed: Enter indents, "." shows members, "(" a call tip, ")"
  // cancels it.
  void characterAdded(int character);

  // Searches for text (UTF-8 bytes) after the selection and selects the match, bringing its
  // line into view; nothing changes when there is none or the text is empty. No wrap-around.
  void findNext(const std::string& text, bool matchCase);
  // The same before the selection, nearest match first.
  void findPrevious(const std::string& text, bool matchCase);
  // Replaces the selection when it is an occurrence of text, then finds the next one.
  void replace(const std::string& text, const std::string& replacement, bool matchCase);
  // Replaces every occurrence in one undo step; the inserted text is never searched again.
  void replaceAll(const std::string& text, const std::string& replacement, bool matchCase);

  // A message to the component, through its direct function.
  sptr_t call(unsigned int message, uptr_t wParam = 0, sptr_t lParam = 0) const;
  // The declaration file's first line, with its line end; empty for sources.
  const std::string& headerLine() const { return header; }

private:
  bool isDeclarationFile() const;
  void configure();
  void defineFoldMarkers();
  void setStyles();
  void registerPictures();
  bool load();
  std::string text() const;
  std::string lineBeforeCaret(Sci_Position caret) const;
  bool caretInComment(Sci_Position caret);
  void indentNewLine();
  void showMemberList();
  void showCallTip();
  bool searchTarget(const std::string& searched, Sci_Position start, Sci_Position end, bool matchCase) const;
  void selectTarget();

  const KVSense& sense;
  SciFnDirect directFunction = nullptr;
  sptr_t directPointer = 0;
  std::string header;
  std::string lastFailure;
};
