#include "project/Project.h"

#include <gtest/gtest.h>

#include "tests/project/ProjectFolder.h"

using kvtest::kSep;
using kvtest::ProjectFolder;
using Type = ProjectItemType;

namespace {

struct ItemView {
  Type type;
  std::string displayName;
  std::string fileName;
  std::string directory;
  bool operator==(const ItemView& other) const {
    return type == other.type && displayName == other.displayName &&
           fileName == other.fileName && directory == other.directory;
  }
};

std::ostream& operator<<(std::ostream& out, const ItemView& item) {
  return out << static_cast<int>(item.type) << " '" << item.displayName << "' '"
             << item.fileName << "' '" << item.directory << "'";
}

std::vector<ItemView> Items(const KVProject& project) {
  std::vector<ItemView> views;
  for (const auto& item : project.Items()) {
    views.push_back({item->type, item->displayName, item->fileName, item->directory});
  }
  return views;
}

std::string Pid() {
  return std::to_string(kvplatform::CurrentProcessId());
}

// One of every kind, with a listed source file that is missing on disk and a missing icon.
class LoadedProject : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"main.js", "a&b.js"}) folder.AddFileOf(Type::SourceFile, name);
    folder.AddFileOf(Type::DialogWindow, "mainWin.win");
    folder.AddFileOf(Type::ExternalLibrary, "net.ext");
    folder.AddFileOf(Type::Bitmap, "logo.bmp");
    folder.WriteProject(
        "<Version>1</Version><Name>A &amp; B</Name><ExeName>A&amp;B.exe</ExeName>"
        "<Engine>2</Engine><Icon>Demo.ico</Icon>"
        "<SourceFiles><Name>main.js</Name><Name>gone.js</Name><Name>a&amp;b.js</Name>"
        "</SourceFiles><WindowFiles><Name>mainWin.win</Name></WindowFiles>"
        "<LibraryFiles><Name>net.ext</Name></LibraryFiles>"
        "<BitmapFiles><Name>logo.bmp</Name></BitmapFiles><Tabs/>");
    ASSERT_TRUE(project.Load(folder.ProjectFile()));
  }

  std::string Dir(const char* sub) const { return folder.Path() + sub + kSep; }

  ProjectFolder folder;
  KVProject project;
};

}  // namespace

TEST_F(LoadedProject, LoadReadsSettingsAndExistingFilesInOrder) {
  EXPECT_EQ(project.ProjectFilePath(), folder.ProjectFile());
  EXPECT_EQ(project.Folder(), folder.Path());
  EXPECT_EQ(project.Name(), "A & B");
  EXPECT_EQ(project.ExeName(), "A&B.exe");
  EXPECT_EQ(project.Target(), 2);
  EXPECT_EQ(project.IdeExecutablePath(), kvplatform::ExecutablePath());
  EXPECT_TRUE(project.HoldsLock());
  const std::vector<ItemView> expected = {
      {Type::SourceFile, "main.js", "main.js", Dir("Source Files")},
      {Type::SourceFile, "a&b.js", "a&b.js", Dir("Source Files")},
      {Type::DialogWindow, "mainWin", "mainWin.win", Dir("Dialog Windows")},
      {Type::ExternalLibrary, "net.dll", "net.ext", Dir("External Libraries")},
      {Type::VersionInfo, "Version Info", "version.xml", Dir("Resources")},
      {Type::Icon, "Icon", "Demo.ico", Dir("Resources")},
      {Type::Bitmap, "logo.bmp", "logo.bmp", Dir("Resources")},
  };
  EXPECT_EQ(Items(project), expected);
}

TEST_F(LoadedProject, MissingVersionInfoIsWrittenWithTheDefaults) {
  const std::string versionPath = folder.FileOf(Type::VersionInfo, "version.xml");
  EXPECT_EQ(ProjectFolder::Read(versionPath),
            "<?xml version=\"1.0\"?>\n<Version><FixedFileVersion><Release>1</Release>"
            "<Major>0</Major><Minor>0</Minor><Build>1</Build></FixedFileVersion>"
            "<Description>KelVox.js Application</Description><ProductName>A &amp; B"
            "</ProductName><OriginalFilename>A&amp;B.exe</OriginalFilename></Version>\n");

  // An existing file is left alone.
  ProjectFolder::Write(versionPath, "<Version>edited</Version>");
  project.ReleaseLock();
  KVProject again;
  ASSERT_TRUE(again.Load(folder.ProjectFile()));
  EXPECT_EQ(ProjectFolder::Read(versionPath), "<Version>edited</Version>");
}

TEST_F(LoadedProject, SaveWritesElementsInTheirFixedOrder) {
  const std::string tabs =
      "<Name type=\"0\">main.js</Name><Name type=\"1\" line=\"3\">mainWin</Name>"
      "<Selected type=\"1\">mainWin</Selected>";
  const std::string layout =
      "<Layout><SourceFiles><Item><Name>Lib</Name><Folder/><Item><Name>a&amp;b.js</Name>"
      "</Item></Item><Item><Name>main.js</Name></Item></SourceFiles></Layout>";
  project.Save(tabs, layout);
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project><Version>1</Version>"
      "<Name>A &amp; B</Name><ExeName>A&amp;B.exe</ExeName><Engine>2</Engine>"
      "<Icon>Demo.ico</Icon><SourceFiles><Name>main.js</Name><Name>a&amp;b.js</Name>"
      "</SourceFiles><WindowFiles><Name>mainWin.win</Name></WindowFiles>"
      "<LibraryFiles><Name>net.ext</Name></LibraryFiles>"
      "<BitmapFiles><Name>logo.bmp</Name></BitmapFiles>";
  EXPECT_EQ(ProjectFolder::Read(folder.ProjectFile()),
            head + "<Tabs>" + tabs + "</Tabs>" + layout + "<pid>" + Pid() + "</pid></Project>\n");
  EXPECT_EQ(project.Document().GetString("//Project/Layout/SourceFiles/Item[1]/Item/Name"),
            "a&b.js");

  // Closing: the lock goes first, so the file no longer names a process. Empty lists stay.
  project.ReleaseLock();
  project.ClearItems();
  project.Save("", "");
  EXPECT_EQ(ProjectFolder::Read(folder.ProjectFile()),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project><Version>1</Version>"
            "<Name>A &amp; B</Name><ExeName>A&amp;B.exe</ExeName><Engine>2</Engine>"
            "<SourceFiles/><WindowFiles/><LibraryFiles/><BitmapFiles/><Tabs/></Project>\n");
}

TEST_F(LoadedProject, SaveWithABrokenFragmentKeepsFileAndDocument) {
  const std::string before = ProjectFolder::Read(folder.ProjectFile());
  project.Save("<Name type=\"0\">unclosed", "");
  EXPECT_EQ(ProjectFolder::Read(folder.ProjectFile()), before);
  EXPECT_EQ(project.Document().GetString("//Project/Icon"), "Demo.ico");
}

TEST_F(LoadedProject, SaveThenLoadGivesTheSameModel) {
  project.SetTarget(static_cast<std::int32_t>(BuildTarget::Windows32));
  project.Save("", "");
  project.ReleaseLock();

  KVProject reopened;
  ASSERT_TRUE(reopened.Load(folder.ProjectFile()));
  EXPECT_EQ(Items(reopened), Items(project));
  EXPECT_EQ(reopened.Name(), project.Name());
  EXPECT_EQ(reopened.ExeName(), project.ExeName());
  EXPECT_EQ(reopened.Target(), 3);
}

TEST_F(LoadedProject, FailedLoadKeepsTheOpenProject) {
  const auto before = Items(project);
  ProjectFolder other;
  ProjectFolder::Write(other / "broken.kvproj", "<Project><Name>x</Project>");
  const std::string settings = "<Settings><Name>not a project</Name></Settings>";
  ProjectFolder::Write(other / "settings.xml", settings);

  EXPECT_FALSE(project.Load(other / "broken.kvproj"));
  EXPECT_FALSE(project.Load(other / "missing.kvproj"));
  // Other XML is refused and left untouched rather than taken over by the next Save.
  EXPECT_FALSE(project.Load(other / "settings.xml"));
  EXPECT_EQ(ProjectFolder::Read(other / "settings.xml"), settings);

  EXPECT_EQ(project.Name(), "A & B");
  EXPECT_EQ(Items(project), before);
  EXPECT_TRUE(project.HoldsLock());
  EXPECT_EQ(project.Document().GetString("//Project/Name"), "A & B");
}

TEST(Project, EngineValuesAreKeptAsStored) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"<Engine>1</Engine>", 1}, {"", 0},   {"<Engine>7</Engine>", 7},
      {"<Engine>-3</Engine>", -3}, {"<Engine>x</Engine>", 0}, {"<Engine> 3 </Engine>", 3},
  };
  for (const auto& [element, expected] : cases) {
    ProjectFolder folder;
    folder.WriteProject(std::string("<Name>P</Name>") + element);
    KVProject project;
    ASSERT_TRUE(project.Load(folder.ProjectFile()));
    EXPECT_EQ(project.Target(), expected) << element;
    EXPECT_EQ(IsKnownBuildTarget(project.Target()), expected >= 1 && expected <= 3);
    project.Save("", "");
    EXPECT_EQ(project.Document().GetString("//Project/Engine"), std::to_string(expected));
  }
}

// A project file is outside data: names that would lead out of their sub-folder are
// skipped like missing files, even where such a file exists.
TEST(Project, UnsafeNamesAreSkipped) {
  ProjectFolder folder;
  folder.AddFileOf(Type::SourceFile, "main.js");
  ProjectFolder::Write(folder / "outside.js", "x");
  ProjectFolder::Write(folder / "outside.ico", "x");
  kvplatform::CreateFolder(folder.FileOf(Type::SourceFile, "sub"));
  folder.AddFileOf(Type::SourceFile, std::string("sub") + kSep + "inner.js");
#ifndef _WIN32
  folder.AddFileOf(Type::SourceFile, "..\\outside.js");  // a plain name here, still refused
#endif
  const std::string unsafe[] = {"../outside.js", "..\\outside.js", "sub/inner.js",
                                "sub\\inner.js", ".", "..", "", folder / "outside.js"};
  std::string list;
  for (const std::string& name : unsafe) list += KVXML::ElementText("Name", name);

  for (const char* icon : {"../outside.ico", "..\\outside.ico", "..", ""}) {
    folder.WriteProject(std::string("<Name>P</Name><Icon>") + icon + "</Icon><SourceFiles>" +
                        list + "<Name>main.js</Name></SourceFiles><WindowFiles>" + list +
                        "</WindowFiles><LibraryFiles>" + list + "</LibraryFiles><BitmapFiles>" +
                        list + "<Name>../Source Files/main.js</Name></BitmapFiles>");
    KVProject project;
    ASSERT_TRUE(project.Load(folder.ProjectFile()));
    // The project keeps its icon item, without a file.
    const std::vector<ItemView> expected = {
        {Type::SourceFile, "main.js", "main.js", folder.Path() + "Source Files" + kSep},
        {Type::VersionInfo, "Version Info", "version.xml", folder.Path() + "Resources" + kSep},
        {Type::Icon, "Icon", "", folder.Path() + "Resources" + kSep},
    };
    EXPECT_EQ(Items(project), expected) << icon;

    project.Save("", "");
    EXPECT_EQ(project.Document().Count("//Project/*/Name"), 1);
    EXPECT_EQ(project.Document().Count("//Project/Icon"), 1);
    EXPECT_EQ(project.Document().GetString("//Project/Icon"), "");
  }
}

TEST(ProjectItem, SplitsFullPathsAtEitherSeparator) {
  const ProjectItem a = ProjectItem::FromPath("C:\\P\\Dialog Windows\\\\main.Win.win",
                                              Type::DialogWindow);
  EXPECT_EQ(a.directory, std::string("C:\\P\\Dialog Windows") + kSep);
  EXPECT_EQ(a.fileName, "main.Win.win");
  EXPECT_EQ(a.displayName, "main.Win");
  const ProjectItem b = ProjectItem::FromPath("/p/External Libraries/net", Type::ExternalLibrary);
  EXPECT_EQ(b.directory, std::string("/p/External Libraries") + kSep);
  EXPECT_EQ(b.displayName, "net.dll");
  const ProjectItem c = ProjectItem::FromPath("/logo.bmp", Type::Bitmap);
  EXPECT_EQ(c.directory, std::string(1, kSep));
  EXPECT_EQ(c.displayName, "logo.bmp");
  EXPECT_EQ(ProjectItem::FromPath("x.ico", Type::Icon).directory, "");
}

// Two records for one file would let editing one overwrite the other and deleting one remove
// the other's file. The first entry wins, across lists that share a folder too.
TEST(Project, AFileListedTwiceGivesOneItem) {
  ProjectFolder folder;
  folder.AddFileOf(Type::SourceFile, "main.js");
  folder.AddFileOf(Type::SourceFile, "other.js");
  folder.AddFileOf(Type::Icon, "app.ico");
  folder.AddFileOf(Type::Bitmap, "logo.bmp");
  folder.WriteProject(
      "<Name>P</Name><Icon>app.ico</Icon>"
      "<SourceFiles><Name>main.js</Name><Name>other.js</Name><Name>main.js</Name>"
      "<Name>MAIN.JS</Name></SourceFiles>"
      "<BitmapFiles><Name>logo.bmp</Name><Name>app.ico</Name><Name>version.xml</Name>"
      "<Name>logo.bmp</Name></BitmapFiles>");
  KVProject project;
  ASSERT_TRUE(project.Load(folder.ProjectFile()));
  const std::string sources = folder.Path() + "Source Files" + kSep;
  const std::string resources = folder.Path() + "Resources" + kSep;
  // Where file names ignore case, MAIN.JS is main.js again; elsewhere it is a missing file.
  const std::vector<ItemView> expected = {
      {Type::SourceFile, "main.js", "main.js", sources},
      {Type::SourceFile, "other.js", "other.js", sources},
      {Type::VersionInfo, "Version Info", "version.xml", resources},
      {Type::Icon, "Icon", "app.ico", resources},
      {Type::Bitmap, "logo.bmp", "logo.bmp", resources},
  };
  EXPECT_EQ(Items(project), expected);
  EXPECT_TRUE(kvplatform::SameFileName("main.js", "main.js"));
#ifdef _WIN32
  EXPECT_TRUE(kvplatform::SameFileName("C:\\P\\M\xC3\xA4in.js", "c:\\p\\m\xC3\x84IN.JS"));
#else
  EXPECT_FALSE(kvplatform::SameFileName("main.js", "MAIN.JS"));
#endif

  // Removing the one record leaves no other record pointing at the file.
  project.RemoveItem(project.Items().front().get());
  project.Save("", "");
  EXPECT_EQ(project.Document().Count("//Project/SourceFiles/Name"), 1);
  EXPECT_EQ(project.Document().GetString("//Project/SourceFiles/Name"), "other.js");
}
