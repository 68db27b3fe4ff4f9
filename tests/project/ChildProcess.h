// Starts another program (in practice this test program again) and kills it on demand or
// at the end of the scope.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace kvtest {

class ChildProcess {
public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Start(const std::string& executable, const std::vector<std::string>& arguments);
  bool IsRunning();
  // Ends the process at once, as a crash would, and waits until it is gone.
  void Kill();

private:
#ifdef _WIN32
  void* process = nullptr;
#else
  int pid = -1;
#endif
};

// The program's arguments as UTF-8, whatever the system's code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Polls until the file exists, the child has ended or the time is up.
bool WaitForFile(const std::string& path, ChildProcess& child, std::chrono::seconds timeout);

}  // namespace kvtest
