#include "build/Version.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "tests/common/TempFolder.h"

using kvtest::TempFolder;

namespace {

struct Expected {
  kvversion::VersionNumbers version;
  std::string companyName, description, legalCopyright, originalFilename, productName;
};

void ExpectVersion(const KVVersion& actual, const Expected& expected) {
  EXPECT_EQ(actual.fileVersion, expected.version);
  EXPECT_EQ(actual.productVersion, expected.version);
  EXPECT_EQ(actual.fileVersionText, KVVersion::FormatVersion(expected.version));
  EXPECT_EQ(actual.productVersionText, KVVersion::FormatVersion(expected.version));
  EXPECT_EQ(actual.companyName, expected.companyName);
  EXPECT_EQ(actual.description, expected.description);
  EXPECT_EQ(actual.legalCopyright, expected.legalCopyright);
  EXPECT_EQ(actual.originalFilename, expected.originalFilename);
  EXPECT_EQ(actual.productName, expected.productName);
}

const Expected kDefaults = {{1, 0, 0, 1}, "", "KelVox.js Application", "", "", ""};

std::string NumbersXml(const char* release, const char* major, const char* minor, const char* build) {
  return std::string("<FixedFileVersion><Release>") + release + "</Release><Major>" + major + "</Major><Minor>" +
         minor + "</Minor><Build>" + build + "</Build></FixedFileVersion>";
}

TEST(Version, Load) {
  struct Case {
    const char* what;
    std::string xml;  // written to version.xml
    Expected expected;
  };
  const std::vector<Case> cases = {
      {"every element",
       "<Version>" + NumbersXml("3", "1", "4", "15") +
           "<CompanyName>Kel &amp; Vox</CompanyName><Description>Demo</Description><ProductName>Caf\xC3\xA9</ProductName>"
           "<Copyright>(c) 2026</Copyright><OriginalFilename>Demo.exe</OriginalFilename></Version>",
       {{3, 1, 4, 15}, "Kel & Vox", "Demo", "(c) 2026", "Demo.exe", "Caf\xC3\xA9"}},
      {"order does not matter",
       "<Version><OriginalFilename>A.exe</OriginalFilename>" + NumbersXml("1", "2", "3", "4") + "</Version>",
       {{1, 2, 3, 4}, "", "", "", "A.exe", ""}},
      {"missing elements read as 0 and empty", "<Version><FixedFileVersion><Major>9</Major></FixedFileVersion></Version>",
       {{0, 9, 0, 0}, "", "", "", "", ""}},
      {"numbers read as atol reads them", "<Version>" + NumbersXml(" 12abc", "-3", "x", "99999") + "</Version>",
       {{12, -3, 0, 99999}, "", "", "", "", ""}},
      {"another root element", "<Project><Name>x</Name></Project>", {{0, 0, 0, 0}, "", "", "", "", ""}},
      {"does not parse", "<Version><FixedFileVersion>", kDefaults},
      {"empty file", "", kDefaults},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder temp;
    const std::string path = temp / "version.xml";
    TempFolder::Write(path, c.xml);
    KVVersion version;
    version.companyName = "left over";
    EXPECT_TRUE(version.Load(path));
    ExpectVersion(version, c.expected);
  }
}

// A path that names no file is not XML text to be parsed.
TEST(Version, LoadOfAMissingFileGivesTheDefaults) {
  TempFolder temp;
  const std::vector<std::string> paths = {temp / "version.xml", "<Version><Description>x</Description></Version>", ""};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    KVVersion version;
    version.fileVersion = {7, 7, 7, 7};
    EXPECT_TRUE(version.Load(path));
    ExpectVersion(version, kDefaults);
  }
}

TEST(Version, ReadFromFileWithoutAVersionResourceLeavesItUnchanged) {
  TempFolder temp;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"text.exe", "not an image"}, {"stub.exe", "MZ" + std::string(300, '\0')}, {"empty.exe", ""}};
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    TempFolder::Write(temp / name, bytes);
    KVVersion version;
    version.productName = "kept";
    EXPECT_FALSE(version.ReadFromFile(temp / name));
    EXPECT_EQ(version.productName, "kept");
    EXPECT_EQ(version.fileVersionText, "1.0.0.1");
  }
  KVVersion version;
  EXPECT_FALSE(version.ReadFromFile(temp / "missing.exe"));
}

TEST(Version, StampResourceOfAnOversizedBlockLeavesTheFileAlone) {
  TempFolder temp;
  const std::string path = temp / "App.exe";
  ASSERT_TRUE(kvplatform::CopyFileOverwrite(kvplatform::ExecutablePath(), path));
  const std::int64_t size = kvplatform::FileSize(path);
  KVVersion version;
  version.legalCopyright.assign(40000, 'c');
  EXPECT_FALSE(version.StampResource(path));
  EXPECT_EQ(kvplatform::FileSize(path), size);
  EXPECT_FALSE(version.StampResource(temp / "missing.exe"));
  EXPECT_FALSE(kvplatform::PathExists(temp / "missing.exe"));
}

#ifdef _WIN32
// Stamped through the platform's resource functions and read back through VERSION.dll.
TEST(Version, StampedResourceReadsBack) {
  TempFolder temp;
  const std::string path = temp / "App.exe";
  ASSERT_TRUE(kvplatform::CopyFileOverwrite(kvplatform::ExecutablePath(), path));
  KVVersion stamped;
  stamped.fileVersion = stamped.productVersion = {70000, 5, 0, 7};
  stamped.fileVersionText = stamped.productVersionText = KVVersion::FormatVersion(stamped.fileVersion);
  stamped.companyName = "Kel & Vox";
  stamped.description = "Caf\xC3\xA9 \xF0\x9F\x98\x80";
  stamped.legalCopyright = "(c) 2026";
  stamped.originalFilename = "App.exe";
  stamped.productName = "App";
  ASSERT_TRUE(stamped.StampResource(path));
  KVVersion read;
  ASSERT_TRUE(read.ReadFromFile(path));
  ExpectVersion(read, {{70000 & 0xFFFF, 5, 0, 7}, "Kel & Vox", "Caf\xC3\xA9 \xF0\x9F\x98\x80", "(c) 2026", "App.exe", "App"});
}
#else
// Until POSIX has a resource writer, stamping reports failure and leaves the file as it was.
TEST(Version, StampResourceReportsFailureOnPosix) {
  TempFolder temp;
  const std::string path = temp / "App.exe";
  const std::string bytes = "MZ" + std::string(200, '\0');
  TempFolder::Write(path, bytes);
  EXPECT_FALSE(KVVersion().StampResource(path));
  EXPECT_EQ(TempFolder::Read(path), bytes);
}
#endif

}  // namespace
