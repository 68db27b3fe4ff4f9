#include "platform/AtomicFile.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <chrono>
#include <thread>

#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/Platform.h"
#include "tests/common/TempFolder.h"

using kvtest::TempFolder;

namespace {

// Names in the folder, so that a leftover temporary file shows.
std::vector<std::string> Names(const TempFolder& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder.Path())))
    names.push_back(entry.path().filename().u8string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(AtomicFile, SavesNewAndReplacesExistingFiles) {
  TempFolder temp;
  const std::string path = temp / "p\xC3\xA9.kvp";
  kvplatform::FileError error;
  ASSERT_TRUE(kvplatform::SaveFileAtomically(path, "first", &error)) << error.reason;
  ASSERT_TRUE(kvplatform::SaveFileAtomically(path, "second, longer", &error)) << error.reason;
  EXPECT_EQ(TempFolder::Read(path), "second, longer");
  ASSERT_TRUE(kvplatform::SaveFileAtomically(path, "", &error)) << error.reason;
  EXPECT_EQ(TempFolder::Read(path), "");
  EXPECT_EQ(Names(temp), std::vector<std::string>{"p\xC3\xA9.kvp"});
}

TEST(AtomicFile, FailedReplaceKeepsTargetAndRemovesTemporary) {
  TempFolder temp;
  // A folder in the target's place: the temporary is written, the final step fails.
  const std::string folder = temp / "target";
  ASSERT_TRUE(kvplatform::CreateFolder(folder));
  TempFolder::Write(folder + kvplatform::kPathSeparator + "inside", "kept");
  kvplatform::FileError error;
  EXPECT_FALSE(kvplatform::SaveFileAtomically(folder, "new", &error));
  ASSERT_FALSE(error.reason.empty());
  EXPECT_FALSE(error.inUse);
  EXPECT_NE(error.reason.back(), '\n');
  EXPECT_EQ(TempFolder::Read(folder + kvplatform::kPathSeparator + "inside"), "kept");
  EXPECT_EQ(Names(temp), std::vector<std::string>{"target"});

  // A missing folder: the temporary cannot be created at all.
  error = {};
  EXPECT_FALSE(kvplatform::SaveFileAtomically(temp / "missing" + kvplatform::kPathSeparator + "f", "x", &error));
  EXPECT_FALSE(error.reason.empty());
  EXPECT_EQ(Names(temp), std::vector<std::string>{"target"});
}

TEST(AtomicFile, TemporaryBesideIsReplacedInOneStep) {
  TempFolder temp;
  const std::string path = temp / "out.exe";
  TempFolder::Write(path, "old");
  kvplatform::FileError error;
  const std::string temporary = kvplatform::CreateTemporaryBeside(path, &error);
  ASSERT_FALSE(temporary.empty()) << error.reason;
  EXPECT_EQ(temporary.compare(0, temp.Path().size(), temp.Path()), 0);
  EXPECT_EQ(TempFolder::Read(path), "old");
  TempFolder::Write(temporary, "new");
  ASSERT_TRUE(kvplatform::ReplaceWithTemporary(temporary, path, &error)) << error.reason;
  EXPECT_EQ(TempFolder::Read(path), "new");
  EXPECT_EQ(Names(temp), std::vector<std::string>{"out.exe"});

  // Two temporaries for one target never share a name.
  const std::string first = kvplatform::CreateTemporaryBeside(path);
  const std::string second = kvplatform::CreateTemporaryBeside(path);
  EXPECT_NE(first, second);
  ASSERT_TRUE(kvplatform::CreateFolder(temp / "dir"));
  EXPECT_FALSE(kvplatform::ReplaceWithTemporary(first, temp / "dir", &error));
  EXPECT_FALSE(TempFolder::Exists(first));
  kvplatform::DeleteFileAt(second);
}

TEST(AtomicFile, FilesNamedLikeTheTemporaryAreNeverOpened) {
  TempFolder temp;
  const std::string path = temp / "a.kvproj";
  const std::string victim = temp / "victim";
  TempFolder::Write(victim, "victim");
  // The next temporary names, learned from one created and removed again.
  const std::string probe = kvplatform::CreateTemporaryBeside(path);
  ASSERT_FALSE(probe.empty());
  ASSERT_TRUE(kvplatform::DeleteFileAt(probe));
  const std::size_t counterAt = probe.rfind('.', probe.size() - 7) + 1;
  const unsigned next = std::stoul(probe.substr(counterAt));
  std::vector<std::string> taken;
  for (unsigned n = next + 1; n <= next + 3; ++n) {
    taken.push_back(probe.substr(0, counterAt) + std::to_string(n) + ".kvtmp");
    TempFolder::Write(taken.back(), "someone else's");
  }
#ifndef _WIN32
  // A link in a temporary's place must not lead the write to the file it points to.
  const std::string link = probe.substr(0, counterAt) + std::to_string(next + 4) + ".kvtmp";
  ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
#endif
  ASSERT_TRUE(kvplatform::SaveFileAtomically(path, "saved"));
  EXPECT_EQ(TempFolder::Read(path), "saved");
  for (const std::string& name : taken) EXPECT_EQ(TempFolder::Read(name), "someone else's");
  EXPECT_EQ(TempFolder::Read(victim), "victim");
}

#ifndef _WIN32
TEST(AtomicFile, ALinkIsReplacedItselfAndItsFileIsUntouched) {
  TempFolder temp;
  const std::string real = temp / "real.kvproj";
  const std::string link = temp / "link.kvproj";
  TempFolder::Write(real, "real");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  ASSERT_TRUE(kvplatform::SaveFileAtomically(link, "new"));
  struct stat status;
  ASSERT_EQ(lstat(link.c_str(), &status), 0);
  EXPECT_TRUE(S_ISREG(status.st_mode));
  EXPECT_EQ(TempFolder::Read(link), "new");
  EXPECT_EQ(TempFolder::Read(real), "real");
}

TEST(AtomicFile, KeepsThePermissionsOfTheFileItReplaces) {
  TempFolder temp;
  const std::string path = temp / "run.sh";
  for (const mode_t mode : {0600, 0755, 0640, 0555}) {
    for (const bool beside : {false, true}) {
      kvplatform::DeleteFileAt(path);
      TempFolder::Write(path, "old");
      ASSERT_EQ(chmod(path.c_str(), mode), 0);
      if (beside) {
        const std::string temporary = kvplatform::CreateTemporaryBeside(path);
        struct stat created;
        ASSERT_EQ(stat(temporary.c_str(), &created), 0);
        EXPECT_EQ(created.st_mode & S_IWUSR, S_IWUSR) << "the caller must be able to write it";
        ASSERT_TRUE(kvplatform::ReplaceWithTemporary(temporary, path));
      } else {
        ASSERT_TRUE(kvplatform::SaveFileAtomically(path, "new"));
      }
      struct stat status;
      ASSERT_EQ(stat(path.c_str(), &status), 0);
      EXPECT_EQ(status.st_mode & 07777, mode) << std::oct << mode << (beside ? " beside" : "");
    }
  }
}
#endif

#ifdef _WIN32
// A file held open without delete sharing stands for a running program's executable.
class HeldOpen {
public:
  explicit HeldOpen(const std::string& path)
      : handle(CreateFileW(std::filesystem::u8path(path).wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldOpen() { Release(); }
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;
  bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }
  void Release() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }

private:
  HANDLE handle;
};

TEST(AtomicFile, AFileInUseIsRetriedThenReportedInUse) {
  TempFolder temp;
  const std::string path = temp / "App.exe";
  TempFolder::Write(path, "old");
  {
    HeldOpen held(path);
    ASSERT_TRUE(held.IsOpen());
    kvplatform::FileError error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(kvplatform::SaveFileAtomically(path, "new", &error));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_TRUE(error.inUse);
    ASSERT_FALSE(error.reason.empty());
    EXPECT_NE(error.reason.back(), '\n');
    EXPECT_EQ(TempFolder::Read(path), "old");
    EXPECT_EQ(Names(temp), std::vector<std::string>{"App.exe"});
  }
  // Closed while the save waits: the save goes through.
  HeldOpen held(path);
  std::thread closer([&held] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    held.Release();
  });
  kvplatform::FileError error;
  EXPECT_TRUE(kvplatform::SaveFileAtomically(path, "new", &error)) << error.reason;
  closer.join();
  EXPECT_EQ(TempFolder::Read(path), "new");
}
#endif
