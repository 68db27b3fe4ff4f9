// The window the runtime shows when it is started without arguments: its report in a
// read-only text box, so that running a built application shows what it carries.
#pragma once

#include <windows.h>

#include <string>

namespace kvstub {

class KVReportWindow {
public:
  KVReportWindow(HINSTANCE instance, std::wstring text);
  ~KVReportWindow();
  KVReportWindow(const KVReportWindow&) = delete;
  KVReportWindow& operator=(const KVReportWindow&) = delete;

  // Shows the window and runs the message loop until it is closed; false when the window
  // could not be created.
  bool Run();

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCreate();
  void OnSize(int width, int height);

  HINSTANCE instance;
  std::wstring text;
  HWND window = nullptr;
  HWND textBox = nullptr;
  HFONT font = nullptr;
};

}  // namespace kvstub
