// Appended images as objdump and pefile see them: both must find every old section where
// it was (or moved to) and the new section with the payload as its data.
#include "build/ExeFile.h"

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "tests/build/ExternalReaders.h"
#include "tests/build/PeFixture.h"
#include "tests/common/TempFolder.h"

using kvtest::PeFixture;
using kvtest::TempFolder;

namespace {

std::string Payload(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 13 + 1);
  return bytes;
}

struct Layout {
  const char* name;
  std::function<PeFixture()> make;
  std::size_t payloadSize;
};

void PrintTo(const Layout& layout, std::ostream* out) { *out << layout.name; }

const Layout kLayouts[] = {
    {"Pe32PlusRoomForTheHeader", [] { return PeFixture::Contiguous(false, 7); }, 1000},
    {"Pe32RoomForTheHeader", [] { return PeFixture::Contiguous(true, 7); }, 1000},
    {"Pe32PlusRawDataMoved",
     [] {
       PeFixture f = PeFixture::Contiguous(false, 15);
       f.lfanew = 0x90;
       return f;
     },
     0x1234},
    {"Pe32RawDataMovedWithSymbolTable",
     [] {
       PeFixture f = PeFixture::Contiguous(true, 15);
       f.lfanew = 0xA0;
       f.trailer = std::string(0x52, 's');
       f.pointerToSymbolTable = f.RawEnd();
       return f;
     },
     77},
};

class CrossCheck : public testing::TestWithParam<Layout> {
protected:
  void SetUp() override {
    const PeFixture fixture = GetParam().make();
    payload = Payload(GetParam().payloadSize);
    TempFolder::Write(input, fixture.Bytes());
    TempFolder::Write(temp / "payload.bin", payload);
    KVExeFile image;
    ASSERT_TRUE(image.Read(input));
    ASSERT_TRUE(image.AppendSection(output, temp / "payload.bin"));
    written = kvtest::ParsePe(TempFolder::Read(output));
    ASSERT_EQ(written.sections.size(), fixture.sections.size() + 1);
  }

  TempFolder temp;
  const std::string input = temp / "in.exe";
  const std::string output = temp / "out.exe";
  std::string payload;
  kvtest::ParsedPe written;
};

TEST_P(CrossCheck, Objdump) {
  const auto before = kvtest::ObjdumpSections(input);
  const auto after = kvtest::ObjdumpSections(output);
  if (!before || !after) GTEST_SKIP() << "x86_64-w64-mingw32-objdump is not installed";
  ASSERT_EQ(after->size(), before->size() + 1);
  const std::uint64_t imageBase = before->front().virtualAddress - written.sections.front().virtualAddress;
  for (std::size_t i = 0; i < after->size(); ++i) {
    const auto& seen = (*after)[i];
    const auto& header = written.sections[i];
    SCOPED_TRACE(seen.name);
    EXPECT_EQ(seen.name, i < before->size() ? (*before)[i].name : "snapshot");
    EXPECT_EQ(seen.virtualAddress, imageBase + header.virtualAddress);
    EXPECT_EQ(seen.virtualSize, header.virtualSize);
    EXPECT_EQ(seen.pointerToRawData, header.pointerToRawData);
  }
}

TEST_P(CrossCheck, Pefile) {
  const auto before = kvtest::ReadWithPefile(input);
  const auto after = kvtest::ReadWithPefile(output);
  if (!before || !after) GTEST_SKIP() << "python3 with pefile is not installed";
  ASSERT_EQ(after->sections.size(), written.sections.size());
  for (std::size_t i = 0; i < after->sections.size(); ++i) {
    const auto& seen = after->sections[i];
    const auto& header = written.sections[i];
    SCOPED_TRACE(seen.name);
    EXPECT_EQ(seen.virtualAddress, header.virtualAddress);
    EXPECT_EQ(seen.pointerToRawData, header.pointerToRawData);
    EXPECT_EQ(seen.sizeOfRawData, header.sizeOfRawData);
  }
  const auto& added = after->sections.back();
  EXPECT_EQ(added.name, "snapshot");
  EXPECT_EQ(added.characteristics, KVExeFile::kDiscardable);
  EXPECT_EQ(after->lastSectionData, payload);
  EXPECT_EQ(after->sizeOfImage, written.sizeOfImage);
  // Appending must not give pefile anything new to complain about.
  for (const std::string& warning : after->warnings) {
    EXPECT_NE(std::find(before->warnings.begin(), before->warnings.end(), warning), before->warnings.end())
        << warning;
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, CrossCheck, testing::ValuesIn(kLayouts),
                         [](const testing::TestParamInfo<Layout>& info) { return info.param.name; });

}  // namespace
