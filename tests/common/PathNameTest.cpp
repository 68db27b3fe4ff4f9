#include "common/PathName.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(PathName, SplitsAfterTheLastSeparatorOfEitherKind) {
  struct Case {
    std::string path;
    std::string folder;
    std::string name;
  };
  const Case cases[] = {
      {"", "", ""},
      {"Form1.win", "", "Form1.win"},
      {"C:\\Projects\\App\\App.kvproj", "C:\\Projects\\App\\", "App.kvproj"},
      {"/home/user/App/App.kvproj", "/home/user/App/", "App.kvproj"},
      // A project written on one platform and opened on the other mixes both.
      {"C:\\Projects/App\\Source Files/main.js", "C:\\Projects/App\\Source Files/", "main.js"},
      {"Folder\\", "Folder\\", ""},
      {"/", "/", ""},
      {"a//b", "a//", "b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kvpath::FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(kvpath::FileNameOf(c.path), c.name) << c.path;
    // The halves put back together give the path again.
    EXPECT_EQ(kvpath::FolderOf(c.path) + kvpath::FileNameOf(c.path), c.path) << c.path;
  }
}

}  // namespace
