// Saves that meet a full disk or a killed process leave the old file or the new one.
#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/Text.h"
#include "platform/AtomicFile.h"
#include "platform/Platform.h"
#include "project/FileUtil.h"
#include "project/Project.h"
#include "tests/common/TempFolder.h"
#include "tests/project/ChildProcess.h"
#include "tests/project/ChildWriter.h"
#include "tests/project/SmallDisk.h"

using kvtest::SmallDisk;
using kvtest::TempFolder;

namespace kvtest {

int SaveRepeatedly(const std::string& path, const std::string& readyFile) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
    const std::string bytes(kChildWriteSize, round % 2 == 0 ? 'B' : 'C');
    if (!kvplatform::SaveFileAtomically(path, bytes)) return 2;
    if (round == 0 && !WriteTextFile(readyFile, "ready")) return 3;
  }
  return 0;
}

}  // namespace kvtest

namespace {

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder)))
    names.push_back(entry.path().filename().u8string());
  std::sort(names.begin(), names.end());
  return names;
}

const std::vector<std::string> kDemoAndFiller{"Demo.kvproj", "filler"};

}  // namespace

// What the system says of a full disk, as the platform passes it on.
std::string FullDiskReason() {
#ifdef _WIN32
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 ERROR_DISK_FULL, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason = text ? kvtext::WideToUtf8(text) : std::string();
  LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
  return reason;
#else
  return std::strerror(ENOSPC);
#endif
}

TEST(FullDisk, ProjectSaveFailsAndKeepsTheOldFile) {
  TempFolder temp;
  SmallDisk disk(temp / "disk");
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  const std::string file = disk.Path() + "Demo.kvproj";
  TempFolder::Write(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project><Name>Demo</Name></Project>\n");
  KVProject project;
  ASSERT_TRUE(project.Load(file));
  const std::string before = TempFolder::Read(file);
  disk.Fill();
  EXPECT_FALSE(project.Save("", ""));
  EXPECT_EQ(TempFolder::Read(file), before);
  EXPECT_EQ(Names(disk.Path()), kDemoAndFiller);
}

TEST(FullDisk, TextFileBiggerThanTheRoomFailsAndKeepsTheOldFile) {
  TempFolder temp;
  SmallDisk disk(temp / "disk");
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  const std::string file = disk.Path() + "main.js";
  const std::string before = "var old = 1;\r\n";
  TempFolder::Write(file, before);
  EXPECT_FALSE(WriteTextFile(file, std::string(300 * 1024, 'x')));
  EXPECT_EQ(TempFolder::Read(file), before);
  kvplatform::FileError error;
  EXPECT_FALSE(kvplatform::SaveFileAtomically(file, std::string(300 * 1024, 'x'), &error));
  EXPECT_EQ(error.reason, FullDiskReason());
  EXPECT_EQ(TempFolder::Read(file), before);
  EXPECT_EQ(Names(disk.Path()), std::vector<std::string>{"main.js"});
}

TEST(KilledWriter, LeavesAWholeOldOrNewFile) {
  TempFolder temp;
  const std::string file = temp / "big.bin";
  for (const int delayMs : {0, 40, 150}) {
    TempFolder::Write(file, std::string(kvtest::kChildWriteSize, 'A'));
    const std::string ready = temp / "ready";
    kvplatform::DeleteFileAt(ready);
    kvtest::ChildProcess child;
    ASSERT_TRUE(child.Start(kvplatform::ExecutablePath(), {kvtest::kSaveRepeatedlyArgument, file, ready}));
    ASSERT_TRUE(kvtest::WaitForFile(ready, child, std::chrono::seconds(30)));
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    child.Kill();

    const std::string after = TempFolder::Read(file);
    ASSERT_EQ(after.size(), kvtest::kChildWriteSize) << "after " << delayMs << " ms";
    EXPECT_TRUE(after.front() == 'B' || after.front() == 'C');
    EXPECT_EQ(after.find_first_not_of(after.front()), std::string::npos) << "a mix after " << delayMs << " ms";
    // Whatever the kill interrupted is a temporary under its own name, never the target.
    for (const std::string& name : Names(temp.Path())) {
      if (name == "big.bin" || name == "ready") continue;
      EXPECT_EQ(name.rfind(".big.bin.", 0), 0u) << name;
      EXPECT_EQ(name.substr(name.size() - 6), ".kvtmp") << name;
    }
  }
  // The next save of the file removes what the killed writers left.
  ASSERT_TRUE(kvplatform::SaveFileAtomically(file, "whole"));
  EXPECT_EQ(TempFolder::Read(file), "whole");
  EXPECT_EQ(Names(temp.Path()), (std::vector<std::string>{"big.bin", "ready"}));
}
