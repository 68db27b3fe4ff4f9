// The window designer's life: reading the file, building the surface, saving, and the
// dispatch of the surface's messages to the handlers of the other Design*.cpp files.
#include "designer/WindowEditor.h"

#include <windowsx.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/framework/DocumentHost.h"
#include "app/framework/DocumentRecord.h"
#include "common/Text.h"
#include "designer/PropertyGrid.h"
#include "platform/AtomicFile.h"
#include "platform/Platform.h"

namespace {

POINT PointOf(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

KVWindowEditor::KVWindowEditor(KVPropertyGrid& propertyGrid, KVDocumentHost& documentHost)
    : grid(propertyGrid),
      host(documentHost),
      handleBrush(CreateSolidBrush(RGB(0, 0, 0))),
      handlePen(CreatePen(PS_SOLID, 1, RGB(0, 0, 0))),
      clipboardFormat(RegisterClipboardFormatW(kClipboardFormatName)),
      menuBarHeight(GetSystemMetrics(SM_CYMENU)) {
  sizeAll = LoadCursorW(nullptr, IDC_SIZEALL);
  sizeNwse = LoadCursorW(nullptr, IDC_SIZENWSE);
  sizeNesw = LoadCursorW(nullptr, IDC_SIZENESW);
  sizeWe = LoadCursorW(nullptr, IDC_SIZEWE);
  sizeNs = LoadCursorW(nullptr, IDC_SIZENS);
}

KVWindowEditor::~KVWindowEditor() {
  if (grid.currentDesigner == this) {
    grid.hide();
    grid.shownRecord = nullptr;
    grid.currentDesigner = nullptr;
  }
  if (dragging) ClipCursor(nullptr);
  // The controls go with designWindow; the fonts they were given are released after them.
  if (design.window && IsWindow(design.window)) DestroyWindow(design.window);
}

bool KVWindowEditor::create(DocumentRecord* record, HWND parentWindow, int x, int y, int width, int height) {
  document = record;
  frameWindow = parentWindow;
  std::string text;
  if (!readFile(text)) return false;
  const KVWinResult read = model.Read(text);
  if (!read) {
    lastFailure = read.Describe();
    return false;
  }
  if (!createEditorWindow(*this, record, parentWindow, x, y, width, height)) {
    lastFailure = "the design surface could not be created";
    return false;
  }
  if (!design.window) {
    lastFailure = "the designed window could not be created";
    return false;
  }
  return true;
}

// Unlike a source file, a missing dialog window cannot start empty: an empty text is no
// window, and saving it would write a file the runtime cannot read.
bool KVWindowEditor::readFile(std::string& text) {
  const std::string path = document->item->Path();
  if (!kvplatform::ReadFileBytes(path, text)) {
    const int code = errno;
    lastFailure = kvplatform::PathExists(path) ? std::string("the file cannot be read (") + std::strerror(code) + ")"
                                               : "the file does not exist";
    return false;
  }
  return true;
}

void KVWindowEditor::load() {
  editorWindow = window;
  const KVControlRecord& record = model.window;
  designFont = font;
  if (record.fontLabel != "Default") {
    if (HFONT made = makeFont(record.fontData)) designFont = made;
  }
  if (!design.createModeless(static_cast<DWORD>(record.exStyle), DesignWindowStyle(record), 10, 10, 0, 0, window)) {
    return;
  }
  SendMessageW(design.window, WM_SETFONT, reinterpret_cast<WPARAM>(designFont), FALSE);
  SetWindowTextW(design.window, kvtext::Utf8ToWide(record.caption).c_str());
  resizeDesignWindow();
  for (std::size_t i = 0; i < model.controls.size();) {
    if (createControl(model.controls[i], true)) {
      ++i;
    } else {
      // A control the platform refuses is dropped, and its id given back.
      model.idInUse.Release(model.controls[i].id);
      model.controls.erase(model.controls.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  // Also a menu block the file does not close: the menu is the window's and is saved with it,
  // so it is shown and can be edited or deleted.
  if (model.hasMenu) showMenuPreview(true);
  ShowWindow(design.window, SW_SHOWNA);
  updateExtent();
  // The window starts selected, so that the keyboard and the context menu work at once; its
  // handles are drawn with the first paint.
  selected = &model.window;
  highlighted = selected;
}

bool KVWindowEditor::save() {
  if (!document) return false;
  std::string text;
  const KVWinResult written = model.Write(text);
  if (!written) {
    lastFailure = written.Describe();
    return false;
  }
  kvplatform::FileError error;
  if (!kvplatform::SaveFileAtomically(document->item->Path(), text, &error)) {
    lastFailure = error.reason;
    return false;
  }
  lastFailure.clear();
  modified = 0;
  return true;
}

void KVWindowEditor::markModified() { setModified(frameWindow); }

// The scroll extent covers designWindow's outer rectangle as placed in the content, plus the
// margin; like every layout number of the surface it goes through the DPI rule.
void KVWindowEditor::updateExtent() {
  if (!design.window) return;
  RECT outer = {};
  GetWindowRect(design.window, &outer);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&outer), 2);
  const int scrolledX = GetScrollPos(window, SB_HORZ);
  const int scrolledY = GetScrollPos(window, SB_VERT);
  contentWidth = scale(outer.right + scrolledX + kMargin);
  contentHeight = scale(outer.bottom + scrolledY + kMargin);
  updateScrollBars();
}

void KVWindowEditor::showStatus(const RECT& rect, bool forWindow) {
  char text[32];
  if (forWindow) {
    host.setStatusText(1, "0,0");
  } else {
    std::snprintf(text, sizeof(text), "%d,%d", static_cast<int>(rect.left), static_cast<int>(rect.top) - menuOffset);
    host.setStatusText(1, text);
  }
  std::snprintf(text, sizeof(text), "%d,%d", static_cast<int>(rect.right - rect.left),
                static_cast<int>(rect.bottom - rect.top));
  host.setStatusText(2, text);
}

// For the window: the client size its outer rectangle gives, less the menu bar. For a control:
// its rectangle in designWindow.
void KVWindowEditor::refreshStatus() {
  if (!selected || !design.window) return;
  if (selected == &model.window) {
    RECT outer = {};
    GetWindowRect(design.window, &outer);
    const RECT frame = outerRect(0, 0);
    RECT client = {0, 0, (outer.right - outer.left) - (frame.right - frame.left),
                   (outer.bottom - outer.top) - (frame.bottom - frame.top) - menuOffset};
    showStatus(client, true);
    return;
  }
  const HWND control = static_cast<HWND>(selected->platformWindow);
  if (!control) return;
  RECT rect = {};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, design.window, reinterpret_cast<POINT*>(&rect), 2);
  showStatus(rect, false);
}

void KVWindowEditor::refreshGridGeometry() {
  if (grid.visible && grid.currentDesigner == this && selected) grid.refreshGeometry(selected);
}

INT_PTR KVWindowEditor::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: load(); return FALSE;
    case WM_PAINT: paint(); return TRUE;
    case WM_SIZE:
      if (design.window) redrawSelection();
      return FALSE;
    case WM_HSCROLL:
    case WM_VSCROLL: redrawSelection(); return FALSE;
    case WM_SETFOCUS:
      // The frame clears the position texts when a document comes to the front.
      PostMessageW(window, kRedrawSelectionMessage, 0, 0);
      return FALSE;
    case WM_KILLFOCUS:
      if (tabOrderMode) endTabOrder();
      return FALSE;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      if (dragging && reinterpret_cast<HWND>(lParam) != window) cancelDrag();
      return FALSE;
    case WM_ENABLE:
      if (!wParam) redrawAfterEnable = true;
      return FALSE;
    case WM_ERASEBKGND:
      if (redrawAfterEnable) {
        redrawAfterEnable = false;
        PostMessageW(window, kRedrawSelectionMessage, 0, 0);
      }
      return FALSE;
    case kRedrawSelectionMessage: redrawSelection(); return TRUE;
    case WM_KEYDOWN: return onKeyDown(wParam) ? TRUE : FALSE;
    case WM_MOUSEMOVE: onMouseMove(PointOf(lParam)); return TRUE;
    case WM_SETCURSOR: return setCursor() ? (SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE), TRUE) : FALSE;
    case WM_LBUTTONDOWN: onLeftDown(PointOf(lParam)); return TRUE;
    case WM_LBUTTONUP: onLeftUp(); return TRUE;
    case WM_LBUTTONDBLCLK: onDoubleClick(PointOf(lParam)); return TRUE;
    case WM_RBUTTONDOWN: onRightDown(PointOf(lParam)); return TRUE;
    case WM_RBUTTONUP: onRightUp(PointOf(lParam)); return TRUE;
    case WM_CONTEXTMENU: onContextKey(lParam); return TRUE;
    default: return FALSE;
  }
}
