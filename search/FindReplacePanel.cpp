#include "search/FindReplacePanel.h"

#include <commctrl.h>

#include <iterator>

#include "common/Text.h"
#include "editing/SourceEditor.h"
#include "resources/ResourceIds.h"

namespace {

constexpr int kCellSize = 16;
constexpr int kCellCount = 5;
constexpr COLORREF kTransparent = RGB(255, 255, 255);
constexpr COLORREF kHotFill = RGB(205, 228, 245);
constexpr COLORREF kHotFrame = RGB(132, 176, 210);
constexpr COLORREF kPressedFill = RGB(157, 195, 224);

// The five button pictures when the bitmap is there with all its cells.
HBITMAP LoadButtons() {
  auto* bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_FIND_BUTTONS),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  BITMAP info = {};
  if (bitmap && (GetObjectW(bitmap, sizeof info, &info) != sizeof info || info.bmWidth < kCellSize * kCellCount ||
                 info.bmHeight < kCellSize)) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

// A polygon given in 16 x 16 cell units, scaled into box.
void FillPolygon(HDC dc, const RECT& box, const POINT* points, int count, COLORREF colour) {
  const int size = box.right - box.left;
  POINT scaled[8];
  for (int i = 0; i < count && i < 8; ++i) {
    scaled[i] = {box.left + MulDiv(points[i].x, size, kCellSize), box.top + MulDiv(points[i].y, size, kCellSize)};
  }
  const kvwin::Brush brush(CreateSolidBrush(colour));
  const kvwin::Pen pen(CreatePen(PS_SOLID, 1, colour));
  const kvwin::Selection brushSelection(dc, brush.get());
  const kvwin::Selection penSelection(dc, pen.get());
  Polygon(dc, scaled, count < 8 ? count : 8);
}

// The buttons' pictures drawn with GDI, for when the bitmap is missing: arrows right and
// left, a bent arrow for replace, a doubled one for replace all, a cross for close.
void DrawCellShape(HDC dc, int cell, const RECT& box) {
  constexpr COLORREF kInk = RGB(40, 40, 40);
  constexpr POINT kRight[] = {{5, 3}, {12, 8}, {5, 13}};
  constexpr POINT kLeft[] = {{11, 3}, {4, 8}, {11, 13}};
  constexpr POINT kReplaceArrow[] = {{9, 4}, {14, 8}, {9, 12}};
  constexpr POINT kReplaceStem[] = {{2, 7}, {10, 7}, {10, 9}, {2, 9}};
  constexpr POINT kSecondStem[] = {{2, 3}, {6, 3}, {6, 5}, {2, 5}};
  constexpr POINT kCrossA[] = {{3, 4}, {4, 3}, {13, 12}, {12, 13}};
  constexpr POINT kCrossB[] = {{12, 3}, {13, 4}, {4, 13}, {3, 12}};
  switch (cell) {
    case 0: FillPolygon(dc, box, kRight, 3, kInk); break;
    case 1: FillPolygon(dc, box, kLeft, 3, kInk); break;
    case 3: FillPolygon(dc, box, kSecondStem, 4, kInk); [[fallthrough]];
    case 2:
      FillPolygon(dc, box, kReplaceStem, 4, kInk);
      FillPolygon(dc, box, kReplaceArrow, 3, kInk);
      break;
    default:
      FillPolygon(dc, box, kCrossA, 4, kInk);
      FillPolygon(dc, box, kCrossB, 4, kInk);
      break;
  }
}

}  // namespace

KVFindReplace::KVFindReplace() : buttons(LoadButtons()) {}

KVFindReplace::~KVFindReplace() {
  if (window && IsWindow(window)) DestroyWindow(window);
}

KVSourceEditor* KVFindReplace::SourceEditorOf(DocumentRecord* record) {
  if (!record || record->kind() != ProjectItemType::SourceFile) return nullptr;
  auto* editor = dynamic_cast<KVSourceEditor*>(record->editor.get());
  return editor && editor->editorWindow && IsWindow(editor->editorWindow) ? editor : nullptr;
}

bool KVFindReplace::createPanel(HWND editorWindow) {
  return createModeless(WS_EX_CONTROLPARENT, WS_CHILD | WS_CLIPSIBLINGS, 0, 0, scale(kWidth), scale(kHeight),
                        editorWindow) &&
         window;
}

void KVFindReplace::onInitDialog() {
  SetWindowTextW(window, L"Find and Replace");
  constexpr DWORD kField = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  findField = createChild(0, L"Edit", L"", kField, 10, 10, 195, 20, window, kFindField);
  createChild(0, L"Button", L"Find Next", kButton | BS_DEFPUSHBUTTON, 209, 9, 22, 22, window, kFindNext);
  createChild(0, L"Button", L"Find Previous", kButton, 234, 9, 22, 22, window, kFindPrevious);
  createChild(0, L"Button", L"Close", kButton, 259, 9, 22, 22, window, kClose);
  replaceField = createChild(0, L"Edit", L"", kField, 10, 35, 195, 20, window, kReplaceField);
  createChild(0, L"Button", L"Replace", kButton, 209, 34, 22, 22, window, kReplace);
  createChild(0, L"Button", L"Replace All", kButton, 234, 34, 22, 22, window, kReplaceAll);
  addTips();
  matchCase = createChild(0, L"Button", L"Match case", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 10, 57,
                          150, 20, window, kMatchCase);
  for (HWND control : {findField, replaceField, matchCase}) {
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  // Texts kept from a panel built before, for an editor that has gone since.
  SetWindowTextW(findField, kvtext::Utf8ToWide(findText).c_str());
  SetWindowTextW(replaceField, kvtext::Utf8ToWide(replaceText).c_str());
  SendMessageW(matchCase, BM_SETCHECK, matchCaseChecked ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(window, DM_SETDEFID, kFindNext, 0);
}

// The image buttons say what they do when the mouse rests on them; their window texts, which
// custom drawing does not show, name them for screen readers.
void KVFindReplace::addTips() {
  const HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                    instance, nullptr);
  if (!tips) return;
  struct Tip {
    int id;
    const wchar_t* text;
  };
  static const Tip kTips[] = {{kFindNext, L"Find Next (F3)"},
                              {kFindPrevious, L"Find Previous (Shift+F3)"},
                              {kReplace, L"Replace"},
                              {kReplaceAll, L"Replace All"},
                              {kClose, L"Close (Esc)"}};
  for (const Tip& tip : kTips) {
    TTTOOLINFOW info = {};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = window;
    info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(window, tip.id));
    info.lpszText = const_cast<wchar_t*>(tip.text);
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
}

bool KVFindReplace::showFor(DocumentRecord* record) {
  KVSourceEditor* editor = SourceEditorOf(record);
  if (!editor) return false;
  const HWND editorWindow = editor->editorWindow;
  if (!window && !createPanel(editorWindow)) return false;
  if (GetParent(window) != editorWindow) SetParent(window, editorWindow);
  // The editor paints around the panel, not over it.
  const LONG_PTR style = GetWindowLongPtrW(editorWindow, GWL_STYLE);
  if (!(style & WS_CLIPCHILDREN)) SetWindowLongPtrW(editorWindow, GWL_STYLE, style | WS_CLIPCHILDREN);
  document = record;
  parent = editorWindow;
  place(editorWindow);
  ShowWindow(window, SW_SHOW);
  visible = true;

  const sptr_t start = editor->call(SCI_GETSELECTIONSTART);
  const sptr_t end = editor->call(SCI_GETSELECTIONEND);
  if (end > start) {
    std::string selected(static_cast<std::size_t>(end - start) + 1, '\0');
    editor->call(SCI_GETSELTEXT, 0, reinterpret_cast<sptr_t>(selected.data()));
    selected.resize(static_cast<std::size_t>(end - start));
    SetWindowTextW(findField, kvtext::Utf8ToWide(selected).c_str());
  }
  SetFocus(findField);
  SendMessageW(findField, EM_SETSEL, 0, -1);
  return true;
}

void KVFindReplace::place(HWND editorWindow) {
  RECT client;
  GetClientRect(editorWindow, &client);
  SetWindowPos(window, HWND_TOP, client.right - scale(kWidth), 0, scale(kWidth), scale(kHeight), SWP_NOACTIVATE);
}

void KVFindReplace::reposition() {
  if (!visible || !window || !parent) return;
  place(parent);
}

void KVFindReplace::hide() {
  if (!window) {
    visible = false;
    return;
  }
  const HWND focus = GetFocus();
  const bool hadFocus = focus && (focus == window || IsChild(window, focus));
  readFields();
  ShowWindow(window, SW_HIDE);
  visible = false;
  // The user goes on typing where the search left the caret.
  if (hadFocus && parent && IsWindow(parent)) SetFocus(parent);
}

void KVFindReplace::readFields() {
  if (!window) return;
  findText = getWindowText(findField);
  replaceText = getWindowText(replaceField);
  matchCaseChecked = SendMessageW(matchCase, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void KVFindReplace::findNext(DocumentRecord* record) {
  KVSourceEditor* editor = SourceEditorOf(record);
  if (!editor) return;
  readFields();
  editor->findNext(findText, matchCaseChecked);
}

void KVFindReplace::findPrevious(DocumentRecord* record) {
  KVSourceEditor* editor = SourceEditorOf(record);
  if (!editor) return;
  readFields();
  editor->findPrevious(findText, matchCaseChecked);
}

void KVFindReplace::run(int id) {
  KVSourceEditor* editor = SourceEditorOf(document);
  if (!editor) return;
  readFields();
  switch (id) {
    case kFindNext: editor->findNext(findText, matchCaseChecked); break;
    case kFindPrevious: editor->findPrevious(findText, matchCaseChecked); break;
    case kReplace: editor->replace(findText, replaceText, matchCaseChecked); break;
    case kReplaceAll: editor->replaceAll(findText, replaceText, matchCaseChecked); break;
    default: break;
  }
}

void KVFindReplace::onCommand(int id, int code) {
  if (code != BN_CLICKED && code != 0) return;
  switch (id) {
    case kFindNext:
    case kFindPrevious:
    case kReplace:
    case kReplaceAll:
      run(id);
      break;
    case kClose:
    case IDCANCEL:
      hide();
      break;
    case IDOK:
      run(kFindNext);
      break;
    default:
      break;
  }
}

void KVFindReplace::drawCell(HDC dc, int cell, int x, int y) const {
  const RECT box = {x, y, x + scale(kCellSize), y + scale(kCellSize)};
  if (!buttons) {
    DrawCellShape(dc, cell, box);
    return;
  }
  const kvwin::MemoryDc source(dc);
  const kvwin::Selection selection(source.get(), buttons.get());
  TransparentBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, source.get(), cell * kCellSize, 0,
                 kCellSize, kCellSize, kTransparent);
}

// The image buttons are flat: the picture on the panel, a light box under the mouse or while
// pressed, and the focus rectangle when the keyboard is on them.
LRESULT KVFindReplace::onCustomDraw(const NMCUSTOMDRAW& draw) const {
  const int id = static_cast<int>(draw.hdr.idFrom);
  if (id < kFindNext || id > kClose || draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
  const HDC dc = draw.hdc;
  RECT box = draw.rc;
  FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  if (draw.uItemState & (CDIS_HOT | CDIS_SELECTED)) {
    const kvwin::Brush fill(CreateSolidBrush((draw.uItemState & CDIS_SELECTED) ? kPressedFill : kHotFill));
    const kvwin::Brush frame(CreateSolidBrush(kHotFrame));
    FillRect(dc, &box, fill.get());
    FrameRect(dc, &box, frame.get());
  }
  drawCell(dc, id - kFindNext, box.left + scale(3), box.top + scale(3));
  if ((draw.uItemState & CDIS_FOCUS) && !(SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
    InflateRect(&box, -1, -1);
    DrawFocusRect(dc, &box);
  }
  return CDRF_SKIPDEFAULT;
}

void KVFindReplace::onDestroy() {
  // The editor's window is going and takes the panel with it: keep what the user typed.
  readFields();
  window = nullptr;
  findField = replaceField = matchCase = nullptr;
  parent = nullptr;
  visible = false;
}

INT_PTR KVFindReplace::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return FALSE;  // the focus is set by showFor
    case WM_COMMAND:
      onCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != SC_CLOSE) return FALSE;
      hide();
      return TRUE;
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.code != NM_CUSTOMDRAW) return FALSE;
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, onCustomDraw(*reinterpret_cast<const NMCUSTOMDRAW*>(lParam)));
      return TRUE;
    }
    case WM_SETCURSOR: {
      const auto over = reinterpret_cast<HWND>(wParam);
      const bool field = over == findField || over == replaceField;
      SetCursor(LoadCursorW(nullptr, field ? IDC_IBEAM : IDC_ARROW));
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
      return TRUE;
    }
    case WM_DESTROY:
      onDestroy();
      return FALSE;
    default:
      return FALSE;
  }
}
