#include "tests/project/ChildProcess.h"

#include <thread>

#include "platform/Platform.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "common/Text.h"
#else
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace kvtest {

#ifdef _WIN32

namespace {

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L'"';
}

}  // namespace

ChildProcess::~ChildProcess() {
  Kill();
}

bool ChildProcess::Start(const std::string& executable,
                         const std::vector<std::string>& arguments) {
  const std::wstring program = kvtext::Utf8ToWide(executable);
  std::wstring commandLine = Quoted(program);
  for (const std::string& argument : arguments) {
    commandLine += L' ' + Quoted(kvtext::Utf8ToWide(argument));
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process = info.hProcess;
  return true;
}

bool ChildProcess::IsRunning() {
  return process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

void ChildProcess::Kill() {
  if (process == nullptr) return;
  TerminateProcess(process, 1);
  WaitForSingleObject(process, INFINITE);
  CloseHandle(process);
  process = nullptr;
}

std::vector<std::string> Utf8Arguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(kvtext::WideToUtf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

#else

ChildProcess::~ChildProcess() {
  Kill();
}

bool ChildProcess::Start(const std::string& executable,
                         const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {executable};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = -1;
  if (posix_spawn(&child, executable.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return false;
  }
  pid = child;
  return true;
}

bool ChildProcess::IsRunning() {
  if (pid < 0) return false;
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) == 0) return true;
  pid = -1;
  return false;
}

void ChildProcess::Kill() {
  if (pid < 0) return;
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  pid = -1;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

#endif

bool WaitForFile(const std::string& path, ChildProcess& child, std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (kvplatform::PathExists(path)) return true;
    if (!child.IsRunning()) return kvplatform::PathExists(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

}  // namespace kvtest
