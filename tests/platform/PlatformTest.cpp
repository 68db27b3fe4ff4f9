#include "platform/Platform.h"

#include <cstdlib>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "tests/common/TempFolder.h"

using kvtest::TempFolder;

namespace {

std::string ReadAll(const std::string& path) {
  FILE* file = kvplatform::OpenFile(path, "rb");
  if (file == nullptr) return "<cannot open>";
  std::string bytes;
  char buffer[256];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  fclose(file);
  return bytes;
}

bool WriteAll(const std::string& path, const char* mode, const std::string& bytes) {
  FILE* file = kvplatform::OpenFile(path, mode);
  if (file == nullptr) return false;
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}

}  // namespace

TEST(Platform, OpensFilesByUtf8PathInEveryMode) {
  TempFolder temp;
  const std::string path = temp / "\xC3\xBC\x6E\xC3\xAF \xE2\x82\xAC.txt";
  ASSERT_TRUE(WriteAll(path, "wb", "one"));
  EXPECT_TRUE(TempFolder::Exists(path));
  EXPECT_TRUE(WriteAll(path, "ab", "+two"));
  EXPECT_EQ(ReadAll(path), "one+two");
  EXPECT_TRUE(kvplatform::CanRead(path));
  EXPECT_TRUE(kvplatform::PathExists(path));
  EXPECT_EQ(kvplatform::FileSize(path), 7);

  ASSERT_TRUE(WriteAll(path, "wbc", "committed"));
  EXPECT_EQ(ReadAll(path), "committed");

  FILE* file = kvplatform::OpenFile(path, "w+bc");
  ASSERT_NE(file, nullptr);
  fputs("rw", file);
  rewind(file);
  char back[3] = {};
  EXPECT_EQ(fread(back, 1, 2, file), 2u);
  fclose(file);
  EXPECT_STREQ(back, "rw");

  file = kvplatform::OpenFile(path, "r");
  ASSERT_NE(file, nullptr);
  fclose(file);
}

TEST(Platform, FoldersMissingFilesAndNulBytesNeverOpen) {
  TempFolder temp;
  const std::string folder = temp / "sub";
  ASSERT_TRUE(kvplatform::CreateFolder(folder));
  EXPECT_FALSE(kvplatform::CreateFolder(folder));
  EXPECT_TRUE(kvplatform::PathExists(folder));
  EXPECT_FALSE(kvplatform::CanRead(folder));
  EXPECT_EQ(kvplatform::OpenFile(folder, "rb"), nullptr);
  EXPECT_EQ(kvplatform::FileSize(folder), -1);
  EXPECT_FALSE(kvplatform::DeleteFileAt(folder));

  const std::string missing = temp / "missing";
  EXPECT_FALSE(kvplatform::CanRead(missing));
  EXPECT_FALSE(kvplatform::PathExists(missing));
  EXPECT_EQ(kvplatform::FileSize(missing), -1);
  EXPECT_FALSE(kvplatform::CanRead(""));

  // "a\0b" must not quietly open "a".
  const std::string real = temp / "a";
  TempFolder::Write(real, "x");
  const std::string withNul = real + std::string(1, '\0') + "b";
  EXPECT_EQ(kvplatform::OpenFile(withNul, "rb"), nullptr);
  EXPECT_FALSE(kvplatform::PathExists(withNul));
  EXPECT_FALSE(kvplatform::DeleteFileAt(withNul));
  EXPECT_TRUE(TempFolder::Exists(real));
}

#ifndef _WIN32
// CanRead answers without opening, so it must agree with OpenFile(path, "rb") on the files a
// project may list that are not plain readable files.
TEST(Platform, CanReadAgreesWithOpeningForReading) {
  TempFolder temp;
  const std::string file = temp / "file.js";
  TempFolder::Write(file, "x");
  const std::string unreadable = temp / "unreadable.js";
  TempFolder::Write(unreadable, "x");
  ASSERT_EQ(chmod(unreadable.c_str(), 0), 0);
  const std::string fifo = temp / "fifo.js";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  const std::string linkToFile = temp / "link.js";
  ASSERT_EQ(symlink(file.c_str(), linkToFile.c_str()), 0);
  const std::string dangling = temp / "dangling.js";
  ASSERT_EQ(symlink((temp / "gone.js").c_str(), dangling.c_str()), 0);
  const std::string linkToFolder = temp / "folder.js";
  ASSERT_EQ(symlink(temp.Path().c_str(), linkToFolder.c_str()), 0);

  // A privileged process reads whatever the mode says.
  const bool modeBinds = geteuid() != 0;
  const struct {
    std::string path;
    bool readable;
  } cases[] = {{file, true},         {unreadable, !modeBinds}, {fifo, false},
               {linkToFile, true},   {dangling, false},        {linkToFolder, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(kvplatform::CanRead(c.path), c.readable) << c.path;
    kvplatform::UniqueFile opened(kvplatform::OpenFile(c.path, "rb"));
    EXPECT_EQ(opened != nullptr, c.readable) << c.path;
  }
}
#endif

TEST(Platform, CopyReplacesTargetButNeverCopiesAFileOntoItself) {
  TempFolder temp;
  const std::string source = temp / "source.js";
  const std::string target = temp / "target.js";
  TempFolder::Write(source, "new contents");
  TempFolder::Write(target, "old, and longer than the new contents");
  ASSERT_TRUE(kvplatform::CopyFileOverwrite(source, target));
  EXPECT_EQ(TempFolder::Read(target), "new contents");
  EXPECT_EQ(TempFolder::Read(source), "new contents");

  EXPECT_FALSE(kvplatform::CopyFileOverwrite(source, source));
  EXPECT_EQ(TempFolder::Read(source), "new contents");

  EXPECT_FALSE(kvplatform::CopyFileOverwrite(temp / "missing", target));
  EXPECT_EQ(TempFolder::Read(target), "new contents");
  EXPECT_FALSE(kvplatform::CopyFileOverwrite(source, temp / "no folder" + "/x.js"));
}

TEST(Platform, MoveFailsWhenTargetExistsAndDeleteRemoves) {
  TempFolder temp;
  const std::string a = temp / "a.win";
  const std::string b = temp / "b.win";
  const std::string c = temp / "c.win";
  TempFolder::Write(a, "A");
  TempFolder::Write(b, "B");
  EXPECT_FALSE(kvplatform::MoveFileTo(a, b));
  EXPECT_EQ(TempFolder::Read(a), "A");
  EXPECT_EQ(TempFolder::Read(b), "B");

  ASSERT_TRUE(kvplatform::MoveFileTo(a, c));
  EXPECT_FALSE(TempFolder::Exists(a));
  EXPECT_EQ(TempFolder::Read(c), "A");
  EXPECT_FALSE(kvplatform::MoveFileTo(a, temp / "d.win"));

  EXPECT_TRUE(kvplatform::DeleteFileAt(c));
  EXPECT_FALSE(TempFolder::Exists(c));
  EXPECT_FALSE(kvplatform::DeleteFileAt(c));
}

TEST(Platform, KnowsItsProcessAndExecutable) {
  EXPECT_NE(kvplatform::CurrentProcessId(), 0u);
  const std::string exe = kvplatform::ExecutablePath();
  EXPECT_TRUE(kvplatform::CanRead(exe)) << exe;
  EXPECT_GT(kvplatform::FileSize(exe), 0);
}

#ifdef _WIN32
TEST(Platform, FindsTheDocumentsFolder) {
  const std::string documents = kvplatform::DocumentsFolder();
  ASSERT_FALSE(documents.empty());
  EXPECT_NE(documents.back(), '\\');
}
#else
TEST(Platform, DocumentsFolderFollowsXdgThenHome) {
  const char* savedDocuments = std::getenv("XDG_DOCUMENTS_DIR");
  const std::string documents = savedDocuments ? savedDocuments : "";
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";

  setenv("XDG_DOCUMENTS_DIR", "/data/docs/", 1);
  EXPECT_EQ(kvplatform::DocumentsFolder(), "/data/docs");
  unsetenv("XDG_DOCUMENTS_DIR");
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(kvplatform::DocumentsFolder(), "/home/someone/Documents");

  setenv("HOME", home.c_str(), 1);
  if (savedDocuments != nullptr) setenv("XDG_DOCUMENTS_DIR", documents.c_str(), 1);
}
#endif
