#include "build/Version.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "platform/TempFile.h"
#include "tests/common/TempFolder.h"

#ifdef _WIN32
#include <windows.h>

#include "common/Text.h"
#endif

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

// Points the system's temporary folder at a folder of the test's own while it lives.
class SystemTempRedirect {
public:
  explicit SystemTempRedirect(const std::string& folder) {
#ifdef _WIN32
    const kvtext::WideString wide = kvtext::Utf8ToWide(folder);
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t old[1024];
      const DWORD length = GetEnvironmentVariableW(name, old, 1024);
      saved.push_back(length > 0 && length < 1024 ? kvtext::WideString(old) : kvtext::WideString());
      SetEnvironmentVariableW(name, wide.c_str());
    }
#else
    const char* old = std::getenv("TMPDIR");
    saved = old != nullptr ? old : "";
    setenv("TMPDIR", folder.c_str(), 1);
#endif
  }
  ~SystemTempRedirect() {
#ifdef _WIN32
    const wchar_t* names[] = {L"TMP", L"TEMP"};
    for (int i = 0; i < 2; ++i) SetEnvironmentVariableW(names[i], saved[i].empty() ? nullptr : saved[i].c_str());
#else
    if (saved.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", saved.c_str(), 1);
    }
#endif
  }
  SystemTempRedirect(const SystemTempRedirect&) = delete;
  SystemTempRedirect& operator=(const SystemTempRedirect&) = delete;

private:
#ifdef _WIN32
  std::vector<kvtext::WideString> saved;
#else
  std::string saved;
#endif
};

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder))) {
    names.push_back(entry.path().filename().u8string());
  }
  return names;
}

TEST(Version, StagingFileIsNewEmptyAndRemoved) {
  TempFolder staging;
  const SystemTempRedirect redirect(staging / "");
  const std::string first = kvplatform::CreateTempFile("kvs");
  const std::string second = kvplatform::CreateTempFile("kvs");
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(first, second);
  EXPECT_EQ(kvplatform::FileSize(first), 0);
  EXPECT_EQ(FilesIn(staging / "").size(), 2u);
  { const kvplatform::TempFileRemover a(first), b(second); }
  EXPECT_TRUE(FilesIn(staging / "").empty());
}

// Whatever the outcome of the stamp, its staging file does not stay behind.
TEST(Version, StampResourceLeavesNoStagingFile) {
  TempFolder temp, staging;
  const std::string path = temp / "App.exe";
  ASSERT_TRUE(kvplatform::CopyFileOverwrite(kvplatform::ExecutablePath(), path));
  const SystemTempRedirect redirect(staging / "");
  const std::vector<std::string> targets = {path, temp / "missing.exe", temp / ""};
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    KVVersion().StampResource(target);
    EXPECT_TRUE(FilesIn(staging / "").empty());
  }
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
