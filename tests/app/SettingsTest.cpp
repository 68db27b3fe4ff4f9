#include "app/settings/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/Platform.h"
#include "tests/common/TempFolder.h"
#include "tests/project/SmallDisk.h"

namespace fs = std::filesystem;

namespace {

const std::string kSep(1, kvplatform::kPathSeparator);

class SettingsTest : public ::testing::Test {
protected:
  void SetUp() override {
    documents = fs::temp_directory_path() /
                ("kv-settings-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(documents);
    fs::create_directories(documents);
  }
  void TearDown() override { fs::remove_all(documents); }

  fs::path configFile() const { return documents / "KelVox Studio" / "config.xml"; }
  std::string configText() const {
    std::ifstream in(configFile(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void writeConfig(const std::string& text) const {
    fs::create_directories(configFile().parent_path());
    std::ofstream(configFile(), std::ios::binary) << text;
  }
  std::string touch(const std::string& name) const {
    const fs::path p = documents / name;
    std::ofstream(p) << "<Project/>";
    return p.string();
  }

  fs::path documents;
};

}  // namespace

TEST_F(SettingsTest, FirstStartCreatesFoldersAndTheDefaultFile) {
  KVSettings settings;
  settings.load(documents.string());
  EXPECT_TRUE(fs::is_directory(documents / "KelVox Studio" / "Projects"));
  EXPECT_EQ(configText(), KVSettings::kDefaultText);
  EXPECT_EQ(settings.projectsFolder, (documents / "KelVox Studio" / "Projects").string() + kSep);
  EXPECT_EQ(settings.readNumber("//Settings/Position/Left"), 100);
  EXPECT_EQ(settings.readNumber("//Settings/Position/Width"), 800);
  EXPECT_EQ(settings.readNumber("//Settings/ProjectTreeWidth"), 200);
  EXPECT_EQ(settings.document.GetString("//Settings/LastProject"), "");
  EXPECT_EQ(settings.recentCount(), 0);
}

TEST_F(SettingsTest, FirstSaveAppendsRecentProjectsAndLaterSavesReplaceThemInPlace) {
  const std::string a = touch("a.kvproj"), b = touch("b & c.kvproj");
  KVSettings settings;
  settings.load(documents.string());
  settings.addRecent(a);
  ASSERT_TRUE(settings.save());
  EXPECT_NE(configText().find("<ProjectTreeWidth>200</ProjectTreeWidth><RecentProjects><ProjectFile>"),
            std::string::npos);

  settings.writeNumberOrAppend("//Settings/OutputVisible", "OutputVisible", 1);
  ASSERT_TRUE(settings.save());
  settings.addRecent(b);
  ASSERT_TRUE(settings.save());
  const std::string text = configText();
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>\n<Settings>", 0), 0u) << text;
  // The list is replaced as a whole and stays the last child of Settings.
  EXPECT_NE(text.find("<OutputVisible>1</OutputVisible><RecentProjects><ProjectFile>" + documents.string() + kSep +
                      "b &amp; c.kvproj</ProjectFile><ProjectFile>" + a + "</ProjectFile></RecentProjects></Settings>"),
            std::string::npos) << text;
  EXPECT_EQ(text.find("<RecentProjects>"), text.rfind("<RecentProjects>"));

  KVSettings again;
  again.load(documents.string());
  ASSERT_EQ(again.recentCount(), 2);
  EXPECT_EQ(again.recentProjects[0], b);
  EXPECT_EQ(again.readNumber("//Settings/OutputVisible"), 1);
}

TEST_F(SettingsTest, RecentListMovesMatchesToTheFrontAndKeepsTen) {
  KVSettings settings;
  settings.addRecent("C:\\A\\X.kvproj");
  settings.addRecent("C:\\B\\Y.kvproj");
  settings.addRecent("c:\\a\\x.KVPROJ");
  ASSERT_EQ(settings.recentCount(), 2);
  EXPECT_EQ(settings.recentProjects[0], "c:\\a\\x.KVPROJ");

  for (int i = 0; i < 11; ++i) settings.addRecent("P" + std::to_string(i));
  EXPECT_EQ(settings.recentCount(), 10);
  EXPECT_EQ(settings.recentProjects.front(), "P10");
  EXPECT_EQ(settings.recentProjects.back(), "P1");
}

TEST_F(SettingsTest, LoadKeepsExistingRecentFilesBeyondTenAndDropsMissingOnes) {
  std::string list;
  for (int i = 0; i < 12; ++i) list += "<ProjectFile>" + touch("p" + std::to_string(i) + ".kvproj") + "</ProjectFile>";
  list += "<ProjectFile>" + (documents / "gone.kvproj").string() + "</ProjectFile><ProjectFile/>";
  writeConfig("<Settings><RecentProjects>" + list + "</RecentProjects></Settings>");

  KVSettings settings;
  settings.load(documents.string());
  EXPECT_EQ(settings.recentCount(), 12);
  settings.addRecent(touch("new.kvproj"));
  EXPECT_EQ(settings.recentCount(), 13);  // only a list of exactly ten is cut
}

// A damaged file would leave the window 0 x 0 and every later save failing: it is kept aside
// and the IDE starts from the defaults, which it can save again.
TEST_F(SettingsTest, ADamagedFileIsKeptAsideAndTheDefaultsAreUsed) {
  const fs::path bad = configFile().string() + ".bad";
  for (const std::string damaged : {"<Settings><Position>", "", "<Other><Position/></Other>"}) {
    writeConfig(damaged);
    std::ofstream(bad, std::ios::binary) << "older";
    KVSettings settings;
    settings.load(documents.string());
    EXPECT_EQ(configText(), KVSettings::kDefaultText) << damaged;
    std::ifstream in(bad, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), damaged);
    const KVSettings::WindowPosition position = settings.windowPosition();
    EXPECT_EQ(position.width, 800);
    EXPECT_EQ(position.height, 600);
    EXPECT_EQ(settings.lastProject(), "");
    EXPECT_EQ(settings.recentCount(), 0);
    EXPECT_TRUE(settings.save());
  }
}

TEST_F(SettingsTest, NamedValuesFollowTheirReadAndWriteRules) {
  KVSettings settings;
  settings.load(documents.string());
  // A new file: the position and tree width exist, the output values do not.
  const KVSettings::WindowPosition first = settings.windowPosition();
  EXPECT_EQ(first.left, 100);
  EXPECT_EQ(first.top, 100);
  EXPECT_EQ(settings.treeWidth(), 200);
  EXPECT_EQ(settings.outputHeight(), 200);
  EXPECT_FALSE(settings.outputVisible());

  settings.setWindowPosition({-8, 20, 1024, 700});
  settings.setTreeWidth(260);
  settings.setOutputHeight(120);
  settings.setOutputVisible(true);
  settings.setLastProject("C:\\P\\a & b.kvproj");
  ASSERT_TRUE(settings.save());

  KVSettings again;
  again.load(documents.string());
  const KVSettings::WindowPosition read = again.windowPosition();
  EXPECT_EQ(read.left, -8);
  EXPECT_EQ(read.top, 20);
  EXPECT_EQ(read.width, 1024);
  EXPECT_EQ(read.height, 700);
  EXPECT_EQ(again.treeWidth(), 260);
  EXPECT_EQ(again.outputHeight(), 120);
  EXPECT_TRUE(again.outputVisible());
  EXPECT_EQ(again.lastProject(), "C:\\P\\a & b.kvproj");
  // Appended values go once, then are set in place.
  again.setOutputHeight(90);
  again.setOutputVisible(false);
  EXPECT_EQ(again.document.Count("//Settings/OutputHeight"), 1);
  EXPECT_EQ(again.outputHeight(), 90);
  EXPECT_FALSE(again.outputVisible());
}

TEST_F(SettingsTest, NamedValuesAreDroppedOrAppendedWhenMissing) {
  writeConfig("<Settings/>");
  KVSettings settings;
  settings.load(documents.string());
  settings.setWindowPosition({1, 2, 3, 4});
  settings.setTreeWidth(300);
  settings.setLastProject("x.kvproj");
  settings.setOutputHeight(300);
  settings.setOutputVisible(true);
  EXPECT_EQ(settings.document.Count("//Settings/*"), 2);
  EXPECT_EQ(settings.document.Count("//Settings/OutputHeight"), 1);
  EXPECT_EQ(settings.document.Count("//Settings/OutputVisible"), 1);
  EXPECT_EQ(settings.windowPosition().width, 0);
  EXPECT_EQ(settings.lastProject(), "");
}

TEST_F(SettingsTest, PaneSizesHaveTheirFloors) {
  struct Case {
    const char* stored;
    int treeWidth, outputHeight;
    bool visible;
  };
  const Case cases[] = {
      {"", 150, 200, false},      {"0", 150, 200, false},   {"1", 150, 50, true},
      {"49", 150, 50, false},     {"50", 150, 50, false},   {"150", 150, 150, false},
      {"151", 151, 151, false},   {" +1px", 150, 50, true}, {"-300", 150, 50, false},
      {"abc", 150, 200, false},   {"999", 999, 999, false},
  };
  for (const Case& c : cases) {
    const std::string text = std::string("<Settings><ProjectTreeWidth>") + c.stored + "</ProjectTreeWidth><OutputHeight>" +
                             c.stored + "</OutputHeight><OutputVisible>" + c.stored + "</OutputVisible></Settings>";
    writeConfig(text);
    KVSettings settings;
    settings.load(documents.string());
    EXPECT_EQ(settings.treeWidth(), c.treeWidth) << c.stored;
    EXPECT_EQ(settings.outputHeight(), c.outputHeight) << c.stored;
    EXPECT_EQ(settings.outputVisible(), c.visible) << c.stored;
  }
}

TEST_F(SettingsTest, NumbersAreReadLikeTheCLibraryDoes) {
  writeConfig("<Settings><Position><Left> -12px</Left><Top>abc</Top></Position>"
              "<ProjectTreeWidth>+7</ProjectTreeWidth></Settings>");
  KVSettings settings;
  settings.load(documents.string());
  EXPECT_EQ(settings.readNumber("//Settings/Position/Left"), -12);
  EXPECT_EQ(settings.readNumber("//Settings/Position/Top"), 0);
  EXPECT_EQ(settings.readNumber("//Settings/ProjectTreeWidth"), 7);
  settings.writeNumber("//Settings/Position/Width", 640);  // missing: dropped silently
  EXPECT_EQ(settings.document.Count("//Settings/Position/Width"), 0);
}

TEST(SettingsOnAFullDisk, SaveFailsAndKeepsTheOldFile) {
  kvtest::TempFolder temp;
  kvtest::SmallDisk disk(temp / "documents");
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  KVSettings settings;
  settings.load(disk.Path());
  const std::string config = disk.Path() + "KelVox Studio" + kSep + "config.xml";
  const std::string before = kvtest::TempFolder::Read(config);
  ASSERT_FALSE(before.empty());
  settings.addRecent(disk.Path() + "a long project name that makes the file grow.kvproj");
  disk.Fill();
  EXPECT_FALSE(settings.save());
  EXPECT_EQ(kvtest::TempFolder::Read(config), before);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::u8path(disk.Path() + "KelVox Studio")))
    names.push_back(entry.path().filename().u8string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Projects", "config.xml"}));
}
