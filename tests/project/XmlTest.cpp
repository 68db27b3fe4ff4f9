#include "project/XML.h"

#include <chrono>
#include <cstdio>

#include <gtest/gtest.h>
#include <libxml/tree.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "tests/common/TempFolder.h"

using kvtest::TempFolder;

namespace {

constexpr char kLoadFirst[] = "Load() must be called first.";
constexpr char kXPathNotFound[] = "XPath not found in the xml document.";

constexpr char kSample[] =
    "<Project><Name>Demo</Name><Tabs>"
    "<Name type=\"0\" line=\"12\">main.js</Name><Name type=\"1\">mainWin</Name>"
    "<Selected type=\"1\">mainWin</Selected></Tabs><Empty/></Project>";

void ExpectError(const KVXML& xml, int code, const std::string& message) {
  EXPECT_EQ(xml.LastErrorCode(), code);
  EXPECT_EQ(xml.LastErrorMessage(), message);
}

std::string Serialized(KVXML& xml, const TempFolder& temp) {
  const std::string path = temp / "out.xml";
  EXPECT_TRUE(xml.Save(path));
  return TempFolder::Read(path);
}

}  // namespace

TEST(KVXML, LoadsAnExistingFileElseParsesTheTextItself) {
  TempFolder temp;
  const std::string path = temp / "\xC3\xA9t\xC3\xA9.xml";
  TempFolder::Write(path, "<r><v>from file</v></r>");

  KVXML xml;
  ASSERT_TRUE(xml.Load(path));
  EXPECT_TRUE(xml.IsLoaded());
  EXPECT_EQ(xml.GetString("/r/v"), "from file");
  ASSERT_TRUE(xml.Load("<r><v>from text</v></r>"));
  EXPECT_EQ(xml.GetString("/r/v"), "from text");
  ExpectError(xml, 0, "");
}

TEST(KVXML, FailedLoadDropsTheDocument) {
  TempFolder temp;
  const std::string broken = temp / "broken.xml";
  TempFolder::Write(broken, "<r><unclosed></r>");
  for (const std::string& source : {broken, std::string("not xml"), std::string()}) {
    KVXML xml;
    ASSERT_TRUE(xml.Load("<r>1</r>"));
    EXPECT_FALSE(xml.Load(source)) << source;
    ExpectError(xml, 3, "Failed to load xml.");
    EXPECT_FALSE(xml.IsLoaded());
    EXPECT_EQ(xml.GetString("/r"), "");
    ExpectError(xml, 2, kLoadFirst);
  }
}

TEST(KVXML, DocumentsDeclaringEntitiesAreRefused) {
  // A small entity referenced many times: read as text it would expand without bound.
  std::string laughs = "<!DOCTYPE Project [<!ENTITY a \"" + std::string(100, 'a') + "\">]><Project><Name>";
  for (int i = 0; i < 20000; ++i) laughs += "&a;";
  laughs += "</Name></Project>";
  std::string nested = "<!DOCTYPE r [<!ENTITY e0 \"lol\">";
  for (int i = 1; i < 10; ++i) {
    nested += "<!ENTITY e" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) nested += "&e" + std::to_string(i - 1) + ";";
    nested += "\">";
  }
  nested += "]><r>&e9;</r>";
  TempFolder temp;
  const std::string secret = temp / "secret.txt";
  TempFolder::Write(secret, "secret");
  const std::string cases[] = {
      laughs,
      nested,
      "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + secret + "\">]><r>&x;</r>",
      "<!DOCTYPE r [<!ENTITY % p \"<!ENTITY q 'v'>\"> %p;]><r>&q;</r>",
      "<!DOCTYPE r [<!ENTITY x \"unused\">]><r>plain</r>",
  };
  for (const std::string& source : cases) {
    SCOPED_TRACE(source.substr(0, 60));
    KVXML xml;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(xml.Load(source));
    ExpectError(xml, 3, "Failed to load xml.");
    EXPECT_TRUE(xml.GetString("/*").empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
  // A document type without entities, and the predefined references, still load.
  KVXML xml;
  ASSERT_TRUE(xml.Load("<!DOCTYPE r [<!ELEMENT r ANY>]><r>a&amp;b&#65;</r>"));
  EXPECT_EQ(xml.GetString("/r"), "a&bA");
  ASSERT_TRUE(xml.Load("<!DOCTYPE r SYSTEM \"missing.dtd\"><r>x</r>"));
  EXPECT_EQ(xml.GetString("/r"), "x");
}

TEST(KVXML, LibraryErrorsNeverReachStderr) {
#ifdef _WIN32
  GTEST_SKIP() << "stderr is captured through POSIX descriptors";
#else
  TempFolder temp;
  const std::string captured = temp / "stderr.txt";
  FILE* sink = std::fopen(captured.c_str(), "w");
  ASSERT_NE(sink, nullptr);
  std::fflush(stderr);
  const int saved = dup(fileno(stderr));
  ASSERT_GE(saved, 0);
  dup2(fileno(sink), fileno(stderr));
  {
    KVXML xml;
    for (const char* source : {"<?xml version=\"1.0\" encoding=\"no-such\"?><r/>", "<r>\xFF\xFE</r>",
                               "<r>&undefined;</r>", "<!DOCTYPE r SYSTEM \"missing.dtd\"><r>&x;</r>",
                               "<r><unclosed></r>", "<r a=\"1\" a=\"2\"/>"}) {
      xml.Load(source);
    }
    ASSERT_TRUE(xml.Load(kSample));
    for (const char* xpath : {"//[", "nosuch()", "$undefined", "//Name[", "1 div", "substring()"}) {
      xml.GetString(xpath);
      xml.Count(xpath);
    }
    // Values that are not UTF-8.
    xml.SetString("//Project/Name", "a\xFF\xFE");
    xml.SetString("//Project/Tabs/Name/@type", "\xC3");
    KVXML::ElementText("Name", "\xC3(");
  }
  std::fflush(stderr);
  dup2(saved, fileno(stderr));
  close(saved);
  std::fclose(sink);
  EXPECT_EQ(TempFolder::Read(captured), "");
#endif
}

TEST(KVXML, DocumentOperationsNeedALoad) {
  TempFolder temp;
  KVXML xml;
  EXPECT_FALSE(xml.Save(temp / "x.xml"));
  ExpectError(xml, 2, kLoadFirst);
  EXPECT_FALSE(TempFolder::Exists(temp / "x.xml"));
  EXPECT_EQ(xml.Count("//a"), 0);
  ExpectError(xml, 2, kLoadFirst);
  EXPECT_EQ(xml.GetString("//a"), "");
  ExpectError(xml, 2, kLoadFirst);
  EXPECT_EQ(xml.GetTabAttribute(1, "type"), "");
  ExpectError(xml, 2, kLoadFirst);
  EXPECT_FALSE(xml.SetString("//a", "v"));
  ExpectError(xml, 2, kLoadFirst);
  EXPECT_FALSE(xml.AddChildNumber("//a", "n", 1));
  ExpectError(xml, 2, kLoadFirst);
  EXPECT_FALSE(xml.ReplaceRecentProjects("<RecentProjects/>"));
  ExpectError(xml, 2, kLoadFirst);
  EXPECT_EQ(KVXML::ElementText("Name", "a"), "<Name>a</Name>");
}

TEST(KVXML, GetStringConvertsEveryResultType) {
  KVXML xml;
  ASSERT_TRUE(xml.Load(kSample));
  const std::pair<const char*, const char*> cases[] = {
      {"//Project/Name", "Demo"},
      {"//Project/Tabs/Name", "main.js"},  // only the first match counts
      {"//Project/Tabs/Name[2]", "mainWin"},
      {"//Project/Tabs/Name[1]/@line", "12"},
      {"//Project/Missing", ""},
      {"//Project/Empty", ""},
      {"count(//Project/Tabs/Name)", "2.00"},
      {"count(//Project/Tabs/Name) = 2", "true"},
      {"count(//Project/Tabs/Name) > 5", "false"},
      {"concat(//Project/Name, '!')", "Demo!"},
      {"1 div 3", "0.33"},
  };
  for (const auto& [xpath, expected] : cases) {
    EXPECT_EQ(xml.GetString(xpath), expected) << xpath;
    ExpectError(xml, 0, "");
  }
  EXPECT_EQ(xml.GetTabAttribute(1, "type"), "0");
  EXPECT_EQ(xml.GetTabAttribute(2, "type"), "1");
  EXPECT_EQ(xml.GetTabAttribute(2, "line"), "");
}

TEST(KVXML, BadExpressionsRecordCode4AndTheNextCallClearsIt) {
  KVXML xml;
  ASSERT_TRUE(xml.Load(kSample));
  EXPECT_EQ(xml.GetString("//Project/Tabs/Name[1"), "");
  ExpectError(xml, 4, kXPathNotFound);
  EXPECT_EQ(xml.Count("//Project/Tabs/Name[1"), 0);
  ExpectError(xml, 4, kXPathNotFound);
  EXPECT_FALSE(xml.SetString("//[", "v"));
  ExpectError(xml, 4, kXPathNotFound);
  EXPECT_FALSE(xml.AddChildNumber("//[", "n", 1));
  ExpectError(xml, 4, kXPathNotFound);
  EXPECT_EQ(xml.GetString("//Project/Name"), "Demo");
  ExpectError(xml, 0, "");
}

TEST(KVXML, CountsNodeSetsOnly) {
  KVXML xml;
  ASSERT_TRUE(xml.Load(kSample));
  EXPECT_EQ(xml.Count("//Project/Tabs/Name"), 2);
  EXPECT_EQ(xml.Count("//Project/Tabs/*"), 3);
  EXPECT_EQ(xml.Count("//Missing"), 0);
  EXPECT_EQ(xml.Count("count(//Name)"), 0);
  ExpectError(xml, 0, "");
}

TEST(KVXML, NodesWalkASelectionOnceInDocumentOrder) {
  KVXML xml;
  EXPECT_TRUE(xml.Nodes("//a").empty());
  ExpectError(xml, 2, kLoadFirst);
  ASSERT_TRUE(xml.Load(
      "<Project xmlns:x=\"urn:x\"><Tabs><Name type=\"0\" line=\"12\">main<b>.js</b></Name>"
      "<Name type=\"1\">mainWin</Name></Tabs>"
      "<Item><Name>first</Name><x:Name>other</x:Name><Folder/><Item/>text<Name>second</Name>"
      "<Sub><Name>deeper</Name></Sub></Item></Project>"));
  const std::vector<KVXMLNode> tabs = xml.Nodes("//Project/Tabs/Name");
  ASSERT_EQ(tabs.size(), 2u);
  EXPECT_EQ(tabs[0].Text(), "main.js");  // the whole text content, as GetString gives it
  EXPECT_EQ(tabs[0].Attribute("line"), "12");
  EXPECT_EQ(tabs[1].Text(), "mainWin");
  EXPECT_EQ(tabs[1].Attribute("line"), "");
  EXPECT_EQ(xml.Nodes("//Project/Tabs/Name/@type")[1].Text(), "1");

  // Children are the direct element children of the name, as the XPath step selects them.
  const std::vector<KVXMLNode> names = xml.Nodes("//Project/Item")[0].Children("Name");
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0].Text(), "first");
  EXPECT_EQ(names[1].Text(), "second");
  EXPECT_EQ(xml.Nodes("//Project/Item")[0].Children("Folder").size(), 1u);
  EXPECT_EQ(xml.Nodes("//Project/Tabs/Name/@type")[0].Children("Name").size(), 0u);

  EXPECT_TRUE(xml.Nodes("//Missing").empty());
  ExpectError(xml, 0, "");
  EXPECT_TRUE(xml.Nodes("count(//Name)").empty());
  EXPECT_TRUE(xml.Nodes("//Project/Tabs/Name[1").empty());
  ExpectError(xml, 4, kXPathNotFound);
}

// A path of plain child steps is walked without the XPath engine; the same expression in
// parentheses still goes through it, so both must select the same nodes in the same order.
TEST(KVXML, ChildPathsSelectWhatXPathSelects) {
  const char* documents[] = {
      "<!-- before --><Project xmlns:x=\"urn:x\"><List><Name>a</Name><x:Name>ns</x:Name><!-- c -->"
      "<Name>b<b>old</b></Name><Item><Name>deep</Name></Item></List><Other/>"
      "<List><Name>c</Name></List><x:List><Name>hidden</Name></x:List></Project>",
      "<Project xmlns=\"urn:default\"><List><Name>a</Name></List></Project>",
  };
  const char* paths[] = {"/Project", "/Project/List", "/Project/List/Name", "/Project/List/Name/b",
                         "/Project/List/Item/Name", "/Other/List", "/Project/Missing/Name", "/Project/List/x"};
  for (const char* document : documents) {
    KVXML xml;
    ASSERT_TRUE(xml.Load(document));
    for (const std::string path : paths) {
      std::vector<std::string> walked, evaluated;
      for (const KVXMLNode& node : xml.Nodes(path)) walked.push_back(node.Text());
      for (const KVXMLNode& node : xml.Nodes("(" + path + ")")) evaluated.push_back(node.Text());
      EXPECT_EQ(walked, evaluated) << document << " " << path;
    }
  }
  KVXML xml;
  ASSERT_TRUE(xml.Load(documents[0]));
  std::vector<std::string> names;
  for (const KVXMLNode& node : xml.Nodes("/Project/List/Name")) names.push_back(node.Text());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "bold", "c"}));
}

TEST(KVXML, SetStringStoresTheValueAsGiven) {
  TempFolder temp;
  const std::string value = "a & b <c> \"d\" \xC3\xA9";
  KVXML xml;
  ASSERT_TRUE(xml.Load("<r><e>old</e><t>text</t><a k=\"1\"/></r>"));
  EXPECT_TRUE(xml.SetString("/r/e", value));
  EXPECT_TRUE(xml.SetString("/r/a/@k", value));
  EXPECT_TRUE(xml.SetString("/r/t/text()", value));
  EXPECT_FALSE(xml.SetString("/r/missing", value));
  ExpectError(xml, 0, "");
  EXPECT_FALSE(xml.SetString("count(/r)", value));

  // Saved and read back, each still holds exactly the value.
  KVXML reread;
  ASSERT_TRUE(reread.Load(Serialized(xml, temp)));
  EXPECT_EQ(reread.GetString("/r/e"), value);
  EXPECT_EQ(reread.GetString("/r/a/@k"), value);
  EXPECT_EQ(reread.GetString("/r/t"), value);
}

TEST(KVXML, AddChildNumberAppendsToTheFirstElement) {
  TempFolder temp;
  KVXML xml;
  ASSERT_TRUE(xml.Load("<Project><Name>P</Name></Project>"));
  EXPECT_TRUE(xml.AddChildNumber("//Project", "pid", 4242));
  EXPECT_TRUE(xml.AddChildNumber("//Project", "n", -7));
  EXPECT_FALSE(xml.AddChildNumber("//Missing", "pid", 1));
  EXPECT_FALSE(xml.AddChildNumber("//Project/Name/text()", "pid", 1));
  ExpectError(xml, 0, "");
  EXPECT_EQ(Serialized(xml, temp),
            "<?xml version=\"1.0\"?>\n<Project><Name>P</Name><pid>4242</pid><n>-7</n></Project>\n");
}

TEST(KVXML, ReplaceRecentProjectsKeepsThePlaceItCanFind) {
  TempFolder temp;
  struct Case {
    const char* settings;
    const char* expected;
  };
  const Case cases[] = {
      // After a preceding sibling: appended at the end of the sibling list.
      {"<Settings><A/><RecentProjects><P>old</P></RecentProjects><B/></Settings>",
       "<Settings><A/><B/><RecentProjects><P>new &amp; 1</P></RecentProjects></Settings>"},
      {"<Settings><RecentProjects/><B/></Settings>",
       "<Settings><RecentProjects><P>new &amp; 1</P></RecentProjects><B/></Settings>"},
      {"<Settings><Group><RecentProjects/></Group></Settings>",
       "<Settings><Group><RecentProjects><P>new &amp; 1</P></RecentProjects></Group></Settings>"},
      // Nested matches vanish with the first one.
      {"<Settings><RecentProjects><RecentProjects/></RecentProjects></Settings>",
       "<Settings><RecentProjects><P>new &amp; 1</P></RecentProjects></Settings>"},
  };
  for (const Case& c : cases) {
    KVXML xml;
    ASSERT_TRUE(xml.Load(c.settings));
    EXPECT_TRUE(xml.ReplaceRecentProjects("<RecentProjects><P>new &amp; 1</P></RecentProjects>"));
    EXPECT_EQ(Serialized(xml, temp), std::string("<?xml version=\"1.0\"?>\n") + c.expected + "\n");
  }

  KVXML xml;
  ASSERT_TRUE(xml.Load("<Settings><RecentProjects><P>kept</P></RecentProjects></Settings>"));
  EXPECT_FALSE(xml.ReplaceRecentProjects("<RecentProjects>"));
  ExpectError(xml, 3, "Failed to load xml.");
  EXPECT_EQ(xml.GetString("//RecentProjects/P"), "kept");
  ASSERT_TRUE(xml.Load("<Other><RecentProjects/></Other>"));
  EXPECT_FALSE(xml.ReplaceRecentProjects("<RecentProjects/>"));
  ExpectError(xml, 0, "");
}

TEST(KVXML, AppendFragmentAddsTheRootAsLastChild) {
  TempFolder temp;
  KVXML xml;
  ASSERT_TRUE(xml.Load("<Settings><Width>200</Width></Settings>"));
  EXPECT_TRUE(xml.AppendFragment("//Settings", "<RecentProjects><P>a &amp; b</P></RecentProjects>"));
  EXPECT_EQ(Serialized(xml, temp),
            "<?xml version=\"1.0\"?>\n<Settings><Width>200</Width><RecentProjects><P>a &amp; b"
            "</P></RecentProjects></Settings>\n");
  EXPECT_EQ(xml.GetString("//Settings/RecentProjects/P"), "a & b");

  EXPECT_FALSE(xml.AppendFragment("//Settings", "<Broken>"));
  ExpectError(xml, 3, "Failed to load xml.");
  EXPECT_FALSE(xml.AppendFragment("//Missing", "<X/>"));
  ExpectError(xml, 0, "");
  EXPECT_FALSE(xml.AppendFragment("//Width/text()", "<X/>"));
  EXPECT_EQ(xml.Count("//X"), 0);
}

TEST(KVXML, ElementTextEscapesAndBuildsBareTags) {
  const std::pair<std::string, std::string> cases[] = {
      {KVXML::ElementText("Name", "a & b"), "<Name>a &amp; b</Name>"},
      {KVXML::ElementText("Name", "x<y"), "<Name>x&lt;y</Name>"},
      {KVXML::ElementText("Name", ""), "<Name/>"},
      {KVXML::ElementText("Name", std::string("quote \" > '")), "<Name>quote \" &gt; '</Name>"},
      {KVXML::ElementText("dict", nullptr), "<dict>"},
      {KVXML::ElementText("/dict", nullptr), "</dict>"},
      {KVXML::ElementText("true/", nullptr), "<true/>"},
      {KVXML::ElementNumber("pid", 4242), "<pid>4242</pid>"},
      {KVXML::ElementNumber("Engine", -1), "<Engine>-1</Engine>"},
  };
  for (const auto& [actual, expected] : cases) EXPECT_EQ(actual, expected);

  // Characters outside ASCII come back unchanged through a document.
  KVXML xml;
  ASSERT_TRUE(xml.Load(KVXML::ElementText("Name", "\xC3\xA9\xE2\x82\xAC")));
  EXPECT_EQ(xml.GetString("/Name"), "\xC3\xA9\xE2\x82\xAC");
}

// Save writes through the platform so that UTF-8 paths work; its bytes must stay those of
// the library's own file writer.
TEST(KVXML, SaveWritesWhatTheLibraryFileWriterWrites) {
  TempFolder temp;
  const char* documents[] = {
      "<a><b>x</b></a>",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3\xA9<!-- c --><b  k='v'/></a>",
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<a>\xE9</a>",
      "<?xml version=\"1.0\" standalone=\"yes\"?>\n\n<a>\n  <b/>\n</a>",
  };
  for (const char* text : documents) {
    KVXML xml;
    ASSERT_TRUE(xml.Load(text));
    const std::string ours = Serialized(xml, temp);
    xmlDoc* doc = xmlReadMemory(text, static_cast<int>(std::string(text).size()), nullptr,
                                nullptr, 0);
    ASSERT_NE(doc, nullptr);
    const std::string reference = temp / "reference.xml";
    ASSERT_GE(xmlSaveFile(reference.c_str(), doc), 0);
    xmlFreeDoc(doc);
    EXPECT_EQ(ours, TempFolder::Read(reference)) << text;
  }

  KVXML xml;
  ASSERT_TRUE(xml.Load("<a/>"));
  EXPECT_FALSE(xml.Save(temp / "missing folder" + "/a.xml"));
}
