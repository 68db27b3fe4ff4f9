#include "build/ExeFile.h"

#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "tests/build/PeFixture.h"
#include "tests/common/TempFolder.h"

using kvtest::PeFixture;
using kvtest::TempFolder;

namespace {

std::string Name(const KVExeFile::SectionHeader& section) {
  const std::string raw(section.name.begin(), section.name.end());
  return raw.substr(0, raw.find('\0'));
}

class ExeFileRead : public testing::TestWithParam<bool> {};

TEST_P(ExeFileRead, FindsHeadersAndSectionTable) {
  TempFolder temp;
  PeFixture fixture = PeFixture::Contiguous(GetParam(), 3);
  fixture.sections[1].name = ".rdata";
  const std::string path = temp / "image.exe";
  TempFolder::Write(path, fixture.Bytes());

  KVExeFile image;
  ASSERT_TRUE(image.Read(path));
  EXPECT_EQ(image.Path(), path);
  EXPECT_EQ(image.Is32(), GetParam());
  EXPECT_EQ(image.SectionAlignment(), 0x1000u);
  EXPECT_EQ(image.FileAlignment(), 0x200u);
  EXPECT_EQ(image.SizeOfImage(), 0x4000u);
  EXPECT_EQ(image.HeadersEnd(), fixture.SectionTableEnd());
  ASSERT_EQ(image.Sections().size(), 3u);
  const KVExeFile::SectionHeader& middle = image.Sections()[1];
  EXPECT_EQ(Name(middle), ".rdata");
  EXPECT_EQ(middle.virtualAddress, 0x2000u);
  EXPECT_EQ(middle.virtualSize, 0x3D0u);
  EXPECT_EQ(middle.sizeOfRawData, 0x400u);
  EXPECT_EQ(middle.pointerToRawData, 0x600u);
  EXPECT_EQ(middle.characteristics, 0x40000040u);
  EXPECT_EQ(image.LastSectionOffset(), 0xA00u);
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, ExeFileRead, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Pe32" : "Pe32Plus"; });

TEST(ExeFileRead, ImageWithoutSectionsHasNoLastSection) {
  TempFolder temp;
  TempFolder::Write(temp / "empty.exe", PeFixture::Contiguous(false, 0).Bytes());
  KVExeFile image;
  ASSERT_TRUE(image.Read(temp / "empty.exe"));
  EXPECT_TRUE(image.Sections().empty());
  EXPECT_EQ(image.LastSectionOffset(), 0u);
}

TEST(ExeFileRead, MissingFileKeepsThePreviousPath) {
  TempFolder temp;
  TempFolder::Write(temp / "a.exe", PeFixture::Contiguous(false, 2).Bytes());
  KVExeFile image;
  ASSERT_TRUE(image.Read(temp / "a.exe"));
  EXPECT_FALSE(image.Read(temp / "missing.exe"));
  EXPECT_EQ(image.Path(), temp / "a.exe");
  EXPECT_TRUE(image.Sections().empty());
}

// A failed read must not leave the previous image behind under the new path: the pack
// lookup and the appender would otherwise work on headers of another file.
TEST(ExeFileRead, FailureForgetsThePreviousImage) {
  TempFolder temp;
  TempFolder::Write(temp / "a.exe", PeFixture::Contiguous(false, 2).Bytes());
  TempFolder::Write(temp / "b.exe", "MZ but nothing else");
  TempFolder::Write(temp / "payload", "data");
  KVExeFile image;
  ASSERT_TRUE(image.Read(temp / "a.exe"));
  EXPECT_FALSE(image.Read(temp / "b.exe"));
  EXPECT_EQ(image.Path(), temp / "b.exe");
  EXPECT_TRUE(image.Sections().empty());
  EXPECT_EQ(image.LastSectionOffset(), 0u);
  EXPECT_FALSE(image.AppendSection(temp / "out.exe", temp / "payload"));
  EXPECT_FALSE(TempFolder::Exists(temp / "out.exe"));
}

struct Damage {
  const char* name;
  std::function<void(std::string&)> apply;
};

void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.name; }

class ExeFileRejects : public testing::TestWithParam<Damage> {};

// e_lfanew 0x80, so the NT headers start at 0x80, the optional header at 0x98, the
// directories at 0x108 and the section table at 0x188 (PE32+).
const Damage kDamages[] = {
    {"Empty", [](std::string& b) { b.clear(); }},
    {"NotMz", [](std::string& b) { b[0] = 'Z'; b[1] = 'M'; }},
    {"MachO64", [](std::string& b) { b.replace(0, 4, "\xCF\xFA\xED\xFE"); }},
    {"ShorterThanDosHeader", [](std::string& b) { b.resize(63); }},
    {"LfanewPastTheEnd", [](std::string& b) { kvtest::SetLeU32(b, 60, 0xFFFFFFF0); }},
    {"LfanewJustPastTheEnd", [](std::string& b) { kvtest::SetLeU32(b, 60, static_cast<std::uint32_t>(b.size())); }},
    {"NtHeadersCut", [](std::string& b) { kvtest::SetLeU32(b, 60, static_cast<std::uint32_t>(b.size() - 20)); }},
    {"SignatureNotPe", [](std::string& b) { b[0x80 + 1] = 'X'; }},
    {"SignatureWithoutZeros", [](std::string& b) { b[0x80 + 3] = 1; }},
    {"OptionalMagicRom", [](std::string& b) { kvtest::SetLeU16(b, 0x98, 0x107); }},
    {"OptionalMagicZero", [](std::string& b) { kvtest::SetLeU16(b, 0x98, 0); }},
    {"CutInOptionalHeader", [](std::string& b) { b.resize(0x98 + 100); }},
    {"CutInDirectories", [](std::string& b) { b.resize(0x108 + 8 * 16 - 1); }},
    {"CutInSectionTable", [](std::string& b) { b.resize(0x188 + 40 * 2 - 1); }},
    {"DirectoryCountHuge", [](std::string& b) { kvtest::SetLeU32(b, 0x98 + 108, 0xFFFFFFFF); }},
    {"DirectoryCountPastTheEnd",
     [](std::string& b) { kvtest::SetLeU32(b, 0x98 + 108, static_cast<std::uint32_t>((b.size() - 0x108) / 8 + 1)); }},
    {"SectionCountHuge", [](std::string& b) { kvtest::SetLeU16(b, 0x80 + 6, 0xFFFF); }},
    {"SectionCountPastTheEnd",
     [](std::string& b) { kvtest::SetLeU16(b, 0x80 + 6, static_cast<std::uint16_t>((b.size() - 0x188) / 40 + 1)); }},
    {"OptionalHeaderSizeDisagrees", [](std::string& b) { kvtest::SetLeU16(b, 0x80 + 20, 0xE0); }},
    {"FewerDirectoriesThanOptionalHeaderSize", [](std::string& b) { kvtest::SetLeU32(b, 0x98 + 108, 10); }},
};

TEST_P(ExeFileRejects, DamagedImage) {
  TempFolder temp;
  std::string bytes = PeFixture::Contiguous(false, 2).Bytes();
  GetParam().apply(bytes);
  const std::string path = temp / "damaged.exe";
  TempFolder::Write(path, bytes);

  KVExeFile image;
  EXPECT_FALSE(image.Read(path));
  EXPECT_EQ(image.Path(), path);
  EXPECT_TRUE(image.Sections().empty());
  EXPECT_EQ(TempFolder::Read(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExeFileRejects, testing::ValuesIn(kDamages),
                         [](const testing::TestParamInfo<Damage>& info) { return info.param.name; });

TEST(ExeFileRead, RejectsTruncatedPe32) {
  TempFolder temp;
  const std::string bytes = PeFixture::Contiguous(true, 2).Bytes();
  // The PE32 section table sits 16 bytes earlier than the PE32+ one.
  const std::string path = temp / "cut.exe";
  TempFolder::Write(path, bytes.substr(0, 0x178 + 40 * 2 - 1));
  KVExeFile image;
  EXPECT_FALSE(image.Read(path));
  TempFolder::Write(path, bytes.substr(0, 0x178 + 40 * 2));
  EXPECT_TRUE(image.Read(path));
}

}  // namespace
