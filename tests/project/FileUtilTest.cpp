#include "project/FileUtil.h"

#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "tests/common/TempFolder.h"

using kvtest::TempFolder;

TEST(FileUtil, ReadWholeFileAddsTwoZeroBytes) {
  TempFolder temp;
  TempFolder::Write(temp / "three", "abc");
  TempFolder::Write(temp / "empty", "");
  EXPECT_EQ(ReadWholeFile(temp / "three"), std::string("abc\0\0", 5));
  EXPECT_EQ(ReadWholeFile(temp / "empty"), "");
  EXPECT_EQ(ReadWholeFile(temp / "missing"), "");
  EXPECT_EQ(ReadWholeFile(temp.Path()), "");
}

TEST(FileUtil, WriteTextFileStopsAtTheFirstZeroByte) {
  TempFolder temp;
  const std::string path = temp / "\xC3\xBC.js";
  TempFolder::Write(path, "previous, longer contents");
  ASSERT_TRUE(WriteTextFile(path, std::string("ab\0cd", 5)));
  EXPECT_EQ(TempFolder::Read(path), "ab");
  // What ReadWholeFile returns can be written back unchanged.
  ASSERT_TRUE(WriteTextFile(path, ReadWholeFile(path)));
  EXPECT_EQ(TempFolder::Read(path), "ab");
  EXPECT_FALSE(WriteTextFile(temp / "missing" + "/x.js", "x"));
}

TEST(FileUtil, WriteU32IsLittleEndian) {
  TempFolder temp;
  const std::string path = temp / "u32";
  FILE* file = kvplatform::OpenFile(path, "wb");
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(WriteU32(0x12345678u, file));
  EXPECT_TRUE(WriteU32(0xFFFFFFFEu, file));
  fclose(file);
  EXPECT_EQ(TempFolder::Read(path), "\x78\x56\x34\x12\xFE\xFF\xFF\xFF");
}
