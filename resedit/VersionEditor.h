// KVVersionEditor: the form of a project's version information (version.xml): the four
// numbers of the file version and five texts, which the build stamps into the executable.
// Tab and the arrow keys move between the fields; saving replaces the file in one step.
#pragma once

#include <array>
#include <string>

#include "app/framework/ChildFocus.h"
#include "app/framework/Framework.h"
#include "resedit/VersionForm.h"

class KVVersionEditor : public KVEditorBase, public KVScrollDialog {
public:
  // Control ids: the four number boxes, then the five text boxes, in the order of the form.
  static constexpr int kFirstFieldId = 101;
  static constexpr int kFirstLabelId = 201;

  bool create(DocumentRecord* record, HWND parentWindow, int x, int y, int width, int height) override;
  bool save() override;
  void cut() override { sendToFocus(WM_CUT); }
  void copy() override { sendToFocus(WM_COPY); }
  void paste() override { sendToFocus(WM_PASTE); }
  void deleteSelection() override { sendToFocus(WM_CLEAR); }
  std::string failure() const override { return lastFailure; }

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  HWND field(int index) const { return fields[static_cast<std::size_t>(index)]; }
  bool isLoaded() const { return loaded; }

private:
  void onInitDialog();
  void buildForm();
  void load();
  void onFieldChanged();
  void sendToFocus(UINT message);
  std::string path() const;

  std::array<HWND, kvversionform::kFieldCount> fields = {};
  bool loaded = false;
  std::string lastFailure;
  KVChildFocus focusBack;
};
