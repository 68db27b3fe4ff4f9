#include "build/Bundle.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "build/Version.h"
#include "platform/Platform.h"
#include "project/Project.h"
#include "tests/build/ExternalReaders.h"
#include "tests/build/IconFixtures.h"
#include "tests/project/ProjectFolder.h"

using kvtest::ProjectFolder;
using kvtest::TempFolder;

namespace {

constexpr char kSep = kvplatform::kPathSeparator;

std::uint32_t Opaque(std::uint32_t x, std::uint32_t y) { return 0xFF000000u | x << 16 | y << 8; }

class BundleTest : public ::testing::Test {
protected:
  // A project named name whose icon is Resources/app.ico.
  void LoadProject(const std::string& name, const std::string& icon) {
    const std::string xmlName = KVXML::ElementText("Name", name);
    folder.WriteProject("<Version>1</Version>" + xmlName + "<ExeName>x.exe</ExeName><Engine>2</Engine>" +
                        "<Icon>app.ico</Icon>");
    if (!icon.empty()) TempFolder::Write(folder.FileOf(ProjectItemType::Icon, "app.ico"), icon);
    ASSERT_TRUE(project.Load(folder.ProjectFile()));
  }

  std::string Contents(const std::string& name) const { return folder / (name + ".app") + kSep + "Contents" + kSep; }

  ProjectFolder folder;
  KVProject project;
  KVVersion version;
};


TEST_F(BundleTest, MakesTheBundleLayout) {
  LoadProject("MyApp", kvtest::IconFileBytes({{32, 32, 32, kvtest::IconBitmap32(32, Opaque)}}));
  std::string executable = "stale";
  ASSERT_TRUE(BuildBundle(project, version, executable));
  const std::string contents = Contents("MyApp");
  EXPECT_EQ(executable, contents + "MacOS" + kSep + "MyApp");
  EXPECT_EQ(TempFolder::Read(contents + "PkgInfo"), "APPL????");
  EXPECT_TRUE(TempFolder::Exists(contents + "Info.plist"));
  EXPECT_EQ(TempFolder::Read(contents + "Resources" + kSep + "MyApp.icns").substr(0, 4), "icns");
  EXPECT_FALSE(TempFolder::Exists(contents + "Resources" + kSep + "MyApp.icns.png"));
  EXPECT_TRUE(TempFolder::Exists(contents + "MacOS"));
  // The build writes the runtime there; a second build over the first works the same.
  TempFolder::Write(executable, "runtime");
  ASSERT_TRUE(BuildBundle(project, version, executable));
  EXPECT_EQ(TempFolder::Read(executable), "runtime");
}

TEST_F(BundleTest, InfoPlistAsAnIndependentReaderSeesIt) {
  LoadProject("A & B", "");
  version.fileVersionText = "2.5.0.7";
  version.legalCopyright = "(c) 2026 A & B <Ltd>";
  std::string executable;
  ASSERT_TRUE(BuildBundle(project, version, executable));
  const std::string plist = TempFolder::Read(Contents("A & B") + "Info.plist");
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\"><dict><key>BuildMachineOSBuild</key>";
  EXPECT_EQ(plist.substr(0, head.size()), head);
  EXPECT_NE(plist.find("<key>CFBundleName</key><string>A &amp; B</string>"), std::string::npos);
  EXPECT_NE(plist.find("<string>(c) 2026 A &amp; B &lt;Ltd&gt;</string>"), std::string::npos);
  // No icon: the bundle has no icns although Info.plist names one.
  EXPECT_FALSE(TempFolder::Exists(Contents("A & B") + "Resources" + kSep + "A & B.icns"));

#ifdef _WIN32
  GTEST_SKIP() << "python3 is not reachable from Windows programs";
#else
  const auto json = kvtest::ReadWithPlistlib(Contents("A & B") + "Info.plist");
  if (!json) GTEST_SKIP() << "python3 with plistlib not found";
  EXPECT_EQ(*json,
            "{\"BuildMachineOSBuild\": \"19H1715\", \"CFBundleDevelopmentRegion\": \"en\", "
            "\"CFBundleExecutable\": \"A & B\", \"CFBundleIconFile\": \"A & B\", "
            "\"CFBundleIdentifier\": \"A & B\", \"CFBundleInfoDictionaryVersion\": \"6.0\", "
            "\"CFBundleName\": \"A & B\", \"CFBundlePackageType\": \"APPL\", "
            "\"CFBundleShortVersionString\": \"2.5.0.7\", \"CFBundleSupportedPlatforms\": [\"MacOSX\"], "
            "\"CFBundleVersion\": \"1\", \"DTCompiler\": \"com.apple.compilers.llvm.clang.1_0\", "
            "\"DTPlatformBuild\": \"12D4e\", \"DTPlatformVersion\": \"11.1\", \"DTSDKBuild\": \"20C63\", "
            "\"DTSDKName\": \"macosx11.1\", \"DTXcode\": \"1240\", \"DTXcodeBuild\": \"12D4e\", "
            "\"LSMinimumSystemVersion\": \"10.15\", "
            "\"NSAppTransportSecurity\": {\"NSAllowsArbitraryLoads\": true}, "
            "\"NSHumanReadableCopyright\": \"(c) 2026 A & B <Ltd>\", \"NSPrincipalClass\": \"NSApplication\"}\n");
#endif
}

TEST_F(BundleTest, EmptyVersionValuesGiveEmptyStrings) {
  version.fileVersionText.clear();
  version.legalCopyright.clear();
  const std::string plist = BundleInfoPlist("X", version);
  EXPECT_NE(plist.find("<key>CFBundleShortVersionString</key><string/>"), std::string::npos);
  EXPECT_NE(plist.find("<key>NSHumanReadableCopyright</key><string/>"), std::string::npos);
  KVXML parsed;
  EXPECT_TRUE(parsed.Load(plist));
}

TEST_F(BundleTest, AnUnusableIconRemovesTheOneOfAnEarlierBuild) {
  LoadProject("MyApp", kvtest::IconFileBytes({{16, 16, 32, kvtest::IconBitmap32(16, Opaque)}}));
  std::string executable;
  ASSERT_TRUE(BuildBundle(project, version, executable));
  const std::string icns = Contents("MyApp") + "Resources" + kSep + "MyApp.icns";
  ASSERT_TRUE(TempFolder::Exists(icns));
  TempFolder::Write(folder.FileOf(ProjectItemType::Icon, "app.ico"), "no longer an icon");
  ASSERT_TRUE(BuildBundle(project, version, executable));
  EXPECT_FALSE(TempFolder::Exists(icns));
}

TEST_F(BundleTest, ANameThatLeavesTheProjectFolderIsRefused) {
  for (const std::string& name : {std::string("..") + kSep + "outside", std::string(".."), std::string()}) {
    SCOPED_TRACE(name);
    KVProject other;
    ProjectFolder otherFolder;
    otherFolder.WriteProject("<Version>1</Version>" + KVXML::ElementText("Name", name) + "<Engine>2</Engine>");
    ASSERT_TRUE(other.Load(otherFolder.ProjectFile()));
    std::string executable = "stale";
    EXPECT_FALSE(BuildBundle(other, version, executable));
    EXPECT_TRUE(executable.empty());
    EXPECT_FALSE(TempFolder::Exists(otherFolder / ".." + kSep + "outside.app"));
    EXPECT_FALSE(TempFolder::Exists(otherFolder / "...app"));
    EXPECT_FALSE(TempFolder::Exists(otherFolder / ".app"));
  }
}

}  // namespace
