#include "project/Project.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/project/ChildProcess.h"
#include "tests/project/LockHolder.h"
#include "tests/project/ProjectFolder.h"

using kvtest::ProjectFolder;

namespace {

std::string Pid() {
  return std::to_string(kvplatform::CurrentProcessId());
}

std::string FilePid(const ProjectFolder& folder) {
  KVXML file;
  EXPECT_TRUE(file.Load(folder.ProjectFile()));
  return file.GetString("//Project/pid");
}

}  // namespace

TEST(ProjectLock, OpeningAppendsThePidAndClosingRemovesIt) {
  ProjectFolder folder;
  folder.WriteProject("<Name>Demo</Name><SourceFiles/>");
  KVProject project;
  ASSERT_TRUE(project.Load(folder.ProjectFile()));
  EXPECT_EQ(ProjectFolder::Read(folder.ProjectFile()),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project><Name>Demo</Name><SourceFiles/>"
            "<pid>" + Pid() + "</pid></Project>\n");
  project.ReleaseLock();
  EXPECT_FALSE(project.HoldsLock());
  project.Save("", "");
  EXPECT_EQ(FilePid(folder), "");
}

TEST(ProjectLock, AProjectOpensInOneProjectObjectAtATime) {
  ProjectFolder folder;
  folder.WriteProject("<Name>Demo</Name>");
  KVProject first;
  ASSERT_TRUE(first.Load(folder.ProjectFile()));
  KVProject second;
  EXPECT_FALSE(second.Load(folder.ProjectFile()));
  EXPECT_FALSE(second.HoldsLock());
  EXPECT_EQ(second.ProjectFilePath(), "");

  first.ReleaseLock();
  first.Save("", "");
  ASSERT_TRUE(second.Load(folder.ProjectFile()));
  EXPECT_EQ(FilePid(folder), Pid());
}

#ifndef _WIN32
// Without a folder for the lock, Acquire fails: the project file must not be left naming this
// process, which would hold the project for nobody and blame us for it.
TEST(ProjectLock, ALockThatCannotBeTakenLeavesTheFileAsItWas) {
  ProjectFolder folder;
  folder.WriteProject("<Name>Demo</Name><pid>not-a-running-ide</pid>");
  const std::string before = ProjectFolder::Read(folder.ProjectFile());
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string previous = saved != nullptr ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", (folder / "no such folder").c_str(), 1);
  KVProject project;
  const bool loaded = project.Load(folder.ProjectFile());
  if (saved != nullptr) {
    ::setenv("XDG_RUNTIME_DIR", previous.c_str(), 1);
  } else {
    ::unsetenv("XDG_RUNTIME_DIR");
  }
  EXPECT_FALSE(loaded);
  EXPECT_FALSE(project.HoldsLock());
  EXPECT_EQ(ProjectFolder::Read(folder.ProjectFile()), before);
}
#endif

TEST(ProjectLock, APidNobodyHoldsDoesNotBlock) {
  ProjectFolder folder;
  folder.WriteProject("<Name>Demo</Name><pid>not-a-running-ide</pid>");
  KVProject project;
  ASSERT_TRUE(project.Load(folder.ProjectFile()));
  EXPECT_EQ(FilePid(folder), Pid());
  EXPECT_EQ(project.Document().Count("//Project/pid"), 1);
}

// The lock must hold across processes and vanish with a process that is killed.
TEST(ProjectLock, AnotherLivingProcessKeepsTheProjectUntilItIsKilled) {
  ProjectFolder folder;
  folder.WriteProject("<Name>Demo</Name>");
  const std::string ready = folder / "ready";
  kvtest::ChildProcess child;
  ASSERT_TRUE(child.Start(kvplatform::ExecutablePath(),
                          {kvtest::kHoldProjectArgument, folder.ProjectFile(), ready}));
  ASSERT_TRUE(kvtest::WaitForFile(ready, child, std::chrono::seconds(60)));
  const std::string childPid = FilePid(folder);
  EXPECT_FALSE(childPid.empty());
  EXPECT_NE(childPid, Pid());

  KVProject project;
  EXPECT_FALSE(project.Load(folder.ProjectFile()));
  EXPECT_EQ(FilePid(folder), childPid);

  child.Kill();
  ASSERT_TRUE(project.Load(folder.ProjectFile()));
  EXPECT_EQ(FilePid(folder), Pid());
}
