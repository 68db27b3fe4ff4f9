#include "build/ExeFile.h"

#include <ctime>
#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "tests/build/PeFixture.h"
#include "tests/common/TempFolder.h"

using kvtest::ParsedPe;
using kvtest::PeFixture;
using kvtest::TempFolder;

namespace {

std::string Payload(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
  return bytes;
}

// The input image, the appended output and both parsed independently of KVExeFile.
struct Appended {
  std::string input;
  std::string output;
  ParsedPe before;
  ParsedPe after;
};

Appended Append(const TempFolder& temp, const std::string& inputBytes, const std::string& payload,
                const std::string& name = "snapshot", std::uint32_t characteristics = KVExeFile::kDiscardable) {
  Appended result;
  result.input = inputBytes;
  result.before = kvtest::ParsePe(inputBytes);
  TempFolder::Write(temp / "in.exe", inputBytes);
  TempFolder::Write(temp / "payload.bin", payload);
  KVExeFile image;
  EXPECT_TRUE(image.Read(temp / "in.exe"));
  EXPECT_TRUE(name == "snapshot" ? image.AppendSection(temp / "out.exe", temp / "payload.bin")
                                 : image.AppendSection(temp / "out.exe", temp / "payload.bin", name, characteristics));
  result.output = TempFolder::Read(temp / "out.exe");
  if (!result.output.empty()) result.after = kvtest::ParsePe(result.output);
  return result;
}

std::string Slice(const std::string& bytes, std::uint32_t at, std::uint32_t size) { return bytes.substr(at, size); }

// Every old section's raw data is in the output where the output's header says it is.
void ExpectSectionDataKept(const Appended& a) {
  ASSERT_EQ(a.after.sections.size(), a.before.sections.size() + 1);
  for (std::size_t i = 0; i < a.before.sections.size(); ++i) {
    const auto& old = a.before.sections[i];
    const auto& now = a.after.sections[i];
    SCOPED_TRACE(old.name);
    EXPECT_EQ(now.sizeOfRawData, old.sizeOfRawData);
    EXPECT_EQ(Slice(a.output, now.pointerToRawData, now.sizeOfRawData),
              Slice(a.input, old.pointerToRawData, old.sizeOfRawData));
  }
}

// The new section holds the payload, zero padded, and the file ends on a section boundary.
void ExpectPayloadSection(const Appended& a, const std::string& payload, std::uint32_t sectionAlignment = 0x1000) {
  const auto& added = a.after.sections.back();
  EXPECT_EQ(added.virtualSize, payload.size());
  EXPECT_EQ(Slice(a.output, added.pointerToRawData, static_cast<std::uint32_t>(payload.size())), payload);
  EXPECT_EQ(a.output.find_first_not_of('\0', added.pointerToRawData + payload.size()), std::string::npos);
  EXPECT_EQ(a.output.size() % sectionAlignment, 0u);
  EXPECT_GE(a.output.size(), std::size_t{added.pointerToRawData} + added.sizeOfRawData);
}

class AppendSection : public testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, AppendSection, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Pe32" : "Pe32Plus"; });

// Seven sections, table ending at 0x2A0 (0x290 for PE32), first section at 0x400: there is
// room for one more header, so nothing moves.
TEST_P(AppendSection, KeepsOffsetsWhenTheNewHeaderFits) {
  TempFolder temp;
  const PeFixture fixture = PeFixture::Contiguous(GetParam(), 7);
  ASSERT_EQ(fixture.SectionTableEnd(), GetParam() ? 0x290u : 0x2A0u);
  const std::string payload = Payload(1000);
  const auto before = static_cast<std::uint32_t>(std::time(nullptr));
  const Appended a = Append(temp, fixture.Bytes(), payload);
  const auto after = static_cast<std::uint32_t>(std::time(nullptr));
  ASSERT_EQ(a.after.sections.size(), 8u);

  for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(a.after.sections[i].raw, a.before.sections[i].raw) << i;
  const auto& added = a.after.sections[7];
  EXPECT_EQ(added.raw.substr(0, 8), "snapshot");
  EXPECT_EQ(added.virtualSize, 1000u);
  EXPECT_EQ(added.sizeOfRawData, 0x400u);
  EXPECT_EQ(added.virtualAddress, 0x8000u);  // after sect6 at 0x7000 + 0x1D0
  EXPECT_EQ(added.pointerToRawData, fixture.RawEnd());
  EXPECT_EQ(added.characteristics, 0x02000000u);
  EXPECT_EQ(added.raw.substr(24, 12), std::string(12, '\0'));
  EXPECT_EQ(a.after.sizeOfImage, 0x9000u);
  EXPECT_EQ(a.after.sizeOfHeaders, 0x400u);
  EXPECT_GE(a.after.timeDateStamp, before);
  EXPECT_LE(a.after.timeDateStamp, after);

  // DOS stub, data directories and raw data are copied as they were.
  EXPECT_EQ(a.output.substr(0, 0x80), a.input.substr(0, 0x80));
  const std::size_t directories = a.before.sectionTableAt - 16 * 8;
  EXPECT_EQ(a.output.substr(directories, 16 * 8), a.input.substr(directories, 16 * 8));
  EXPECT_EQ(a.output.substr(0x400, fixture.RawEnd() - 0x400), a.input.substr(0x400));
  EXPECT_EQ(a.output.find_first_not_of('\0', fixture.SectionTableEnd() + 40), 0x400u);
  ExpectPayloadSection(a, payload);
}

// Fifteen sections with the table ending at 0x3F0 and the first section at 0x400: one more
// header passes the first section's data, so all raw data moves down to 0x600.
TEST_P(AppendSection, MovesRawDataWhenTheNewHeaderWouldOverrunIt) {
  TempFolder temp;
  PeFixture fixture = PeFixture::Contiguous(GetParam(), 15);
  fixture.lfanew = GetParam() ? 0xA0 : 0x90;
  ASSERT_EQ(fixture.SectionTableEnd(), 0x3F0u);
  const std::string payload = Payload(0x1234);
  const Appended a = Append(temp, fixture.Bytes(), payload);
  ASSERT_EQ(a.after.sections.size(), 16u);

  std::uint32_t expected = 0x600;
  for (std::size_t i = 0; i < 15; ++i) {
    EXPECT_EQ(a.after.sections[i].pointerToRawData, expected) << i;
    expected += a.before.sections[i].sizeOfRawData;
  }
  ExpectSectionDataKept(a);
  EXPECT_EQ(a.after.sections[15].pointerToRawData, expected);
  EXPECT_EQ(a.after.sections[15].sizeOfRawData, 0x1400u);
  // The headers now reach 0x418; the loader must be told they are longer.
  EXPECT_EQ(a.after.sizeOfHeaders, 0x600u);
  EXPECT_EQ(a.output.substr(0, fixture.lfanew), a.input.substr(0, fixture.lfanew));
  ExpectPayloadSection(a, payload);
}

// An unstripped image keeps its symbol table after the last section. The new section goes
// after it, and the symbol table stays where its pointer says.
TEST_P(AppendSection, KeepsDataAfterTheLastSection) {
  TempFolder temp;
  PeFixture fixture = PeFixture::Contiguous(GetParam(), 3);
  fixture.trailer = std::string(0x123, 'S');
  fixture.pointerToSymbolTable = fixture.RawEnd();
  const std::string payload = Payload(300);
  const Appended a = Append(temp, fixture.Bytes(), payload);
  ASSERT_EQ(a.after.sections.size(), 4u);

  ExpectSectionDataKept(a);
  EXPECT_EQ(a.after.pointerToSymbolTable, fixture.RawEnd());
  EXPECT_EQ(a.output.substr(fixture.RawEnd(), 0x123), fixture.trailer);
  EXPECT_EQ(a.after.sections[3].pointerToRawData, fixture.RawEnd() + 0x200);
  ExpectPayloadSection(a, payload);
}

TEST_P(AppendSection, SymbolTableFollowsMovedData) {
  TempFolder temp;
  PeFixture fixture = PeFixture::Contiguous(GetParam(), 15);
  fixture.lfanew = GetParam() ? 0xA0 : 0x90;
  fixture.trailer = std::string(0x40, 'S');
  fixture.pointerToSymbolTable = fixture.RawEnd();
  const Appended a = Append(temp, fixture.Bytes(), Payload(16));
  ASSERT_EQ(a.after.sections.size(), 16u);

  EXPECT_EQ(a.after.pointerToSymbolTable, fixture.RawEnd() + 0x200);
  EXPECT_EQ(a.output.substr(a.after.pointerToSymbolTable, 0x40), fixture.trailer);
  ExpectSectionDataKept(a);
  ExpectPayloadSection(a, Payload(16));
}

std::size_t DirectoryAt(const PeFixture& fixture, int index) {
  return fixture.lfanew + 24 + fixture.OptionalHeaderSize() + 8 * static_cast<std::size_t>(index);
}

// A signed image with debug data: when the raw data moves down, the certificate table (a
// file offset) and the debug entry's PointerToRawData move with it.
TEST_P(AppendSection, CertificatesAndDebugDataFollowMovedData) {
  TempFolder temp;
  PeFixture fixture = PeFixture::Contiguous(GetParam(), 15);
  fixture.lfanew = GetParam() ? 0xA0 : 0x90;
  fixture.trailer = std::string(0x40, 'C');
  std::string bytes = fixture.Bytes();
  const ParsedPe parsed = kvtest::ParsePe(bytes);
  const std::uint32_t debugAt = parsed.sections[0].pointerToRawData + 0x10;
  const std::uint32_t debugData = parsed.sections[1].pointerToRawData + 8;
  kvtest::SetLeU32(bytes, DirectoryAt(fixture, 4), fixture.RawEnd());
  kvtest::SetLeU32(bytes, DirectoryAt(fixture, 4) + 4, 0x40);
  kvtest::SetLeU32(bytes, DirectoryAt(fixture, 6), parsed.sections[0].virtualAddress + 0x10);
  kvtest::SetLeU32(bytes, DirectoryAt(fixture, 6) + 4, 28);
  kvtest::SetLeU32(bytes, debugAt + 20, parsed.sections[1].virtualAddress + 8);
  kvtest::SetLeU32(bytes, debugAt + 24, debugData);

  const Appended a = Append(temp, bytes, Payload(16));
  ASSERT_EQ(a.after.sections.size(), 16u);
  ASSERT_EQ(a.after.sections[0].pointerToRawData, 0x600u);
  const std::uint32_t certificates = kvtest::LeU32(a.output, DirectoryAt(fixture, 4));
  EXPECT_EQ(certificates, fixture.RawEnd() + 0x200);
  EXPECT_EQ(a.output.substr(certificates, 0x40), fixture.trailer);
  const std::uint32_t movedData = kvtest::LeU32(a.output, debugAt + 0x200 + 24);
  EXPECT_EQ(movedData, debugData + 0x200);
  EXPECT_EQ(a.output.substr(movedData, 0x20), a.input.substr(debugData, 0x20));
  EXPECT_EQ(kvtest::LeU32(a.output, debugAt + 0x200 + 20), parsed.sections[1].virtualAddress + 8);
}

// What the headers hold after the new section header's place (a bound-import table, say)
// stays where it was.
TEST_P(AppendSection, KeepsHeaderBytesBeyondTheNewHeader) {
  TempFolder temp;
  const PeFixture fixture = PeFixture::Contiguous(GetParam(), 3);
  std::string bytes = fixture.Bytes();
  const std::uint32_t boundAt = fixture.SectionTableEnd() + 40;
  bytes.replace(boundAt, 0x20, std::string(0x20, 'B'));
  kvtest::SetLeU32(bytes, DirectoryAt(fixture, 11), boundAt);
  kvtest::SetLeU32(bytes, DirectoryAt(fixture, 11) + 4, 0x20);
  const Appended a = Append(temp, bytes, Payload(16));
  ASSERT_EQ(a.after.sections.size(), 4u);
  EXPECT_EQ(a.output.substr(boundAt, 0x20), std::string(0x20, 'B'));
  ExpectSectionDataKept(a);
}

// Uninitialised data has no raw data and a zero pointer; it takes no part in the copy.
TEST_P(AppendSection, SectionsWithoutRawDataStayEmpty) {
  for (const std::size_t empty : {std::size_t{0}, std::size_t{4}}) {
    SCOPED_TRACE(empty);
    TempFolder temp;
    PeFixture fixture = PeFixture::Contiguous(GetParam(), 15);
    fixture.lfanew = GetParam() ? 0xA0 : 0x90;
    fixture.sections[empty].name = ".bss";
    fixture.sections[empty].sizeOfRawData = 0;
    fixture.LayOutRawData(0x400);
    const Appended a = Append(temp, fixture.Bytes(), Payload(64));
    ASSERT_EQ(a.after.sections.size(), 16u);
    EXPECT_EQ(a.after.sections[empty].pointerToRawData, 0u);
    EXPECT_EQ(a.after.sections[empty == 0 ? 1 : 0].pointerToRawData, 0x600u);
    ExpectSectionDataKept(a);
    ExpectPayloadSection(a, Payload(64));
  }
}

TEST(AppendSectionNames, NameAndCharacteristicsAsGiven) {
  struct Case {
    std::string name;
    std::uint32_t characteristics;
    std::string stored;
  };
  for (const Case& c : {Case{"kvrsrc", 0x02000000, std::string("kvrsrc\0\0", 8)},
                        Case{"eightchr", 0x40000040, "eightchr"}, Case{"", 0, std::string(8, '\0')}}) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    const Appended a = Append(temp, PeFixture::Contiguous(false, 2).Bytes(), Payload(10), c.name, c.characteristics);
    ASSERT_EQ(a.after.sections.size(), 3u);
    EXPECT_EQ(a.after.sections[2].raw.substr(0, 8), c.stored);
    EXPECT_EQ(a.after.sections[2].characteristics, c.characteristics);
  }
}

// The pack tool appends to an executable that may already carry appended sections.
TEST(AppendSectionTwice, SecondSectionFollowsTheFirst) {
  TempFolder temp;
  const Appended first = Append(temp, PeFixture::Contiguous(false, 3).Bytes(), Payload(5000));
  TempFolder::Write(temp / "second.bin", Payload(77));
  KVExeFile image;
  ASSERT_TRUE(image.Read(temp / "out.exe"));
  EXPECT_EQ(image.LastSectionOffset(), first.after.sections.back().pointerToRawData);
  ASSERT_TRUE(image.AppendSection(temp / "twice.exe", temp / "second.bin", "kvrsrc"));

  Appended second{first.output, TempFolder::Read(temp / "twice.exe"), first.after, {}};
  second.after = kvtest::ParsePe(second.output);
  ASSERT_EQ(second.after.sections.size(), 5u);
  ExpectSectionDataKept(second);
  ExpectPayloadSection(second, Payload(77));
  EXPECT_EQ(second.after.sections[4].virtualAddress, 0x6000u);  // 0x4000 + 5000 rounded up
  EXPECT_EQ(second.after.sizeOfImage, 0x7000u);
}

// Images the appender must refuse: writing them would give a broken executable. Nothing is
// written, and the input stays as it was.
struct Refusal {
  const char* name;
  std::function<void(PeFixture&)> shape;
  std::function<void(std::string&)> damage;
};

const Refusal kRefusals[] = {
    {"NoSections", [](PeFixture& f) { f.sections.clear(); }, nullptr},
    {"ZeroFileAlignment", [](PeFixture& f) { f.fileAlignment = 0; }, nullptr},
    {"ZeroSectionAlignment", [](PeFixture& f) { f.sectionAlignment = 0; }, nullptr},
    {"FileAlignmentNotPowerOfTwo", [](PeFixture& f) { f.fileAlignment = 0x300; }, nullptr},
    {"FileAlignmentAboveSectionAlignment", [](PeFixture& f) { f.fileAlignment = 0x2000; }, nullptr},
    {"SectionAlignmentAbove64K", [](PeFixture& f) { f.sectionAlignment = 0x20000; }, nullptr},
    {"RawDataPastTheEnd", nullptr, [](std::string& b) { b.resize(b.size() - 0x100); }},
    {"HeadersWouldReachTheFirstSectionInMemory",
     [](PeFixture& f) {
       f = PeFixture::Contiguous(false, 15);
       f.lfanew = 0x90;
       f.sectionAlignment = 0x200;
       for (auto& s : f.sections) s.virtualAddress = s.pointerToRawData;
     },
     nullptr},
    // The new header's place holds data: a bound-import table, or bytes a directory names.
    {"HeaderPlaceHoldsData", nullptr,
     [](std::string& b) {
       const PeFixture f = PeFixture::Contiguous(false, 3);
       b.replace(f.SectionTableEnd(), 8, "BOUNDIMP");
     }},
    {"DirectoryPointsAtTheHeaderPlace", nullptr,
     [](std::string& b) {
       const PeFixture f = PeFixture::Contiguous(false, 3);
       kvtest::SetLeU32(b, DirectoryAt(f, 11), f.SectionTableEnd() + 8);
       kvtest::SetLeU32(b, DirectoryAt(f, 11) + 4, 4);
     }},
    // Data that moves while its debug entry cannot be found to follow it.
    {"DebugDirectoryOutsideTheSectionsWhenDataMoves",
     [](PeFixture& f) {
       f = PeFixture::Contiguous(false, 15);
       f.lfanew = 0x90;
     },
     [](std::string& b) {
       PeFixture f = PeFixture::Contiguous(false, 15);
       f.lfanew = 0x90;
       kvtest::SetLeU32(b, DirectoryAt(f, 6), 0x7FFF0000);
       kvtest::SetLeU32(b, DirectoryAt(f, 6) + 4, 28);
     }},
    {"AddressSpaceExhausted", [](PeFixture& f) { f.sections.back().virtualAddress = 0xFFFFF000; }, nullptr},
    // NumberOfSections is 16 bits: one more would wrap to zero.
    {"SectionCountAtItsLimit",
     [](PeFixture& f) {
       f.sections.assign(0xFFFF, kvtest::PeFixtureSection{});
       for (std::uint32_t i = 0; i < 0xFFFF; ++i) {
         f.sections[i].virtualAddress = 0x4000000 + 0x1000 * i;
         f.sections[i].virtualSize = 0x10;
       }
     },
     nullptr},
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class AppendSectionRefuses : public testing::TestWithParam<Refusal> {};

TEST_P(AppendSectionRefuses, Image) {
  TempFolder temp;
  PeFixture fixture = PeFixture::Contiguous(false, 3);
  if (GetParam().shape) GetParam().shape(fixture);
  std::string bytes = fixture.Bytes();
  if (GetParam().damage) GetParam().damage(bytes);
  TempFolder::Write(temp / "in.exe", bytes);
  TempFolder::Write(temp / "payload.bin", Payload(100));

  KVExeFile image;
  ASSERT_TRUE(image.Read(temp / "in.exe"));
  EXPECT_FALSE(image.AppendSection(temp / "out.exe", temp / "payload.bin"));
  EXPECT_FALSE(TempFolder::Exists(temp / "out.exe"));
  EXPECT_EQ(TempFolder::Read(temp / "in.exe"), bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, AppendSectionRefuses, testing::ValuesIn(kRefusals),
                         [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

class AppendSectionFails : public testing::Test {
protected:
  void SetUp() override {
    TempFolder::Write(input, bytes);
    TempFolder::Write(payload, Payload(100));
    ASSERT_TRUE(image.Read(input));
  }
  void ExpectNothingWritten() {
    EXPECT_FALSE(TempFolder::Exists(output));
    EXPECT_EQ(TempFolder::Read(input), bytes);
  }

  TempFolder temp;
  const std::string bytes = PeFixture::Contiguous(false, 3).Bytes();
  const std::string input = temp / "in.exe";
  const std::string payload = temp / "payload.bin";
  const std::string output = temp / "out.exe";
  KVExeFile image;
};

TEST_F(AppendSectionFails, WithoutARead) {
  KVExeFile unread;
  EXPECT_FALSE(unread.AppendSection(output, payload));
  ExpectNothingWritten();
}

// A header pointing past the end of the file would be a broken executable.
TEST_F(AppendSectionFails, WhenThePayloadIsMissing) {
  EXPECT_FALSE(image.AppendSection(output, temp / "missing.bin"));
  ExpectNothingWritten();
}

TEST_F(AppendSectionFails, WhenTheInputIsGone) {
  ASSERT_TRUE(kvplatform::DeleteFileAt(input));
  EXPECT_FALSE(image.AppendSection(output, payload));
  EXPECT_FALSE(TempFolder::Exists(output));
}

// Opening the output would truncate the input before it is copied.
TEST_F(AppendSectionFails, OntoItsOwnInput) {
  EXPECT_FALSE(image.AppendSection(input, payload));
  EXPECT_EQ(TempFolder::Read(input), bytes);
}

TEST_F(AppendSectionFails, WhenTheOutputCannotBeCreated) {
  EXPECT_FALSE(image.AppendSection(temp / "no folder" + kvplatform::kPathSeparator + "out.exe", payload));
  EXPECT_EQ(TempFolder::Read(input), bytes);
}

TEST_F(AppendSectionFails, WithANameLongerThanEightBytes) {
  EXPECT_FALSE(image.AppendSection(output, payload, "snapshots"));
  ExpectNothingWritten();
}

}  // namespace
