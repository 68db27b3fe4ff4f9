// kvcli: KelVox Studio's command-line tool.
//   kvcli build PROJECT.kvproj [--target win64|win32|macos] [--ide KelVoxStudio.exe]
//   kvcli inspect App.exe|App.app
#include <cstdio>
#include <string>
#include <vector>

#include "common/PathName.h"
#include "platform/Platform.h"
#include "tools/cli/BuildCommand.h"
#include "tools/cli/InspectCommand.h"

namespace {

// The IDE beside this program; ./kelvox passes the product build's own with --ide.
std::string DefaultIde() {
  return kvpath::FolderOf(kvplatform::ExecutablePath()) + "KelVoxStudio.exe";
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 1 ? 2 : argc), argv + argc);
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "build") return kvcli::RunBuildCommand(arguments, DefaultIde());
  if (command == "inspect") return kvcli::RunInspectCommand(arguments);
  std::fputs(
      "usage: kvcli build PROJECT.kvproj [--target win64|win32|macos] [--ide KelVoxStudio.exe]\n"
      "       kvcli inspect App.exe|App.app\n",
      stderr);
  return 2;
}
