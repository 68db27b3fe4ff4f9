#include "platform/VersionResource.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "build/Version.h"
#include "build/VersionBlock.h"
#include "common/ByteIO.h"
#include "pe/VersionResource.h"
#include "platform/Platform.h"
#include "tests/common/TempFolder.h"

#ifdef _WIN32
#include <windows.h>

#include "common/Text.h"
#endif

using kvtest::TempFolder;

namespace {

std::string GoodBlock() {
  std::string block;
  EXPECT_TRUE(kvversion::BuildVersionBlock({1, 2, 3, 4}, {5, 6, 7, 8},
                                           {{"CompanyName", "Kel & Vox"}, {"FileVersion", "1.2.3.4"},
                                            {"ProductName", "Caf\xC3\xA9"}},
                                           block));
  return block;
}

// Offsets in GoodBlock: the root at 0, StringFileInfo at 92, its table at 128, CompanyName
// at 152 (52 bytes), FileVersion at 204 (48), ProductName at 252 (42 and 2 of padding),
// VarFileInfo at 296 and Translation at 328.
TEST(VersionResource, GoodBlockReads) {
  kvplatform::FileVersionInfo info;
  ASSERT_TRUE(kvplatform::ParseVersionBlock(GoodBlock(), info));
  EXPECT_EQ(info.fileVersionMS, 0x00010002u);
  EXPECT_EQ(info.fileVersionLS, 0x00030004u);
  EXPECT_EQ(info.productVersionMS, 0x00050006u);
  EXPECT_EQ(info.productVersionLS, 0x00070008u);
  EXPECT_EQ(info.companyName, "Kel & Vox");
  EXPECT_EQ(info.productName, "Caf\xC3\xA9");
  EXPECT_FALSE(info.fileDescription);
  EXPECT_FALSE(info.legalCopyright);
  EXPECT_FALSE(info.originalFilename);
}

TEST(VersionResource, KeysCompareWithoutCase) {
  std::string_view value;
  bool isText = false;
  ASSERT_TRUE(kvpe::QueryVersionValue(GoodBlock(), {"stringfileinfo", "040904B0", "PRODUCTNAME"}, value, isText));
  EXPECT_TRUE(isText);
  EXPECT_FALSE(kvpe::QueryVersionValue(GoodBlock(), {"StringFileInfo", "04090000"}, value, isText));
}

TEST(VersionResource, DamagedBlocksFailCleanly) {
  struct Case {
    const char* what;
    std::uint64_t at;  // where a 16-bit field is overwritten
    std::uint16_t value;
  };
  const std::vector<Case> cases = {
      {"root length zero", 0, 0},
      {"root length shorter than its header", 0, 5},
      {"root length past the end", 0, 0xFFFF},
      {"root key without terminator", 0, 20},
      {"root key not VS_VERSION_INFO", 6, 'W'},
      {"fixed info shorter than its structure", 2, 40},
      {"fixed info past its node", 2, 0xFFFF},
      {"fixed info signature", 40, 0x1234},
      {"StringFileInfo length zero", 92, 0},
      {"StringFileInfo past its parent", 92, 0xFFF0},
      {"VarFileInfo past its parent", 296, 200},
      {"Translation value past its node", 330, 0xFFFF},
      {"Translation value too short", 330, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string block = GoodBlock();
    ASSERT_TRUE(kvbytes::SetU16(block, c.at, c.value));
    kvplatform::FileVersionInfo info;
    info.productName = "kept";
    EXPECT_FALSE(kvplatform::ParseVersionBlock(block, info));
    EXPECT_EQ(info.productName, "kept");
  }
}

// A text value whose declared length runs past its node is cut at the node's end, as some
// writers count it in bytes; a damaged entry hides only itself and what follows it.
TEST(VersionResource, DamagedStringEntries) {
  struct Case {
    const char* what;
    std::uint64_t at;
    std::uint16_t value;
    std::optional<std::string> company, product;
  };
  const std::vector<Case> cases = {
      {"value length counted in bytes", 154, 20, "Kel & Vox", "Caf\xC3\xA9"},
      {"value length past the node", 154, 0xFFFF, "Kel & Vox", "Caf\xC3\xA9"},
      {"value without terminator, the rest then misread", 152, 48, "Kel & Vo", std::nullopt},
      {"string table length shorter than its header", 128, 3, std::nullopt, std::nullopt},
      {"last entry past the table", 252, 60, "Kel & Vox", std::nullopt},
      {"first entry length zero", 152, 0, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string block = GoodBlock();
    ASSERT_TRUE(kvbytes::SetU16(block, c.at, c.value));
    kvplatform::FileVersionInfo info;
    ASSERT_TRUE(kvplatform::ParseVersionBlock(block, info));
    EXPECT_EQ(info.companyName, c.company);
    EXPECT_EQ(info.productName, c.product);
  }
}

TEST(VersionResource, EveryTruncationFails) {
  const std::string block = GoodBlock();
  for (std::size_t size = 0; size < block.size(); ++size) {
    kvplatform::FileVersionInfo info;
    EXPECT_FALSE(kvplatform::ParseVersionBlock(std::string_view(block).substr(0, size), info)) << size;
  }
}

// Wine's own programs carry version resources: 64-bit (PE32+) and 32-bit (PE32) images.
std::vector<std::string> WineImages() {
  const std::vector<std::string> candidates = {
#ifdef _WIN32
      "C:\\windows\\system32\\explorer.exe",
#else
      "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/explorer.exe",
      "/usr/lib/i386-linux-gnu/wine/i386-windows/explorer.exe",
      "/usr/lib/wine/x86_64-windows/explorer.exe",
      "/usr/lib/wine/i386-windows/explorer.exe",
#endif
  };
  std::vector<std::string> present;
  for (const std::string& path : candidates) {
    if (kvplatform::CanRead(path)) present.push_back(path);
  }
  return present;
}

TEST(VersionResource, RealImages) {
  const std::vector<std::string> images = WineImages();
  if (images.empty()) GTEST_SKIP() << "no Wine images here";
  for (const std::string& path : images) {
    SCOPED_TRACE(path);
    KVVersion version;
    ASSERT_TRUE(version.ReadFromFile(path));
    EXPECT_EQ(version.description, "Wine Explorer");
    EXPECT_EQ(version.originalFilename, "explorer.exe");
    EXPECT_EQ(version.productName, "Wine");
    EXPECT_EQ(version.companyName, "Microsoft Corporation");
    EXPECT_NE(version.legalCopyright.find("Wine project authors"), std::string::npos);

    // The fixed info agrees with the FileVersion text the same resource holds.
    const std::string image = TempFolder::Read(path);
    std::string_view block, text;
    bool isText = false;
    ASSERT_TRUE(kvpe::FindVersionResource(image, block));
    ASSERT_TRUE(kvpe::QueryVersionValue(block, {"StringFileInfo", "040904b0", "FileVersion"}, text, isText));
    std::string fileVersion;
    for (std::size_t i = 0; i + 1 < text.size() && text[i] != '\0'; i += 2) fileVersion.push_back(text[i]);
    EXPECT_EQ(version.fileVersionText, fileVersion);
  }
}

// Cut anywhere, an image either still holds its whole version resource or reads as having
// none; nothing is read outside the bytes given.
TEST(VersionResource, TruncatedRealImages) {
  const std::vector<std::string> images = WineImages();
  if (images.empty()) GTEST_SKIP() << "no Wine images here";
  const std::string image = TempFolder::Read(images.front());
  std::string_view whole;
  ASSERT_TRUE(kvpe::FindVersionResource(image, whole));
  const std::size_t end = static_cast<std::size_t>(whole.data() - image.data()) + whole.size();
  for (std::size_t size = 0; size < image.size(); size += size < 4096 ? 1 : 509) {
    std::string_view block;
    const bool found = kvpe::FindVersionResource(std::string_view(image).substr(0, size), block);
    EXPECT_EQ(found, size >= end) << size;
    if (found) {
      EXPECT_EQ(block, whole);
    }
  }
}

#ifdef _WIN32
// The portable reader and VERSION.dll agree on the same files.
TEST(VersionResource, AgreesWithVersionDll) {
  const std::vector<std::string> images = WineImages();
  if (images.empty()) GTEST_SKIP() << "no Wine images here";
  for (const std::string& path : images) {
    SCOPED_TRACE(path);
    kvplatform::FileVersionInfo system, ours;
    ASSERT_TRUE(kvplatform::ReadFileVersionInfo(path, system));
    const std::string image = TempFolder::Read(path);
    std::string_view block;
    ASSERT_TRUE(kvpe::FindVersionResource(image, block));
    ASSERT_TRUE(kvplatform::ParseVersionBlock(block, ours));
    EXPECT_EQ(ours.fileVersionMS, system.fileVersionMS);
    EXPECT_EQ(ours.fileVersionLS, system.fileVersionLS);
    EXPECT_EQ(ours.productVersionMS, system.productVersionMS);
    EXPECT_EQ(ours.productVersionLS, system.productVersionLS);
    EXPECT_EQ(ours.companyName, system.companyName);
    EXPECT_EQ(ours.fileDescription, system.fileDescription);
    EXPECT_EQ(ours.legalCopyright, system.legalCopyright);
    EXPECT_EQ(ours.originalFilename, system.originalFilename);
    EXPECT_EQ(ours.productName, system.productName);
  }
}
#endif

}  // namespace
