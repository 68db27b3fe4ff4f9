// Extraction from the runtime pack in the last section of an executable built in memory.
#include "build/RuntimePack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ByteIO.h"
#include "tests/build/PackFixture.h"
#include "tests/build/PeFixture.h"
#include "tests/common/TempFolder.h"

namespace {

using kvtest::Pack;
using kvtest::TempFolder;
using kvtest::Xz;

class RuntimePackTest : public ::testing::Test {
protected:
  void SetUp() override {
    runtimes = {"ICON-BYTES", std::string(300000, 'W') + "64", "PE32 runtime", "Mach-O runtime"};
    writeIde(Pack({runtimes[0], Xz(runtimes[1]), Xz(runtimes[2]), Xz(runtimes[3])}));
  }

  void writeIde(const std::string& pack, const char* lastSection = "kvrsrc") {
    TempFolder::Write(ide, kvtest::IdeWithPack(pack, lastSection));
  }
  std::string extracted(std::int32_t target) {
    if (!kvbuild::ExtractRuntime(ide, target, out)) return "<failed>";
    return TempFolder::Read(out);
  }

  TempFolder folder;
  std::string ide = folder / "KelVoxStudio.exe";
  std::string out = folder / "App.exe";
  std::vector<std::string> runtimes;
};

TEST_F(RuntimePackTest, EachTargetReadsItsOwnSlot) {
  EXPECT_EQ(extracted(1), runtimes[1]);
  EXPECT_EQ(extracted(3), runtimes[2]);
  EXPECT_EQ(extracted(2), runtimes[3]);
  EXPECT_EQ(extracted(0), runtimes[3]);   // unknown targets take the macOS runtime
  EXPECT_EQ(extracted(42), runtimes[3]);
  EXPECT_FALSE(TempFolder::Exists(out + ".kvs_"));
}

TEST_F(RuntimePackTest, ExtractingAgainReplacesTheDestination) {
  TempFolder::Write(out, std::string(1000000, 'x'));
  EXPECT_EQ(extracted(3), runtimes[2]);
  EXPECT_EQ(extracted(1), runtimes[1]);
}

// Every file in the folder, to show that no temporary file stays behind.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder))) {
    names.push_back(entry.path().filename().u8string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(RuntimePackTest, DamagedOrTruncatedStreamsKeepThePreviousBuild) {
  std::string damaged = Xz(runtimes[1]);
  damaged[damaged.size() / 2] ^= 0x55;
  std::string truncated = Xz(runtimes[2]);
  truncated.resize(truncated.size() - 9);
  const std::string notXz = "plain bytes, no stream header";
  writeIde(Pack({runtimes[0], damaged, truncated, notXz}));
  for (std::int32_t target : {1, 3, 2}) {
    TempFolder::Write(out, "previous build");
    kvplatform::FileError error;
    EXPECT_FALSE(kvbuild::ExtractRuntime(ide, target, out, &error)) << target;
    EXPECT_FALSE(error.reason.empty()) << target;
    EXPECT_EQ(TempFolder::Read(out), "previous build") << target;
    EXPECT_EQ(FilesIn(folder / ""), (std::vector<std::string>{"App.exe", "KelVoxStudio.exe"})) << target;
  }
}

TEST_F(RuntimePackTest, SlotsPointingPastTheFileFail) {
  std::string pack = Pack({runtimes[0], Xz(runtimes[1]), Xz(runtimes[2]), Xz(runtimes[3])});
  pack[8] = '\xF0';  // entry 1 offset far beyond the end
  pack[11] = '\x7F';
  writeIde(pack);
  EXPECT_FALSE(kvbuild::ExtractRuntime(ide, 1, out));
  EXPECT_FALSE(TempFolder::Exists(out + ".kvs_"));
  EXPECT_EQ(extracted(3), runtimes[2]);
}

// The pack of a large IDE lies beyond what a 32-bit seek reaches (long is 32 bits on
// Windows). The file is sparse: the gap takes no disk space.
TEST_F(RuntimePackTest, APackBeyondTwoGibIsRead) {
  const std::string pack = Pack({runtimes[0], Xz(runtimes[1]), Xz(runtimes[2]), Xz(runtimes[3])});
  std::string image = kvtest::IdeWithPack(pack);
  const std::size_t pointerAt = kvtest::PeFixture::Contiguous(false, 3).SectionTableAt() + 2 * 40 + 20;
  const std::uint32_t packStart = kvtest::LeU32(image, pointerAt);
  const std::uint64_t farStart = 0x80000000ull + packStart;
  kvtest::SetLeU32(image, pointerAt, static_cast<std::uint32_t>(farStart));
  TempFolder::Write(ide, image.substr(0, packStart));
  {
    kvplatform::UniqueFile file(kvplatform::OpenFile(ide, "r+b"));
    ASSERT_TRUE(file);
    ASSERT_TRUE(kvplatform::SeekFile(file.get(), farStart));
    ASSERT_EQ(std::fwrite(pack.data(), 1, pack.size(), file.get()), pack.size());
  }
  EXPECT_EQ(extracted(3), runtimes[2]);
  EXPECT_TRUE(kvbuild::CopyDefaultIcon(ide, folder / "Demo.ico"));
  EXPECT_EQ(TempFolder::Read(folder / "Demo.ico"), runtimes[0]);
}

TEST_F(RuntimePackTest, NoExecutableOrNoImageFails) {
  EXPECT_FALSE(kvbuild::ExtractRuntime(folder / "missing.exe", 1, out));
  TempFolder::Write(ide, "MZ but nothing else");
  EXPECT_FALSE(kvbuild::ExtractRuntime(ide, 1, out));
  EXPECT_FALSE(kvbuild::CopyDefaultIcon(ide, out));
  EXPECT_FALSE(TempFolder::Exists(out));
}

TEST_F(RuntimePackTest, DefaultIconIsCopiedAsItIs) {
  ASSERT_TRUE(kvbuild::CopyDefaultIcon(ide, folder / "Demo.ico"));
  EXPECT_EQ(TempFolder::Read(folder / "Demo.ico"), runtimes[0]);
}

TEST_F(RuntimePackTest, AnExecutableWithoutThePackSectionHasNoPack) {
  for (const char* last : {".reloc", "kvrsrc2", "kvrsr"}) {
    writeIde(Pack({runtimes[0], Xz(runtimes[1]), Xz(runtimes[2]), Xz(runtimes[3])}), last);
    EXPECT_FALSE(kvbuild::CopyDefaultIcon(ide, out)) << last;
    EXPECT_FALSE(kvbuild::ExtractRuntime(ide, 1, out)) << last;
    EXPECT_FALSE(TempFolder::Exists(out)) << last;
  }
}

TEST(CopyBytes, CopiesUpToTheCountAndStopsAtTheEnd) {
  TempFolder folder;
  TempFolder::Write(folder / "src", "0123456789");
  FILE* source = kvplatform::OpenFile(folder / "src", "rb");
  ASSERT_NE(source, nullptr);
  EXPECT_TRUE(kvbuild::CopyBytes(source, folder / "none", 0));
  EXPECT_EQ(TempFolder::Read(folder / "none"), "");
  EXPECT_TRUE(kvbuild::CopyBytes(source, folder / "four", 4));
  EXPECT_EQ(TempFolder::Read(folder / "four"), "0123");
  EXPECT_FALSE(kvbuild::CopyBytes(source, folder / "missing-folder" + kvplatform::kPathSeparator + "x", 1));
  std::fclose(source);
}

// A source that ends before count bytes is a damaged pack entry, not a shorter file: the
// destination keeps what it held, and no partial copy is left.
TEST(CopyBytes, ASourceEndingEarlyFailsAndKeepsTheDestination) {
  TempFolder folder;
  TempFolder::Write(folder / "src", "0123456789");
  TempFolder::Write(folder / "dest", "old icon");
  kvplatform::UniqueFile source(kvplatform::OpenFile(folder / "src", "rb"));
  ASSERT_TRUE(source);
  ASSERT_TRUE(kvplatform::SeekFile(source.get(), 4));
  kvplatform::FileError error;
  EXPECT_FALSE(kvbuild::CopyBytes(source.get(), folder / "dest", 100000, &error));
  EXPECT_FALSE(error.reason.empty());
  EXPECT_EQ(TempFolder::Read(folder / "dest"), "old icon");
  EXPECT_EQ(FilesIn(folder / ""), (std::vector<std::string>{"dest", "src"}));
}

}  // namespace
