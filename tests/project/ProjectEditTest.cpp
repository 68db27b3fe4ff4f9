#include "project/Project.h"

#include <gtest/gtest.h>

#include "tests/project/ProjectFolder.h"

using kvtest::ProjectFolder;
using Type = ProjectItemType;

namespace {

class ProjectEdit : public ::testing::Test {
protected:
  void SetUp() override {
    folder.AddFileOf(Type::SourceFile, "main.js");
    folder.AddFileOf(Type::DialogWindow, "mainWin.win");
    folder.AddFileOf(Type::DialogWindow, "about.win");
    folder.AddFileOf(Type::ExternalLibrary, "net.ext");
    folder.AddFileOf(Type::Bitmap, "logo.bmp");
    folder.AddFileOf(Type::Icon, "Demo.ico");
    folder.WriteProject(
        "<Name>Demo</Name><Icon>Demo.ico</Icon><SourceFiles><Name>main.js</Name></SourceFiles>"
        "<WindowFiles><Name>mainWin.win</Name><Name>about.win</Name></WindowFiles>"
        "<LibraryFiles><Name>net.ext</Name></LibraryFiles>"
        "<BitmapFiles><Name>logo.bmp</Name></BitmapFiles>");
    ASSERT_TRUE(project.Load(folder.ProjectFile()));
    ProjectFolder::Write(outside / "main.js", "outside main");
  }

  ProjectItem& ItemNamed(const std::string& displayName) {
    for (const auto& item : project.Items()) {
      if (item->displayName == displayName) return *item;
    }
    throw std::runtime_error("no item " + displayName);
  }

  ProjectFolder folder;
  ProjectFolder outside;
  KVProject project;
};

}  // namespace

TEST_F(ProjectEdit, AddFileFromElsewhereCopiesUnderAFreeName) {
  ProjectItem* second = project.AddFile(outside / "main.js", Type::SourceFile);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->fileName, "main2.js");
  EXPECT_EQ(second->directory, folder.Path() + KVProject::SubFolder(Type::SourceFile));
  EXPECT_EQ(ProjectFolder::Read(folder.FileOf(Type::SourceFile, "main2.js")), "outside main");
  EXPECT_EQ(ProjectFolder::Read(folder.FileOf(Type::SourceFile, "main.js")), "contents of main.js");

  // main3.js is taken on disk, so the next copy becomes main4.js.
  folder.AddFileOf(Type::SourceFile, "main3.js");
  ProjectItem* fourth = project.AddFile(outside / "main.js", Type::SourceFile);
  ASSERT_NE(fourth, nullptr);
  EXPECT_EQ(fourth->fileName, "main4.js");
  EXPECT_EQ(project.Items().back().get(), fourth);

  // Names are compared without case, and the new name takes the type's extension.
  ProjectFolder::Write(outside / "ABOUT.WIN", "w");
  ProjectItem* window = project.AddFile(outside / "ABOUT.WIN", Type::DialogWindow);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->fileName, "ABOUT2.win");
  EXPECT_EQ(window->displayName, "ABOUT2");

  ProjectFolder::Write(outside / "fresh.js", "fresh");
  ProjectItem* fresh = project.AddFile(outside / "fresh.js", Type::SourceFile);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->fileName, "fresh.js");
  EXPECT_EQ(ProjectFolder::Read(folder.FileOf(Type::SourceFile, "fresh.js")), "fresh");
}

TEST_F(ProjectEdit, AddFileInsideTheSubFolderAddsOrDuplicates) {
  folder.AddFileOf(Type::SourceFile, "util.js");
  const size_t count = project.Items().size();
  ProjectItem* util = project.AddFile(folder.FileOf(Type::SourceFile, "util.js"), Type::SourceFile);
  ASSERT_NE(util, nullptr);
  EXPECT_EQ(util->fileName, "util.js");
  EXPECT_EQ(project.Items().size(), count + 1);
  EXPECT_FALSE(ProjectFolder::Exists(folder.FileOf(Type::SourceFile, "util2.js")));

  // Already in the project: the file is duplicated under a new name.
  ProjectItem* copy = project.AddFile(folder.FileOf(Type::SourceFile, "main.js"), Type::SourceFile);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->fileName, "main2.js");
  EXPECT_EQ(ProjectFolder::Read(folder.FileOf(Type::SourceFile, "main2.js")), "contents of main.js");
}

TEST_F(ProjectEdit, AddingAnIconRepointsTheProjectIcon) {
  ProjectFolder::Write(outside / "new.ico", "icon");
  const size_t count = project.Items().size();
  ProjectItem& icon = ItemNamed("Icon");
  EXPECT_EQ(project.AddFile(outside / "new.ico", Type::Icon), &icon);
  EXPECT_EQ(icon.fileName, "new.ico");
  EXPECT_EQ(icon.displayName, "Icon");
  EXPECT_EQ(project.Items().size(), count);
  EXPECT_EQ(ProjectFolder::Read(folder.FileOf(Type::Icon, "new.ico")), "icon");
  project.Save("", "");
  EXPECT_EQ(project.Document().GetString("//Project/Icon"), "new.ico");
}

TEST_F(ProjectEdit, AddFileFailsWithoutChanges) {
  const size_t count = project.Items().size();
  EXPECT_EQ(project.AddFile(outside / "missing.js", Type::SourceFile), nullptr);
  EXPECT_EQ(project.AddFile(outside.Path(), Type::SourceFile), nullptr);
  EXPECT_EQ(project.Items().size(), count);
  EXPECT_FALSE(ProjectFolder::Exists(folder.FileOf(Type::SourceFile, "missing.js")));

  KVProject closed;
  EXPECT_EQ(closed.AddFile(outside / "main.js", Type::SourceFile), nullptr);
}

TEST_F(ProjectEdit, RenameItemRenamesTheFileByType) {
  struct Case {
    const char* item;
    const char* newText;
    const char* displayName;
    const char* fileName;
  };
  const Case cases[] = {
      {"main.js", "form", "form.js", "form.js"},
      {"form.js", "Util.JS", "Util.JS", "Util.JS"},
      {"Util.JS", "ab", "ab.js", "ab.js"},
      {"mainWin", "other", "other", "other.win"},
      {"net.dll", "http.dll", "http.dll", "http.ext"},
      {"http.dll", "sock", "sock.dll", "sock.ext"},
      {"logo.bmp", "banner", "banner.bmp", "banner.bmp"},
  };
  for (const Case& c : cases) {
    ProjectItem& item = ItemNamed(c.item);
    const std::string oldPath = item.Path();
    ASSERT_TRUE(project.RenameItem(item, c.newText)) << c.item;
    EXPECT_EQ(item.displayName, c.displayName);
    EXPECT_EQ(item.fileName, c.fileName);
    EXPECT_FALSE(ProjectFolder::Exists(oldPath));
    EXPECT_TRUE(ProjectFolder::Exists(item.Path())) << item.Path();
  }

  // The display names survive saving and reopening, so the tabs still find them.
  project.Save("", "");
  project.ReleaseLock();
  KVProject reopened;
  ASSERT_TRUE(reopened.Load(folder.ProjectFile()));
  std::vector<std::string> names;
  for (const auto& item : reopened.Items()) names.push_back(item->displayName);
  EXPECT_EQ(names, (std::vector<std::string>{"ab.js", "other", "about", "sock.dll",
                                             "Version Info", "Icon", "banner.bmp"}));
}

TEST_F(ProjectEdit, RenameItemRefusesWithoutTouchingFiles) {
  ProjectItem& mainWin = ItemNamed("mainWin");
  // Same name in another case: nothing to do.
  EXPECT_TRUE(project.RenameItem(mainWin, "MAINWIN"));
  EXPECT_EQ(mainWin.fileName, "mainWin.win");

  // A name another item of the type has; a name that is a path; no name.
  for (const char* newText : {"About", "../mainWin", "sub/x", "a\\b", ""}) {
    EXPECT_FALSE(project.RenameItem(mainWin, newText)) << newText;
  }
  // The target file exists on disk though not in the project.
  folder.AddFileOf(Type::DialogWindow, "taken.win");
  EXPECT_FALSE(project.RenameItem(mainWin, "taken"));
  EXPECT_EQ(ProjectFolder::Read(folder.FileOf(Type::DialogWindow, "taken.win")),
            "contents of taken.win");

  EXPECT_EQ(mainWin.displayName, "mainWin");
  EXPECT_EQ(ProjectFolder::Read(mainWin.Path()), "contents of mainWin.win");
  EXPECT_FALSE(project.RenameItem(ItemNamed("Icon"), "other"));
  EXPECT_FALSE(project.RenameItem(ItemNamed("Version Info"), "other"));

  // The same display name in another type does not count.
  ProjectItem& main = ItemNamed("main.js");
  EXPECT_TRUE(project.RenameItem(main, "about"));
  EXPECT_EQ(main.fileName, "about.js");
}

TEST_F(ProjectEdit, RemoveAndClearLeaveFilesOnDisk) {
  ProjectItem& main = ItemNamed("main.js");
  const std::string path = main.Path();
  const size_t count = project.Items().size();
  project.RemoveItem(&main);
  EXPECT_EQ(project.Items().size(), count - 1);
  EXPECT_TRUE(ProjectFolder::Exists(path));
  project.ClearItems();
  EXPECT_TRUE(project.Items().empty());
  EXPECT_TRUE(ProjectFolder::Exists(path));
}
