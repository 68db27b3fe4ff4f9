#include <chrono>
#include <thread>

#include <gmock/gmock.h>

#include "project/FileUtil.h"
#include "project/Project.h"
#include "tests/project/ChildProcess.h"
#include "tests/project/ChildWriter.h"
#include "tests/project/LockHolder.h"

namespace kvtest {

int HoldProject(const std::string& projectFile, const std::string& readyFile) {
  KVProject project;
  if (!project.Load(projectFile)) return 2;
  if (!WriteTextFile(readyFile, "ready")) return 3;
  std::this_thread::sleep_for(std::chrono::minutes(1));
  return 0;
}

}  // namespace kvtest

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = kvtest::Utf8Arguments(argc, argv);
  if (arguments.size() == 4 && arguments[1] == kvtest::kHoldProjectArgument) {
    return kvtest::HoldProject(arguments[2], arguments[3]);
  }
  if (arguments.size() == 4 && arguments[1] == kvtest::kSaveRepeatedlyArgument) {
    return kvtest::SaveRepeatedly(arguments[2], arguments[3]);
  }
  testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
