#include "app/frame/FrameToolbar.h"

#include <commctrl.h>

#include <iterator>

#include "common/Text.h"
#include "project/ProjectItem.h"
#include "resources/ResourceIds.h"

namespace {

struct ButtonSpec {
  int image;
  int command;
  const wchar_t* text;
  BYTE style;
};

constexpr int kTargetButtonPosition = 12;
constexpr int kImageCount = 12;
constexpr int kImageSize = 24;
// Room around the selector's text and for its drop-down arrow, at 96 DPI. Some toolbars keep
// an image's width before the text of a button without image, so that width is counted too.
constexpr int kTargetTextPadding = 16 + kImageSize;
constexpr int kDropDownArrowWidth = 14;

constexpr ButtonSpec kButtons[] = {
    {0, IDM_NEW_SOURCE_FILE, L"New Source File", BTNS_AUTOSIZE},
    {1, IDM_OPEN_SOURCE_FILE, L"Open Source File", BTNS_AUTOSIZE},
    {2, IDM_SAVE, L"Save (Ctrl+S)", BTNS_AUTOSIZE},
    {3, IDM_SAVE_ALL, L"Save All", BTNS_AUTOSIZE},
    {0, 0, L"", BTNS_SEP},
    {4, IDM_UNDO, L"Undo (Ctrl+Z)", BTNS_AUTOSIZE},
    {5, IDM_REDO, L"Redo (Ctrl+Y)", BTNS_AUTOSIZE},
    {6, IDM_CUT, L"Cut (Ctrl+X)", BTNS_AUTOSIZE},
    {7, IDM_COPY, L"Copy (Ctrl+C)", BTNS_AUTOSIZE},
    {8, IDM_PASTE, L"Paste (Ctrl+V)", BTNS_AUTOSIZE},
    {9, IDM_DELETE, L"Delete (Del)", BTNS_AUTOSIZE},
    {0, 0, L"", BTNS_SEP},
    {I_IMAGENONE, IDC_TARGET_SELECTOR, L"JS Engine", BTNS_SHOWTEXT | BTNS_WHOLEDROPDOWN},
    {10, IDM_BUILD, L"Build (F7)", BTNS_AUTOSIZE},
    {11, IDM_RUN, L"Run (F5)", BTNS_AUTOSIZE},
};

// The selector's menu, in the order the user reads it.
constexpr BuildTarget kTargetMenu[] = {BuildTarget::Windows32, BuildTarget::Windows64, BuildTarget::MacOS};

HIMAGELIST LoadImageStrip(HINSTANCE instance, int bitmapId) {
  HIMAGELIST list = ImageList_Create(kImageSize, kImageSize, ILC_COLOR32, kImageCount, 1);
  const kvwin::Bitmap strip(static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (list && strip) ImageList_Add(list, strip.get(), nullptr);
  return list;
}

}  // namespace

bool KVFrameToolbar::create(HWND parent, HINSTANCE instance, HFONT font, int dpi) {
  toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_CHILD | CCS_NODIVIDER | TBSTYLE_TOOLTIPS | TBSTYLE_LIST,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolbarId)),
                            instance, nullptr);
  if (!toolbar) return false;
  SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  SetWindowLongPtrW(toolbar, GWL_STYLE, GetWindowLongPtrW(toolbar, GWL_STYLE) | TBSTYLE_FLAT);
  images.reset(LoadImageStrip(instance, IDB_TOOLBAR));
  disabledImages.reset(LoadImageStrip(instance, IDB_TOOLBAR_DISABLED));
  SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
  SendMessageW(toolbar, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
  SendMessageW(toolbar, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabledImages.get()));
  SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);

  TBBUTTON buttons[std::size(kButtons)] = {};
  for (std::size_t i = 0; i < std::size(kButtons); ++i) {
    buttons[i].iBitmap = kButtons[i].image;
    buttons[i].idCommand = kButtons[i].command;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = kButtons[i].style;
    buttons[i].iString = reinterpret_cast<INT_PTR>(kButtons[i].text);
  }
  SendMessageW(toolbar, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
  fixTargetWidth(font, dpi);
  autosize();
  ShowWindow(toolbar, SW_SHOW);
  return true;
}

// Build and Run stay where they are whatever the target: the selector is as wide as its
// longest text.
void KVFrameToolbar::fixTargetWidth(HFONT font, int dpi) {
  const HFONT toolbarFont = reinterpret_cast<HFONT>(SendMessageW(toolbar, WM_GETFONT, 0, 0));
  const kvwin::WindowDc dc(toolbar);
  const kvwin::Selection selection(dc.get(), toolbarFont ? toolbarFont : font);
  int widest = 0;
  for (const BuildTarget target : kTargetMenu) {
    const kvtext::WideString text = kvtext::Utf8ToWide(TargetDisplayName(static_cast<std::int32_t>(target)));
    SIZE size = {};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    if (size.cx > widest) widest = size.cx;
  }
  TBBUTTONINFOW info = {};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_SIZE;
  info.cx = static_cast<WORD>(widest + MulDiv(kTargetTextPadding + kDropDownArrowWidth, dpi, 96));
  SendMessageW(toolbar, TB_SETBUTTONINFOW, IDC_TARGET_SELECTOR, reinterpret_cast<LPARAM>(&info));
}

int KVFrameToolbar::height() const {
  RECT bar = {};
  GetWindowRect(toolbar, &bar);
  return bar.bottom - bar.top;
}

void KVFrameToolbar::autosize() { SendMessageW(toolbar, TB_AUTOSIZE, 0, 0); }

void KVFrameToolbar::setState(int commandId, bool enabled) {
  SendMessageW(toolbar, TB_SETSTATE, commandId, enabled ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE);
}

void KVFrameToolbar::setTargetText(const std::string& text) {
  if (targetText() == text) return;
  const kvtext::WideString wide = kvtext::Utf8ToWide(text);
  TBBUTTONINFOW info = {};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_TEXT;
  info.pszText = const_cast<wchar_t*>(wide.c_str());
  SendMessageW(toolbar, TB_SETBUTTONINFOW, IDC_TARGET_SELECTOR, reinterpret_cast<LPARAM>(&info));
}

std::string KVFrameToolbar::targetText() const {
  wchar_t text[64] = {};
  TBBUTTONINFOW info = {};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_TEXT;
  info.pszText = text;
  info.cchText = static_cast<int>(std::size(text));
  SendMessageW(toolbar, TB_GETBUTTONINFOW, IDC_TARGET_SELECTOR, reinterpret_cast<LPARAM>(&info));
  return kvtext::WideToUtf8(text);
}

int KVFrameToolbar::chooseTarget(HWND owner, int current) const {
  const kvwin::Menu menu(CreatePopupMenu());
  for (const BuildTarget target : kTargetMenu) {
    const int code = static_cast<int>(target);
    const kvtext::WideString text = kvtext::Utf8ToWide(TargetDisplayName(code));
    AppendMenuW(menu.get(), MF_STRING | (code == current ? MF_CHECKED : 0), code, text.c_str());
  }
  RECT button = {};
  SendMessageW(toolbar, TB_GETITEMRECT, kTargetButtonPosition, reinterpret_cast<LPARAM>(&button));
  POINT at = {button.left + 1, button.bottom - 2};
  ClientToScreen(toolbar, &at);
  return TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr);
}
