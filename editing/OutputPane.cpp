#include "editing/OutputPane.h"

#include <Scintilla.h>


KVOutputDialog::KVOutputDialog(KVDocumentHost& documentHost)
    : host(documentHost), headerBrush(CreateSolidBrush(RGB(132, 176, 210))) {}

KVOutputDialog::~KVOutputDialog() { DeleteObject(headerBrush); }

bool KVOutputDialog::createPane(HWND frameWindow, int x, int y, int paneWidth, int paneHeight) {
  width = paneWidth;
  height = paneHeight;
  return createModeless(0, WS_CHILD, x, y, paneWidth, paneHeight, frameWindow);
}

LRESULT KVOutputDialog::call(UINT message, WPARAM wParam, LPARAM lParam) const {
  return text ? SendMessageW(text, message, wParam, lParam) : 0;
}

void KVOutputDialog::onInitDialog() {
  text = CreateWindowExW(0, L"Scintilla", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, 0, 5, 10, 10,
                         window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)), instance, nullptr);
  if (!text) return;
  call(SCI_ASSIGNCMDKEY, SCK_ESCAPE, 0);
  call(SCI_SETREADONLY, 1);
  call(SCI_SETMARGINS, 0);
  call(SCI_STYLESETFONT, STYLE_DEFAULT, reinterpret_cast<LPARAM>("Consolas"));
  call(SCI_STYLESETSIZE, STYLE_DEFAULT, 10);
  call(SCI_STYLESETBACK, STYLE_DEFAULT, RGB(255, 255, 255));
  call(SCI_STYLESETFORE, STYLE_DEFAULT, RGB(0, 0, 0));
  call(SCI_SETSELBACK, 1, RGB(153, 201, 239));
}

void KVOutputDialog::append(const std::string& added) {
  call(SCI_SETREADONLY, 0);
  call(SCI_ADDTEXT, added.size(), reinterpret_cast<LPARAM>(added.data()));
  call(SCI_SCROLLCARET);
  call(SCI_SETREADONLY, 1);
}

void KVOutputDialog::clear() {
  call(SCI_SETREADONLY, 0);
  call(SCI_CLEARALL);
  call(SCI_SETREADONLY, 1);
}

void KVOutputDialog::show() {
  if (visible) return;
  ShowWindow(window, SW_SHOW);
  visible = true;
  host.relayout();
}

void KVOutputDialog::hide() {
  ShowWindow(window, SW_HIDE);
  visible = false;
  host.relayout();
}

void KVOutputDialog::onPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT header;
  GetClientRect(window, &header);
  header.bottom = MulDiv(kHeaderHeight, dpi, 96);
  FillRect(dc, &header, headerBrush);
  const HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  header.left += MulDiv(6, dpi, 96);
  DrawTextW(dc, L"Output", -1, &header, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  EndPaint(window, &paint);
}

INT_PTR KVOutputDialog::dialogProc(HWND, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return TRUE;
    case WM_PAINT:
      onPaint();
      return TRUE;
    default:
      return FALSE;
  }
}
