#include "project/ProjectViewState.h"

#include <gtest/gtest.h>

#include "project/XML.h"

using Type = ProjectItemType;

namespace {

KVXML ProjectWith(const std::string& children) {
  KVXML document;
  EXPECT_TRUE(document.Load("<Project>" + children + "</Project>"));
  return document;
}

// Folders print as "label{...}", files as their name.
std::string Outline(const std::vector<LayoutEntry>& entries) {
  std::string text;
  for (const LayoutEntry& entry : entries) {
    if (!text.empty()) text += ",";
    text += entry.name;
    if (entry.folder) text += "{" + Outline(entry.children) + "}";
  }
  return text;
}

LayoutEntry File(const std::string& name) { return {name, false, {}}; }
LayoutEntry Folder(const std::string& name, std::vector<LayoutEntry> children) {
  return {name, true, std::move(children)};
}

}  // namespace

TEST(SavedTabs, FragmentHasNamesWithTheirTypeAndCaretThenTheSelectedOne) {
  SavedTabs saved;
  saved.tabs = {{Type::SourceFile, "a&b.js", 4, 5}, {Type::DialogWindow, "mainWin", 2, 3},
                {Type::Icon, "", -1, -1}, {Type::ExternalLibrary, "net.dll", -1, -1}};
  saved.selected = saved.tabs[0];
  EXPECT_EQ(TabsFragment(saved),
            "<Name type=\"0\" line=\"4\" position=\"5\">a&amp;b.js</Name><Name type=\"1\">mainWin</Name>"
            "<Name type=\"4\"/><Name type=\"2\">net.dll</Name><Selected type=\"0\">a&amp;b.js</Selected>");
  EXPECT_EQ(TabsFragment(SavedTabs{}), "");
}

TEST(SavedTabs, ReadBackGivesTheSameTabsWithTheirCaretRule) {
  SavedTabs saved;
  saved.tabs = {{Type::SourceFile, "m\xC3\xA4in <1> \"x\".js", 120, 4711},
                {Type::ExternalLibrary, "net.dll", 0, 0},
                {Type::DialogWindow, "mainWin", -1, -1},
                {Type::Bitmap, "logo.bmp", -1, -1}};
  saved.selected = saved.tabs[0];
  KVXML document = ProjectWith("<Tabs>" + TabsFragment(saved) + "</Tabs>");
  const SavedTabs read = ReadSavedTabs(document);
  ASSERT_EQ(read.tabs.size(), saved.tabs.size());
  for (size_t i = 0; i < read.tabs.size(); ++i) {
    EXPECT_EQ(read.tabs[i].type, saved.tabs[i].type) << i;
    EXPECT_EQ(read.tabs[i].displayName, saved.tabs[i].displayName) << i;
    EXPECT_EQ(read.tabs[i].line, saved.tabs[i].line) << i;
    EXPECT_EQ(read.tabs[i].position, saved.tabs[i].position) << i;
  }
  ASSERT_TRUE(read.selected);
  EXPECT_EQ(read.selected->displayName, saved.tabs[0].displayName);
}

TEST(SavedTabs, ReadTakesCaretAttributesOnlyForTextKindsAndDropsUnknownKinds) {
  KVXML document = ProjectWith(
      "<Tabs><Name type=\"0\" line=\" 12\" position=\"7x\">main.js</Name>"
      "<Name type=\"2\" line=\"3\">net.dll</Name>"
      "<Name type=\"1\" line=\"9\" position=\"9\">mainWin</Name>"
      "<Name type=\"9\">odd</Name><Name type=\"-1\">odd</Name><Name>untyped.js</Name>"
      "<Selected type=\"7\">odd</Selected></Tabs>");
  const SavedTabs read = ReadSavedTabs(document);
  struct Expected {
    Type type;
    const char* name;
    int line, position;
  };
  const Expected expected[] = {{Type::SourceFile, "main.js", 12, 7},
                               {Type::ExternalLibrary, "net.dll", 3, 0},
                               {Type::DialogWindow, "mainWin", -1, -1},
                               {Type::SourceFile, "untyped.js", 0, 0}};  // no type reads as 0
  ASSERT_EQ(read.tabs.size(), std::size(expected));
  for (size_t i = 0; i < read.tabs.size(); ++i) {
    EXPECT_EQ(read.tabs[i].type, expected[i].type) << i;
    EXPECT_EQ(read.tabs[i].displayName, expected[i].name) << i;
    EXPECT_EQ(read.tabs[i].line, expected[i].line) << i;
    EXPECT_EQ(read.tabs[i].position, expected[i].position) << i;
  }
  EXPECT_FALSE(read.selected);

  KVXML none = ProjectWith("<Tabs/>");
  EXPECT_TRUE(ReadSavedTabs(none).tabs.empty());
  EXPECT_FALSE(ReadSavedTabs(none).selected);
}

TEST(Layout, NestedFoldersAndAwkwardNamesSurviveARoundTrip) {
  const std::vector<LayoutEntry> entries = {
      Folder("Lib & <Co>", {File("a\"b\".js"), Folder("Deep", {Folder("Empty", {}), File("z.js")})}),
      File("m\xC3\xA4in.js"),
      Folder("Last", {})};
  const std::string fragment = LayoutFragment(entries);
  EXPECT_EQ(fragment.rfind("<Layout><SourceFiles><Item><Name>Lib &amp; &lt;Co&gt;</Name><Folder/>"
                           "<Item><Name>a\"b\".js</Name></Item>",
                           0),
            0u)
      << fragment;
  KVXML document = ProjectWith(fragment);
  const auto read = ReadLayout(document);
  ASSERT_TRUE(read);
  EXPECT_EQ(Outline(*read), "Lib & <Co>{a\"b\".js,Deep{Empty{},z.js}},m\xC3\xA4in.js,Last{}");
  EXPECT_EQ(LayoutFragment(*read), fragment);
}

TEST(Layout, OnlyAnItemWithExactlyOneFolderIsAFolder) {
  KVXML document = ProjectWith(
      "<Layout><SourceFiles>"
      "<Item><Name>twice</Name><Folder/><Folder/><Item><Name>hidden.js</Name></Item></Item>"
      "<Item><Folder/><Name>dir</Name><Name>ignored</Name><Item><Name>in.js</Name></Item></Item>"
      "<Item><Name>plain.js</Name><Item><Name>child.js</Name></Item></Item>"
      "</SourceFiles></Layout>");
  const auto read = ReadLayout(document);
  ASSERT_TRUE(read);
  EXPECT_EQ(Outline(*read), "twice,dir{in.js},plain.js");
}

TEST(Layout, NoItemsMeansNoLayout) {
  for (const char* children : {"", "<Layout/>", "<Layout><SourceFiles/></Layout>",
                               "<Layout><SourceFiles><Name>x</Name></SourceFiles></Layout>"}) {
    KVXML document = ProjectWith(children);
    EXPECT_FALSE(ReadLayout(document)) << children;
  }
  EXPECT_EQ(LayoutFragment({}), "<Layout><SourceFiles></SourceFiles></Layout>");
}
