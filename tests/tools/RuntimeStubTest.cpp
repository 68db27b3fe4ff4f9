// The runtime stub's portable core: finding the snapshot section in its own image, reading
// the payload tables, checking every entry and the report lines it prints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Crc32.h"
#include "tests/tools/PayloadFixture.h"
#include "tests/tools/PeImage.h"
#include "tools/runtime-stub/PayloadReader.h"
#include "tools/runtime-stub/PeSections.h"
#include "tools/runtime-stub/StubReport.h"

using kvstub::PayloadTable;
using kvtest::PeImage;
using kvtest::PeSection;

namespace {

const std::string kMainJs = "kv.print('hello');\r\nlet x = 1;\r\n" + std::string(300, 'a');

// Two sources (one with a non-ASCII name holding a space), an empty source as the build
// writes for a file it could not open, a window and a library block with a zero count.
std::vector<kvtest::FixtureEntry> ProjectEntries() {
  return {
      {PayloadTable::Source, "main.js", kMainJs},
      {PayloadTable::Source, "\xC3\x9C" "ber uns.js", "function f() { return 42; }\r\n"},
      {PayloadTable::Source, "empty.js", ""},
      {PayloadTable::Window, "mainWin", "123456789"},
      {PayloadTable::Library, "user32.dll", std::string(4, '\0')},
  };
}

std::string ImageWith(const std::string& payload, bool pe32 = false) {
  return PeImage::Build(pe32, {{".text", std::string(700, '\xC3')}, {".rsrc", "resources"}, {"snapshot", payload}});
}

void Patch32(std::string& bytes, std::size_t at, std::uint32_t value) { PeImage::Put32(bytes, at, value); }

}  // namespace

TEST(Crc32, MatchesKnownValuesWholeAndInPieces) {
  const struct {
    std::string data;
    std::uint32_t crc;
  } cases[] = {
      {"", 0x00000000},
      {"a", 0xE8B7BE43},
      {"123456789", 0xCBF43926},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339},
      {std::string(3, '\0'), 0xFF41D912},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kvbytes::Crc32::Of(c.data), c.crc) << c.data;
    for (std::size_t cut = 0; cut <= c.data.size(); ++cut) {
      kvbytes::Crc32 crc;
      crc.Add(c.data.substr(0, cut));
      crc.Add(c.data.substr(cut));
      EXPECT_EQ(crc.Value(), c.crc) << c.data << " cut at " << cut;
    }
  }
}

TEST(PeSections, FindsTheSnapshotInPe32AndPe32Plus) {
  for (bool pe32 : {true, false}) {
    const std::string image = ImageWith("payload bytes", pe32);
    std::string_view data;
    ASSERT_EQ(kvstub::FindSection(image, "snapshot", data), kvstub::SectionLookup::Found);
    // VirtualSize bytes: the alignment padding after them is not part of the payload.
    EXPECT_EQ(data, "payload bytes") << pe32;
  }
}

TEST(PeSections, LooksUpByTheWholeEightByteName) {
  const std::string image =
      PeImage::Build(false, {{"snapshot", "first"}, {"snap", "short"}, {".text", "code"}, {"snapshot", "second"}});
  const struct {
    const char* name;
    kvstub::SectionLookup result;
    const char* data;
  } cases[] = {
      {"snapshot", kvstub::SectionLookup::Found, "second"},  // the last of two
      {"snap", kvstub::SectionLookup::Found, "short"},
      {"snapsho", kvstub::SectionLookup::NotFound, ""},
      {"kvrsrc", kvstub::SectionLookup::NotFound, ""},
      {"snapshot1", kvstub::SectionLookup::NotFound, ""},
  };
  for (const auto& c : cases) {
    std::string_view data;
    EXPECT_EQ(kvstub::FindSection(image, c.name, data), c.result) << c.name;
    if (c.result == kvstub::SectionLookup::Found) {
      EXPECT_EQ(data, c.data) << c.name;
    }
  }
}

TEST(PeSections, RejectsDamagedImagesWithoutReadingPastTheEnd) {
  const std::string good = ImageWith("payload");
  const std::size_t table = PeImage::SectionTableOffset(false);
  const std::size_t snapshotHeader = table + 2 * 40;
  const struct {
    const char* what;
    std::size_t at;  // patched u32, or the length to cut the image to when value is npos
    std::uint32_t value;
    kvstub::SectionLookup result;
  } cases[] = {
      {"not MZ", 0, 0x00905A4E, kvstub::SectionLookup::NotAnImage},
      {"e_lfanew past the end", 60, 0x7FFFFFF0, kvstub::SectionLookup::NotAnImage},
      {"e_lfanew at the last bytes", 60, static_cast<std::uint32_t>(good.size() - 2), kvstub::SectionLookup::NotAnImage},
      {"no PE signature", PeImage::kPeOffset, 0x00004551, kvstub::SectionLookup::NotAnImage},
      {"optional-header magic", PeImage::kCoffOffset + 20, 0x0107, kvstub::SectionLookup::NotAnImage},
      {"optional header past the end", PeImage::kCoffOffset + 16, 0x0022FFFF, kvstub::SectionLookup::NotAnImage},
      {"65535 sections", PeImage::kCoffOffset, 0xFFFF8664, kvstub::SectionLookup::NotAnImage},
      {"raw data past the end", snapshotHeader + 20, 0xFFFFFE00, kvstub::SectionLookup::OutsideFile},
      {"raw data ends past the end", snapshotHeader + 20, static_cast<std::uint32_t>(good.size() - 4),
       kvstub::SectionLookup::OutsideFile},
      {"cut inside the DOS header", 30, ~0u, kvstub::SectionLookup::NotAnImage},
      {"cut inside the section table", table + 100, ~0u, kvstub::SectionLookup::NotAnImage},
      {"cut inside the snapshot", good.size() - 0x200 + 3, ~0u, kvstub::SectionLookup::OutsideFile},
  };
  for (const auto& c : cases) {
    std::string image = good;
    if (c.value == ~0u) {
      image.resize(c.at);
    } else {
      Patch32(image, c.at, c.value);
    }
    std::string_view data;
    EXPECT_EQ(kvstub::FindSection(image, "snapshot", data), c.result) << c.what;
  }
  std::string_view data;
  EXPECT_EQ(kvstub::FindSection("", "snapshot", data), kvstub::SectionLookup::NotAnImage);
}

TEST(PeSections, VirtualSizeBeyondTheRawDataFallsBackToTheRawData) {
  std::string image = ImageWith("payload");
  Patch32(image, PeImage::SectionTableOffset(false) + 2 * 40 + 8, 0x10000);
  std::string_view data;
  ASSERT_EQ(kvstub::FindSection(image, "snapshot", data), kvstub::SectionLookup::Found);
  EXPECT_EQ(data, "payload" + std::string(0x200 - 7, '\0'));
}

TEST(PayloadTables, ReadBackWhatWasWritten) {
  const kvtest::FixturePayload payload = kvtest::BuildPayload(ProjectEntries());
  std::vector<kvstub::PayloadEntry> entries;
  std::string error;
  ASSERT_TRUE(kvstub::ReadPayloadTables(payload.bytes, entries, error)) << error;
  ASSERT_EQ(entries.size(), payload.entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].table, payload.entries[i].table) << i;
    EXPECT_EQ(entries[i].name, payload.entries[i].name) << i;
    EXPECT_EQ(entries[i].dataOffset, payload.entries[i].dataOffset) << i;
    EXPECT_EQ(entries[i].dataSize, payload.entries[i].dataSize) << i;
    EXPECT_EQ(entries[i].packedSize, payload.entries[i].packedSize) << i;
  }

  const std::string empty = kvtest::BuildPayload({}).bytes;
  ASSERT_EQ(empty.size(), 20u);
  ASSERT_TRUE(kvstub::ReadPayloadTables(empty, entries, error)) << error;
  EXPECT_TRUE(entries.empty());
}

// Data that is not a payload of this format is refused before its tables are believed.
TEST(PayloadTables, ForeignMagicOrVersionIsRefused) {
  const std::string good = kvtest::BuildPayload(ProjectEntries()).bytes;
  const struct {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    const char* message;
  } cases[] = {
      {"zero magic", 0, 0, "the snapshot section holds no project payload"},
      {"magic in the wrong byte order", 0, 0x4B56504C, "the snapshot section holds no project payload"},
      {"version 0", 4, 0, "the payload has format version 0; this runtime reads version 1"},
      {"a later version", 4, 2, "the payload has format version 2; this runtime reads version 1"},
  };
  for (const auto& c : cases) {
    std::string bytes = good;
    Patch32(bytes, c.at, c.value);
    std::vector<kvstub::PayloadEntry> entries;
    std::string error;
    EXPECT_FALSE(kvstub::ReadPayloadTables(bytes, entries, error)) << c.what;
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.what << ": " << error;
    EXPECT_TRUE(entries.empty()) << c.what;
  }
}

TEST(PayloadTables, EveryCutInsideTheTablesFails) {
  const kvtest::FixturePayload payload = kvtest::BuildPayload(ProjectEntries());
  const std::size_t tablesEnd = payload.entries.front().dataOffset;
  for (std::size_t cut = 0; cut < tablesEnd; ++cut) {
    std::vector<kvstub::PayloadEntry> entries;
    std::string error;
    EXPECT_FALSE(kvstub::ReadPayloadTables(payload.bytes.substr(0, cut), entries, error)) << cut;
    EXPECT_FALSE(error.empty()) << cut;
  }
}

TEST(PayloadTables, HugeCountsAndNameLengthsFail) {
  const kvtest::FixturePayload good = kvtest::BuildPayload(ProjectEntries());
  for (std::size_t field : {std::size_t{8}, good.records[0] + 12}) {
    std::string bytes = good.bytes;
    Patch32(bytes, field, 0xFFFFFFFF);
    std::vector<kvstub::PayloadEntry> entries;
    std::string error;
    EXPECT_FALSE(kvstub::ReadPayloadTables(bytes, entries, error)) << field;
  }
}

TEST(StubReport, ReportsEveryEntryWithTheCrcOfItsData) {
  const kvtest::FixturePayload payload = kvtest::BuildPayload(ProjectEntries());
  for (bool pe32 : {true, false}) {
    const kvstub::StubReport report = kvstub::ReportPayload(ImageWith(payload.bytes, pe32));
    EXPECT_EQ(report.exitCode, kvstub::kExitOk);
    EXPECT_TRUE(report.errors.empty());
    const std::vector<std::string> expected = {
        "source main.js 332 " + std::to_string(payload.entries[0].packedSize) + " e88f7dcc",
        "source \xC3\x9C" "ber uns.js 29 " + std::to_string(payload.entries[1].packedSize) + " af43ec78",
        "source empty.js 0 " + std::to_string(payload.entries[2].packedSize) + " 00000000",
        "window mainWin 9 0 cbf43926",
        "library user32.dll 4 0 2144df1c",
    };
    EXPECT_EQ(report.lines, expected);
  }
}

// Each case damages one table field of the fixture's payload; the report names the entry,
// says what is wrong, still reports the other entries and exits 1.
TEST(StubReport, DamagedEntriesAreReportedAndEndInExitCodeOne) {
  const kvtest::FixturePayload good = kvtest::BuildPayload(ProjectEntries());
  const std::uint32_t mainPacked = good.entries[0].packedSize;
  const struct {
    const char* what;
    std::size_t entry;
    std::size_t field;  // 0 dataOffset, 4 dataSize, 8 packedSize
    std::uint32_t value;
    const char* message;
  } cases[] = {
      {"dataSize one more", 0, 4, 333, "source 'main.js': decompresses to 332 bytes, not 333"},
      {"dataSize one less", 0, 4, 331, "source 'main.js': decompresses to more than its 331 bytes"},
      {"stream cut short", 0, 8, mainPacked - 1, "source 'main.js': its stream is truncated"},
      {"stream cut inside its header", 0, 8, 6, "source 'main.js': its stream is truncated"},
      {"next block's bytes taken in", 0, 8, mainPacked + 1, "source 'main.js': 1 bytes follow its stream"},
      {"offset at the tables", 0, 0, 0, "source 'main.js': its data is not an XZ stream"},
      {"no stream for its bytes", 0, 8, 0, "source 'main.js': has no stream for its 332 bytes"},
      {"window past the end", 3, 0, static_cast<std::uint32_t>(good.bytes.size() - 8),
       "window 'mainWin': its 9 bytes at offset"},
      {"library size wraps around", 4, 4, 0xFFFFFFFF, "library 'user32.dll': its 4294967295 bytes at offset"},
      {"offset wraps around", 4, 0, 0xFFFFFFFE, "library 'user32.dll': its 4 bytes at offset 4294967294 lie outside"},
  };
  for (const auto& c : cases) {
    std::string bytes = good.bytes;
    Patch32(bytes, good.records[c.entry] + c.field, c.value);
    const kvstub::StubReport report = kvstub::ReportPayload(ImageWith(bytes));
    EXPECT_EQ(report.exitCode, kvstub::kExitDamaged) << c.what;
    ASSERT_EQ(report.errors.size(), 1u) << c.what;
    EXPECT_EQ(report.errors[0].rfind(c.message, 0), 0u) << c.what << ": " << report.errors[0];
    EXPECT_EQ(report.lines.size(), good.entries.size() - 1) << c.what;
  }
}

TEST(StubReport, DamagedStreamBytesAreCaught) {
  const kvtest::FixturePayload good = kvtest::BuildPayload(ProjectEntries());
  const kvstub::PayloadEntry& main = good.entries[0];
  // Every byte of the stream matters: header, compressed data, index and footer.
  for (std::uint32_t at = 0; at < main.packedSize; ++at) {
    std::string bytes = good.bytes;
    bytes[main.dataOffset + at] = static_cast<char>(bytes[main.dataOffset + at] ^ 0x10);
    const kvstub::StubReport report = kvstub::ReportPayload(ImageWith(bytes));
    EXPECT_EQ(report.exitCode, kvstub::kExitDamaged) << "byte " << at;
  }
}

TEST(StubReport, ImageFaultsAndMissingSnapshot) {
  const kvtest::FixturePayload good = kvtest::BuildPayload(ProjectEntries());
  std::string shortTables = good.bytes.substr(0, 12);
  const struct {
    const char* what;
    std::string image;
    int exitCode;
    const char* message;
  } cases[] = {
      {"no snapshot", PeImage::Build(false, {{".text", "code"}}), kvstub::kExitNoSnapshot,
       "this executable has no snapshot section"},
      {"no PE image", "MZ", kvstub::kExitDamaged, "this executable's PE headers cannot be read"},
      {"tables cut short", ImageWith(shortTables), kvstub::kExitDamaged, "the source table ends inside entry 1 of 3"},
      {"empty snapshot", ImageWith(""), kvstub::kExitDamaged, "the payload is shorter than its two reserved words"},
  };
  for (const auto& c : cases) {
    const kvstub::StubReport report = kvstub::ReportPayload(c.image);
    EXPECT_EQ(report.exitCode, c.exitCode) << c.what;
    ASSERT_EQ(report.errors.size(), 1u) << c.what;
    EXPECT_EQ(report.errors[0].rfind(c.message, 0), 0u) << c.what << ": " << report.errors[0];
    EXPECT_TRUE(report.lines.empty()) << c.what;
  }
}

TEST(StubReport, ResourceLinesFollowTheEntries) {
  std::string group = {0, 0, 1, 0, 3, 0};
  group += std::string(3 * 14, '\x01');
  const struct {
    const char* what;
    std::string group;
    bool present;
    const char* line;
  } cases[] = {
      {"three images", group, true, "icons 3"},
      {"missing", "", false, "icons 0"},
      {"no images", std::string{0, 0, 1, 0, 0, 0}, true, "icons 0"},
      {"one entry short", group.substr(0, group.size() - 1), true, "icons malformed"},
      {"a cursor group", std::string{0, 0, 2, 0, 0, 0}, true, "icons malformed"},
      {"shorter than its header", group.substr(0, 5), true, "icons malformed"},
  };
  for (const auto& c : cases) {
    kvstub::StubReport report;
    report.lines = {"window w 1 0 00000000"};
    const std::string_view view = c.group;
    kvstub::AddResourceLines(report, "1.2.3.4", "Demo \xC3\xA9", c.present ? &view : nullptr);
    const std::vector<std::string> expected = {"window w 1 0 00000000", "version 1.2.3.4", "product Demo \xC3\xA9",
                                               c.line};
    EXPECT_EQ(report.lines, expected) << c.what;
  }
}

TEST(StubReport, TextPutsErrorsFirst) {
  kvstub::StubReport report;
  report.lines = {"version 1", "icons 2"};
  report.errors = {"bad"};
  EXPECT_EQ(kvstub::ReportText(report, "\r\n"), "bad\r\nversion 1\r\nicons 2\r\n");
}
