// KelVoxRuntime: the runtime that KelVox Studio's pack carries for Windows until the real
// runtimes are put in at release time. It checks the project payload a build attached to it
// and reports what it found (see StubReport.h for the lines):
//   KelVoxRuntime --kv-report   prints the report on standard output, errors on standard
//                               error; exit code 0, 1 for a damaged payload, 2 for none
//   KelVoxRuntime               shows the same in a window; closing it ends the program
//                               with the same exit code
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/Text.h"
#include "tools/runtime-stub/OwnImage.h"
#include "tools/runtime-stub/ReportWindow.h"
#include "tools/runtime-stub/RuntimeStubIds.h"
#include "tools/runtime-stub/StubReport.h"

namespace {

bool HasReportSwitch() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments) return false;
  bool found = false;
  for (int i = 1; i < count; ++i) found = found || std::wstring_view(arguments[i]) == L"--kv-report";
  LocalFree(arguments);
  return found;
}

kvstub::StubReport BuildReport() {
  const std::wstring path = kvstub::OwnPath();
  std::string image;
  kvstub::StubReport report;
  if (path.empty() || !kvstub::ReadWholeFile(path, image)) {
    report.errors.push_back("this executable cannot read its own file");
    report.exitCode = kvstub::kExitDamaged;
  } else {
    report = kvstub::ReportPayload(image);
  }
  std::string_view iconGroup;
  const bool hasIcons = kvstub::OwnIconGroup(IDI_RUNTIME, iconGroup);
  kvstub::AddResourceLines(report, kvstub::VersionString(path, L"FileVersion"),
                           kvstub::VersionString(path, L"ProductName"), hasIcons ? &iconGroup : nullptr);
  return report;
}

// A program of the GUI subsystem has standard handles only when its starter passed them
// (redirection, a pipe); started from a console without them, it borrows that console.
HANDLE StandardHandle(DWORD which) {
  HANDLE handle = GetStdHandle(which);
  if ((!handle || handle == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
    handle = GetStdHandle(which);
  }
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// Bytes go out unchanged to files and pipes; a console gets the text as UTF-16.
void Write(DWORD which, const std::string& text) {
  HANDLE handle = StandardHandle(which);
  if (!handle || text.empty()) return;
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    const kvtext::WideString wide = kvtext::Utf8ToWide(text);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    if (!WriteFile(handle, text.data() + done, static_cast<DWORD>(text.size() - done), &written, nullptr) ||
        written == 0) {
      return;
    }
    done += written;
  }
}

std::string Lines(const std::vector<std::string>& lines, const std::string& prefix) {
  std::string text;
  for (const std::string& line : lines) text.append(prefix).append(line).append("\n");
  return text;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const kvstub::StubReport report = BuildReport();
  if (HasReportSwitch()) {
    Write(STD_ERROR_HANDLE, Lines(report.errors, "KelVoxRuntime: "));
    Write(STD_OUTPUT_HANDLE, Lines(report.lines, ""));
    return report.exitCode;
  }
  kvstub::KVReportWindow window(instance, kvtext::Utf8ToWide(kvstub::ReportText(report, "\r\n")));
  window.Run();
  return report.exitCode;
}
