#include "resedit/VersionEditor.h"

#include "common/Text.h"

namespace {

constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE;
constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kNumberStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_NUMBER;

constexpr const wchar_t* kLabels[] = {L"Version:", L"Company name:", L"File description:", L"Product name:",
                                      L"Copyright:", L"Original filename:"};
constexpr int kFirstRowY = 10;
constexpr int kRowStep = 25;

}  // namespace

bool KVVersionEditor::create(DocumentRecord* record, HWND parentWindow, int x, int y, int width, int height) {
  if (!createEditorWindow(*this, record, parentWindow, x, y, width, height)) {
    lastFailure = "the editor's window could not be created";
    return false;
  }
  return true;
}

INT_PTR KVVersionEditor::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return 0;
    case WM_SHOWWINDOW:
      if (!wParam) focusBack.remember(window);
      return 0;
    case WM_SETFOCUS:
      focusBack.restore(fields[0]);
      return 1;  // the focus is set already
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_CHANGE) {
        onFieldChanged();
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

void KVVersionEditor::onInitDialog() {
  editorWindow = window;
  dialogNavigation = 1;
  buildForm();
  contentWidth = scale(340);
  contentHeight = scale(165);
  updateScrollBars();
  SetFocus(fields[0]);
  load();
}

void KVVersionEditor::buildForm() {
  for (int row = 0; row < 6; ++row) {
    const HWND label = createChild(0, L"Static", kLabels[row], kLabelStyle, 10, kFirstRowY + row * kRowStep, 100, 20,
                                   window, kFirstLabelId + row);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  for (int i = 0; i < kvversionform::kFieldCount; ++i) {
    const bool number = i < kvversionform::kNumberCount;
    const int x = number ? 115 + 55 * i : 115;
    const int y = number ? kFirstRowY : kFirstRowY + (i - kvversionform::kNumberCount + 1) * kRowStep;
    fields[i] = createChild(0, L"Edit", L"", number ? kNumberStyle : kTextStyle, x, y, number ? 50 : 215, 20, window,
                            kFirstFieldId + i);
    SendMessageW(fields[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
}

std::string KVVersionEditor::path() const {
  return document && document->item ? document->item->Path() : std::string();
}

void KVVersionEditor::load() {
  kvversionform::Values values;
  kvversionform::Load(path(), values);  // a missing file shows empty fields; saving makes it
  for (int i = 0; i < kvversionform::kFieldCount; ++i) {
    SetWindowTextW(fields[i], kvtext::Utf8ToWide(values[i]).c_str());
  }
  loaded = true;
}

void KVVersionEditor::onFieldChanged() {
  if (loaded) setModified(parent);
}

bool KVVersionEditor::save() {
  kvversionform::Values values;
  for (int i = 0; i < kvversionform::kFieldCount; ++i) values[i] = getWindowText(fields[i]);
  std::string why;
  if (!kvversionform::Save(path(), values, &why)) {
    lastFailure = why;
    return false;
  }
  lastFailure.clear();
  modified = 0;
  return true;
}

void KVVersionEditor::sendToFocus(UINT message) {
  const HWND focus = GetFocus();
  if (focus && GetParent(focus) == window) SendMessageW(focus, message, 0, 0);
}
