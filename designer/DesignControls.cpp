// The platform windows of the records: the designed window, its controls, their fonts, and
// bringing them in line with a record the property grid changed.
#include "designer/WindowEditor.h"

#include <commctrl.h>

#include "common/Text.h"
#include "designer/LogFont.h"
#include "designer/PropertyGrid.h"
#include "designer/SystemLogFont.h"

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;  // 0x54000000 with WS_TABSTOP off
constexpr DWORD kDesignStyle = WS_CHILD | WS_DISABLED;                  // 0x48000000
// Bits that would take a preview out of the surface: a child cannot also be a pop-up, nor be
// minimized or maximized. The model keeps them; only the preview goes without.
constexpr DWORD kNotOnSurface = WS_POPUP | WS_MINIMIZE | WS_MAXIMIZE;

struct KindClass {
  const char* kind;
  const wchar_t* windowClass;
  bool showsCaption;
};
constexpr KindClass kKindClasses[] = {
    {"button", L"Button", true},       {"check", L"Button", true},    {"edit", L"Edit", false},
    {"text", L"Static", true},         {"combo", L"ComboBox", false}, {"listview", WC_LISTVIEWW, false},
    {"treeview", WC_TREEVIEWW, false},
};

const KindClass* ClassOf(const std::string& kind) {
  for (const KindClass& entry : kKindClasses) {
    if (kind == entry.kind) return &entry;
  }
  return nullptr;
}

HTREEITEM AddTreeItem(HWND tree, HTREEITEM parentItem, const wchar_t* text) {
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parentItem;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<wchar_t*>(text);
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

}  // namespace

DWORD KVWindowEditor::DesignWindowStyle(const KVControlRecord& window) {
  return (static_cast<DWORD>(window.style) & ~kNotOnSurface) | kDesignStyle;
}

HFONT KVWindowEditor::makeFont(const std::string& fontData) {
  const auto made = madeFonts.find(fontData);
  if (made != madeFonts.end()) return made->second.get();
  KVLogFont parsed;
  if (!KVLogFont::Parse(fontData, parsed)) return nullptr;
  const LOGFONTW logFont = kvdesigner::ToSystemLogFont(parsed);
  HFONT font = CreateFontIndirectW(&logFont);
  if (!font) return nullptr;
  madeFonts.emplace(fontData, kvwin::Font(font));
  return font;
}

HFONT KVWindowEditor::fontFor(const KVControlRecord& record) {
  if (record.fontLabel == "Default") return designFont;
  HFONT made = makeFont(record.fontData);
  return made ? made : designFont;
}

RECT KVWindowEditor::outerRect(int clientWidth, int clientHeight) const {
  RECT rect = {0, 0, clientWidth, clientHeight};
  const DWORD style =
      design.window ? static_cast<DWORD>(GetWindowLongPtrW(design.window, GWL_STYLE)) : DesignWindowStyle(model.window);
  const DWORD exStyle = design.window ? static_cast<DWORD>(GetWindowLongPtrW(design.window, GWL_EXSTYLE))
                                      : static_cast<DWORD>(model.window.exStyle);
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  return rect;
}

// designWindow at (10, 10) in the content, its client area the stored size plus the menu bar.
void KVWindowEditor::resizeDesignWindow() {
  const RECT outer = outerRect(model.window.width, model.window.height);
  RECT placed = {10, 10, 0, 0};
  const int scrolledX = GetScrollPos(window, SB_HORZ);
  const int scrolledY = GetScrollPos(window, SB_VERT);
  SetWindowPos(design.window, nullptr, placed.left - scrolledX, placed.top - scrolledY, outer.right - outer.left,
               outer.bottom - outer.top + menuOffset, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

HWND KVWindowEditor::createControl(KVControlRecord& record, bool fromText) {
  const KindClass* kindClass = ClassOf(record.kind);
  if (!kindClass) return nullptr;
  // Every control is a child of the designed window, whatever its style says.
  DWORD style = (static_cast<DWORD>(record.style) & ~kNotOnSurface) | WS_CHILD;
  const bool isEdit = record.kind == "edit";
  // Buttons from a file or the clipboard wrap their caption and report focus changes.
  if (record.kind == "button" && fromText) style |= BS_MULTILINE | BS_NOTIFY;
  // An edit created with WS_BORDER gets the three-dimensional border of a dialog's edit;
  // setting the bit afterwards gives the plain one-pixel border the program shows.
  if (isEdit) style &= ~static_cast<DWORD>(WS_BORDER);
  const kvtext::WideString caption = kvtext::Utf8ToWide(kindClass->showsCaption ? record.caption : std::string());
  const HWND control =
      CreateWindowExW(static_cast<DWORD>(record.exStyle), kindClass->windowClass, caption.c_str(), style, record.x,
                      record.y + menuOffset, record.width, record.height, design.window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(record.id)), instance, nullptr);
  if (!control) return nullptr;
  if (isEdit && (record.style & WS_BORDER)) {
    SetWindowLongPtrW(control, GWL_STYLE, GetWindowLongPtrW(control, GWL_STYLE) | WS_BORDER);
    SetWindowPos(control, nullptr, record.x, record.y + menuOffset, record.width, record.height,
                 SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
  }
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(record)), TRUE);
  if (record.kind == "treeview") fillTreePreview(control);
  record.platformWindow = control;
  return control;
}

void KVWindowEditor::fillTreePreview(HWND tree) {
  const HTREEITEM root = AddTreeItem(tree, TVI_ROOT, L"Expanded Node");
  const HTREEITEM inner = AddTreeItem(tree, root, L"Expanded Node");
  AddTreeItem(tree, inner, L"Leaf");
  AddTreeItem(tree, inner, L"Leaf");
  const HTREEITEM collapsed = AddTreeItem(tree, root, L"Collapsed Node");
  AddTreeItem(tree, collapsed, L"Leaf");
  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(inner));
  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
}

KVControlRecord* KVWindowEditor::recordOf(HWND handle) {
  if (!handle) return nullptr;
  if (handle == design.window || (menuPreview && handle == menuPreview)) return &model.window;
  for (KVControlRecord& control : model.controls) {
    if (control.platformWindow == handle) return &control;
  }
  return nullptr;
}

HWND KVWindowEditor::handleOf(const KVControlRecord* record) const {
  if (!record) return nullptr;
  if (record == &model.window) return design.window;
  return static_cast<HWND>(record->platformWindow);
}

// The list of controls is about to change: records may move in memory, so the selection is
// remembered by its platform window and found again afterwards. The property grid holds a
// record too; it is pointed at the selection again (or let go when hidden).
KVWindowEditor::SelectionKeeper::SelectionKeeper(KVWindowEditor& editor)
    : editor(editor), selected(editor.handleOf(editor.selected)), highlighted(editor.handleOf(editor.highlighted)) {}

KVWindowEditor::SelectionKeeper::~SelectionKeeper() {
  editor.selected = editor.recordOf(selected);
  editor.highlighted = editor.recordOf(highlighted);
  if (!editor.selected) editor.selected = &editor.model.window;
  if (editor.grid.currentDesigner != &editor) return;
  if (editor.grid.visible) {
    editor.grid.show(editor.selected);
  } else {
    editor.grid.shownRecord = nullptr;
  }
}

void KVWindowEditor::applyRecord(KVControlRecord* record) {
  if (!record || !design.window) return;
  eraseHandles();
  if (record == &model.window) {
    applyWindowRecord();
  } else {
    HWND control = static_cast<HWND>(record->platformWindow);
    if (!control) return;
    if (record->kind == "combo") {
      // A combo box takes its style only when it is made, so it is made again.
      DestroyWindow(control);
      record->platformWindow = nullptr;
      const DWORD style = (static_cast<DWORD>(record->style) & ~kNotOnSurface) | kChildStyle;
      control = CreateWindowExW(static_cast<DWORD>(record->exStyle), L"ComboBox", L"", style, record->x,
                                record->y + menuOffset, record->width, record->height, design.window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(record->id)), instance, nullptr);
      if (!control) return;
      record->platformWindow = control;
    } else {
      SetWindowLongPtrW(control, GWL_STYLE,
                        static_cast<LONG_PTR>((static_cast<DWORD>(record->style) & ~kNotOnSurface) | WS_CHILD));
      SetWindowLongPtrW(control, GWL_EXSTYLE, static_cast<LONG_PTR>(record->exStyle));
      if (record->kind != "edit") {
        SetWindowTextW(control, kvtext::Utf8ToWide(record->caption).c_str());
      }
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(*record)), TRUE);
    if (record->kind == "combo") {
      RECT client = {};
      GetClientRect(control, &client);
      record->height = client.bottom;
    }
    SetWindowPos(control, nullptr, record->x, record->y + menuOffset, record->width, record->height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  }
  if (record == selected) {
    drawHandles(*record);
    refreshStatus();
  }
  markModified();
}

void KVWindowEditor::applyWindowRecord() {
  const KVControlRecord& record = model.window;
  designFont = font;
  if (record.fontLabel != "Default") {
    if (HFONT made = makeFont(record.fontData)) designFont = made;
  }
  SendMessageW(design.window, WM_SETFONT, reinterpret_cast<WPARAM>(designFont), FALSE);
  SetWindowLongPtrW(design.window, GWL_STYLE, static_cast<LONG_PTR>(DesignWindowStyle(record)));
  SetWindowLongPtrW(design.window, GWL_EXSTYLE, static_cast<LONG_PTR>(record.exStyle));
  SetWindowTextW(design.window, kvtext::Utf8ToWide(record.caption).c_str());
  for (KVControlRecord& control : model.controls) {
    if (control.fontLabel != "Default" || !control.platformWindow) continue;
    const HWND handle = static_cast<HWND>(control.platformWindow);
    SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(designFont), TRUE);
    if (control.kind == "combo") {
      RECT client = {};
      GetClientRect(handle, &client);
      control.height = client.bottom;
    }
  }
  if (menuPreview) SetWindowPos(menuPreview, nullptr, 0, 0, record.width, menuBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  resizeDesignWindow();
  RedrawWindow(design.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  updateExtent();
}

namespace {

struct NewControl {
  int command;
  const char* kind;
  DWORD style;
  DWORD exStyle;
  const char* caption;
  int width;
  int height;
};
constexpr NewControl kNewControls[] = {
    {KVWindowEditor::kAddButton, "button", 0x54014000, 0, "Button", 75, 25},
    {KVWindowEditor::kAddCheckBox, "check", 0x54010003, 0, "Checkbox", 70, 20},
    {KVWindowEditor::kAddComboBox, "combo", 0x54210003, 0x200, "", 70, 20},
    {KVWindowEditor::kAddEdit, "edit", 0x54010000, 0x200, "", 70, 20},
    {KVWindowEditor::kAddListView, "listview", 0x54018001, 0x200, "", 70, 20},
    {KVWindowEditor::kAddStaticText, "text", 0x54000200, 0, "Text", 70, 20},
};

}  // namespace

bool KVWindowEditor::addControl(int command, POINT point) {
  const NewControl* kind = nullptr;
  for (const NewControl& entry : kNewControls) {
    if (entry.command == command) kind = &entry;
  }
  if (!kind || !design.window) return false;
  if (model.idInUse.Full()) {
    host.setStatusText(0, "No control can be added: every id from 100 to 10099 is taken.");
    return false;
  }
  KVControlRecord record;
  record.kind = kind->kind;
  record.style = static_cast<std::int32_t>(kind->style);
  record.exStyle = static_cast<std::int32_t>(kind->exStyle);
  record.caption = kind->caption;
  record.x = point.x;
  // Placed where the user clicked; the stored y does not count the menu bar.
  record.y = point.y - menuOffset;
  record.width = kind->width;
  record.height = kind->height;
  record.id = model.idInUse.AllocateFree();
  record.name = record.kind + std::to_string(record.id);
  if (!createControl(record, false)) {
    model.idInUse.Release(record.id);
    return false;
  }
  if (record.kind == "combo") {
    RECT client = {};
    GetClientRect(static_cast<HWND>(record.platformWindow), &client);
    record.height = client.bottom;
  }
  {
    const SelectionKeeper keep(*this);
    model.controls.push_back(std::move(record));
  }
  markModified();
  return true;
}
