#include "build/VersionBlock.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "build/Version.h"
#include "common/ByteIO.h"
#include "platform/VersionResource.h"
#include "tests/common/TempFolder.h"

using kvtest::TempFolder;

namespace {

// Expected blocks are written out piece by piece from the documented layout, not with the
// builder's own helpers.
class Expected {
public:
  Expected& Header(std::uint16_t length, std::uint16_t valueLength, std::uint16_t type) {
    kvbytes::PutU16(bytes, length);
    kvbytes::PutU16(bytes, valueLength);
    kvbytes::PutU16(bytes, type);
    return *this;
  }
  // ASCII as UTF-16 with its terminator.
  Expected& Key(const std::string& text) {
    for (const char c : text) kvbytes::PutU16(bytes, static_cast<std::uint8_t>(c));
    kvbytes::PutU16(bytes, 0);
    return *this;
  }
  Expected& Zeros(std::size_t count) {
    bytes.append(count, '\0');
    return *this;
  }
  Expected& U32(std::uint32_t value) {
    kvbytes::PutU32(bytes, value);
    return *this;
  }
  std::string bytes;
};

// Both documented examples have the two version texts as their only strings, so S = 100.
std::string ExpectedTwoStringBlock(std::uint32_t versionMS, std::uint32_t versionLS, const std::string& text) {
  Expected e;
  e.Header(320, 52, 0).Key("VS_VERSION_INFO").Zeros(2);
  e.U32(0xFEEF04BD).U32(0x00010000).U32(versionMS).U32(versionLS).U32(versionMS).U32(versionLS);
  e.U32(0x3F).U32(0).U32(0x00040004).U32(1).U32(0).U32(0).U32(0);
  e.Header(160, 0, 1).Key("StringFileInfo");
  e.Header(124, 0, 1).Key("040904b0");
  e.Header(48, 8, 1).Key("FileVersion").Zeros(2).Key(text);
  e.Header(52, 8, 1).Key("ProductVersion").Key(text);
  e.Header(68, 0, 1).Key("VarFileInfo").Zeros(2);
  e.Header(36, 4, 0).Key("Translation").Zeros(2).U32(0x04B00409);
  return e.bytes;
}

std::string BlockOf(const KVVersion& version) {
  std::string block;
  EXPECT_TRUE(version.BuildBlock(block));
  return block;
}

TEST(VersionBlock, EmptyStringsAndDefaultVersionGiveSOf100) {
  KVVersion version;
  version.description.clear();
  const std::string expected = ExpectedTwoStringBlock(0x00010000, 0x00000001, "1.0.0.1");
  ASSERT_EQ(expected.size(), 320u);
  EXPECT_EQ(BlockOf(version), expected);
}

TEST(VersionBlock, VersionXmlWithOnlyTheNumbers) {
  TempFolder temp;
  const std::string path = temp / "version.xml";
  TempFolder::Write(path,
                    "<Version><FixedFileVersion><Release>2</Release><Major>5</Major><Minor>0</Minor>"
                    "<Build>7</Build></FixedFileVersion></Version>");
  KVVersion version;
  ASSERT_TRUE(version.Load(path));
  EXPECT_EQ(version.fileVersionText, "2.5.0.7");
  EXPECT_EQ(version.productVersionText, "2.5.0.7");
  EXPECT_EQ(BlockOf(version), ExpectedTwoStringBlock(0x00020005, 0x00000007, "2.5.0.7"));
}

// Each entry's wLength leaves out its trailing padding; S counts it.
TEST(VersionBlock, StringEntryLengthsAndPadding) {
  struct Case {
    std::string key, value;
    std::uint16_t length, valueLength;
    std::size_t s;
  };
  const std::vector<Case> cases = {
      {"FileVersion", "1.0.0.1", 48, 8, 48},          // key padded, value ends aligned
      {"ProductVersion", "1.0.0.1", 52, 8, 52},       // key ends aligned
      {"CompanyName", "ACME", 42, 5, 44},             // value padded after wLength
      {"ProductName", "\xC3\xA9t\xC3\xA9", 40, 4, 40},  // UTF-8 counted as UTF-16 units
      {"LegalCopyright", "\xF0\x9F\x98\x80", 42, 3, 44},  // a surrogate pair is two units
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key + "=" + c.value);
    std::string block;
    ASSERT_TRUE(kvversion::BuildVersionBlock({1, 0, 0, 1}, {1, 0, 0, 1}, {{c.key, c.value}}, block));
    kvbytes::ByteReader reader(block);
    std::uint16_t root = 0, entryLength = 0, entryValueLength = 0, entryType = 0;
    ASSERT_TRUE(reader.u16(root));
    EXPECT_EQ(root, 220 + c.s);
    EXPECT_EQ(block.size(), 220 + c.s);
    ASSERT_TRUE(reader.seek(152) && reader.u16(entryLength) && reader.u16(entryValueLength) && reader.u16(entryType));
    EXPECT_EQ(entryLength, c.length);
    EXPECT_EQ(entryValueLength, c.valueLength);
    EXPECT_EQ(entryType, 1);
  }
}

// Every length field is 16 bits: a block that would outgrow them is refused, not truncated.
TEST(VersionBlock, OversizedBlockIsRefused) {
  struct Case {
    const char* what;
    std::size_t companyChars;
    bool fits;
  };
  const std::vector<Case> cases = {
      // With the default description and version texts the rest of the block takes 404 bytes.
      {"largest company name that fits", 32547, true},
      {"one character more", 32548, false},
      {"entry longer than 65535 bytes", 40000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KVVersion version;
    version.companyName.assign(c.companyChars, 'a');
    std::string block = "stale";
    EXPECT_EQ(version.BuildBlock(block), c.fits);
    if (c.fits) {
      EXPECT_LE(block.size(), 65535u);
      kvplatform::FileVersionInfo info;
      ASSERT_TRUE(kvplatform::ParseVersionBlock(block, info));
      EXPECT_EQ(info.companyName, version.companyName);
    } else {
      EXPECT_TRUE(block.empty());
    }
  }
}

TEST(VersionBlock, NumbersAbove65535KeepTheirLowBitsInTheFixedInfo) {
  struct Case {
    kvversion::VersionNumbers version;
    std::uint32_t ms, ls;
    const char* text;
  };
  const std::vector<Case> cases = {
      {{1, 2, 3, 4}, 0x00010002, 0x00030004, "1.2.3.4"},
      {{70000, 1, 2, 65537}, 0x11700001, 0x00020001, "70000.1.2.65537"},
      {{65535, 65535, 65535, 65535}, 0xFFFFFFFF, 0xFFFFFFFF, "65535.65535.65535.65535"},
      {{-1, 0, 0, -2}, 0xFFFF0000, 0x0000FFFE, "-1.0.0.-2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    KVVersion version;
    version.fileVersion = version.productVersion = c.version;
    version.fileVersionText = version.productVersionText = KVVersion::FormatVersion(c.version);
    EXPECT_EQ(version.fileVersionText, c.text);
    kvplatform::FileVersionInfo info;
    ASSERT_TRUE(kvplatform::ParseVersionBlock(BlockOf(version), info));
    EXPECT_EQ(info.fileVersionMS, c.ms);
    EXPECT_EQ(info.fileVersionLS, c.ls);
    EXPECT_EQ(info.productVersionMS, c.ms);
    EXPECT_EQ(info.productVersionLS, c.ls);
  }
}

}  // namespace
