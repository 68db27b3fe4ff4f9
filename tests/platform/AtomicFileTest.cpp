#include "platform/AtomicFile.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

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
  EXPECT_FALSE(error.reason.empty());
  EXPECT_FALSE(error.inUse);
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
