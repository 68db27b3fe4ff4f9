#include "search/FileSearch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/common/TempFolder.h"

namespace {

struct StringSink : KVSearchSink {
  void clear() override { text = "(cleared)"; }
  void append(const std::string& more) override { text += more; }
  std::string text;
};

struct LinesCase {
  const char* name;
  std::string bytes;
  bool declaration;
  std::string text;
  bool matchCase;
  std::int64_t hits;
  std::string report;
};

TEST(FileSearchTest, FindsHitLinesByTheLineRules) {
  const std::vector<LinesCase> cases = {
      {"three matches in a line are one hit", "a x x x\r\nb\r\nx\r\n", false, "x", true, 2,
       "f(1):    a x x x\r\nf(3):    x\r\n"},
      {"ASCII letters regardless of case", "Alpha\r\nALPHA\r\nalpha\r\nbeta", false, "aLpHa", false, 3,
       "f(1):    Alpha\r\nf(2):    ALPHA\r\nf(3):    alpha\r\n"},
      {"match case compares bytes", "Alpha\r\nalpha", false, "alpha", true, 1, "f(2):    alpha\r\n"},
      // '[' and '{' differ by the case bit but are no letters.
      {"other bytes must match exactly", "a{b\r\nA[B\r\n\xC3\xA9t\xC3\xA9", false, "a[b", false, 1,
       "f(2):    A[B\r\n"},
      {"non-ASCII letters keep their case", "\xC3\x89T\xC3\x89\r\n\xC3\xA9t\xC3\xA9", false, "\xC3\xA9T", false, 1,
       "f(2):    \xC3\xA9t\xC3\xA9\r\n"},
      {"declaration files skip the library path", "C:\\x\\lib.dll\r\nint f(lib)\r\nint g()", true, "lib", false,
       1, "f(1):    int f(lib)\r\n"},
      {"a declaration file of one line has nothing to search", "lib.dll", true, "lib", false, 0, ""},
      {"the byte after a CR is dropped", "one\rXtwo\r\nthree", false, "x", false, 0, ""},
      {"a lone CR still ends a line", "one\rXtwo\rthree", false, "two", false, 1, "f(2):    two\r\n"},
      {"a lone LF ends a line as in the editor", "one\ntwo\nthree", false, "three", false, 1,
       "f(3):    three\r\n"},
      {"no match runs over a line end", "ab\r\ncd\nef", false, "bc", false, 0, ""},
      {"a text longer than the line", "short\r\nshort", false, "shorter", false, 0, ""},
      {"the last line needs no line end", "a\r\nb\r\nneedle", false, "needle", true, 1, "f(3):    needle\r\n"},
      {"empty lines count", "\r\n\r\n\n\r\nz", false, "z", true, 1, "f(5):    z\r\n"},
      {"an empty text finds nothing", "abc", false, "", true, 0, ""},
  };
  for (const LinesCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string report;
    EXPECT_EQ(kvsearch::SearchBytes(c.bytes, c.declaration, "f", KVTextFinder(c.text, c.matchCase), report), c.hits);
    EXPECT_EQ(report, c.report);
  }
}

// A line over 4,095 bytes is searched to its end and shown cut at a character's start.
TEST(FileSearchTest, LongLinesAreSearchedWholeAndShownCut) {
  const std::string start(4094, 'a');
  const std::string line = start + "\xC3\xA9" + std::string(3000, 'b') + "needle";
  std::string report;
  EXPECT_EQ(kvsearch::SearchBytes(line + "\r\nneedle\r\n", false, "f", KVTextFinder("NEEDLE", false), report), 2);
  EXPECT_EQ(report, "f(1):    " + start + "...\r\nf(2):    needle\r\n");
}

// The quick filter reads sixteen bytes at a time; every start and end position of a match
// against a plain scan.
TEST(FileSearchTest, AgreesWithAPlainScanAtEveryPosition) {
  std::mt19937 random(7);
  const std::string alphabet = "aAbB[{\r\n \xC3\xA9";
  for (int round = 0; round < 3000; ++round) {
    std::string data(random() % 70, ' ');
    for (char& c : data) c = alphabet[random() % alphabet.size()];
    std::string needle(1 + random() % 5, ' ');
    for (char& c : needle) c = alphabet[random() % 6];
    const bool matchCase = random() % 2 == 0;
    const std::size_t from = data.empty() ? 0 : random() % data.size();
    std::size_t expected = KVTextFinder::npos;
    for (std::size_t p = from; p + needle.size() <= data.size() && expected == KVTextFinder::npos; ++p) {
      bool same = true;
      for (std::size_t k = 0; k < needle.size() && same; ++k) {
        const char a = data[p + k], b = needle[k];
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        same = matchCase ? a == b : lower(a) == lower(b);
      }
      if (same) expected = p;
    }
    ASSERT_EQ(KVTextFinder(needle, matchCase).find(data.data(), from, data.size()), expected)
        << "data '" << data << "' needle '" << needle << "' from " << from;
  }
}

TEST(FileSearchTest, HeadingKeepsWholeCharactersWithinTheBuffer) {
  EXPECT_EQ(kvsearch::Heading("x"), "Find all \"x\"");
  // 1,012 bytes of text fit beside the quotes in 1,023; a two-byte character at the cut goes.
  const std::string fits(1012, 'a');
  EXPECT_EQ(kvsearch::Heading(fits), "Find all \"" + fits + "\"");
  EXPECT_EQ(kvsearch::Heading(std::string(1011, 'a') + "\xC3\xA9z"),
            "Find all \"" + std::string(1011, 'a') + "\"");
}

class FileSearchReportTest : public ::testing::Test {
protected:
  const ProjectItem& add(ProjectItemType type, const std::string& name, const std::string& bytes) {
    items.push_back(ProjectItem{type, ProjectItem::DisplayNameFor(type, name), name, folder.Path()});
    kvtest::TempFolder::Write(folder / name, bytes);
    return items.back();
  }
  std::vector<KVSearchDocument> documents(const std::vector<bool>& open) const {
    std::vector<KVSearchDocument> list;
    for (std::size_t i = 0; i < items.size(); ++i) list.push_back({&items[i], open[i]});
    return list;
  }
  std::string report(const std::string& text, KVSearchScope scope, const std::vector<bool>& open,
                     const ProjectItem* current = nullptr) {
    StringSink sink;
    kvsearch::WriteReport(text, false, scope, documents(open), current, sink);
    return sink.text;
  }

  kvtest::TempFolder folder;
  std::deque<ProjectItem> items;  // a deque keeps the items where they are as it grows
};

TEST_F(FileSearchReportTest, SummariesCountLinesAndFiles) {
  add(ProjectItemType::SourceFile, "main.js", "var one = 1\r\nvar two = one + one\r\n");
  add(ProjectItemType::SourceFile, "util.js", "two\r\n");
  add(ProjectItemType::ExternalLibrary, "user32.ext", "C:\\two\\user32.dll\r\nint two()\r\n");
  add(ProjectItemType::DialogWindow, "Main.win", "two two two\r\n");
  const std::vector<bool> allClosed(4, false);
  EXPECT_EQ(report("ONE", KVSearchScope::AllProjectFiles, allClosed),
            "(cleared)Find all \"ONE\"\r\nmain.js(1):    var one = 1\r\nmain.js(2):    var two = one + one\r\n"
            "2 matches found in 1 file\r\n");
  EXPECT_EQ(report("= 1", KVSearchScope::AllProjectFiles, allClosed),
            "(cleared)Find all \"= 1\"\r\nmain.js(1):    var one = 1\r\n1 match found in 1 file\r\n");
  EXPECT_EQ(report("two", KVSearchScope::AllProjectFiles, allClosed),
            "(cleared)Find all \"two\"\r\nmain.js(2):    var two = one + one\r\nutil.js(1):    two\r\n"
            "user32.dll(1):    int two()\r\n3 matches found in 3 files\r\n");
  EXPECT_EQ(report("two", KVSearchScope::OpenFiles, {false, true, false, true}),
            "(cleared)Find all \"two\"\r\nutil.js(1):    two\r\n1 match found in 1 file\r\n");
  EXPECT_EQ(report("three", KVSearchScope::AllProjectFiles, allClosed),
            "(cleared)Find all \"three\"\r\nNo matches found\r\n");
}

TEST_F(FileSearchReportTest, CurrentFileAlwaysCountsMatches) {
  const ProjectItem& main = add(ProjectItemType::SourceFile, "main.js", "a\r\nb\r\n");
  const std::vector<bool> open = {true};
  EXPECT_EQ(report("c", KVSearchScope::CurrentFile, open, &main), "(cleared)Find all \"c\"\r\n0 matches\r\n");
  EXPECT_EQ(report("b", KVSearchScope::CurrentFile, open, &main),
            "(cleared)Find all \"b\"\r\nmain.js(2):    b\r\n1 matches\r\n");
  EXPECT_EQ(report("b", KVSearchScope::CurrentFile, open, nullptr), "(cleared)Find all \"b\"\r\n0 matches\r\n");
}

TEST_F(FileSearchReportTest, NoDocumentsFindNothing) {
  EXPECT_EQ(report("b", KVSearchScope::AllProjectFiles, {}), "(cleared)Find all \"b\"\r\nNo matches found\r\n");
  EXPECT_EQ(report("b", KVSearchScope::OpenFiles, {}), "(cleared)Find all \"b\"\r\nNo matches found\r\n");
}

// The saved file is searched: what the editor holds unsaved is not there yet.
TEST_F(FileSearchReportTest, SearchesTheSavedFile) {
  const ProjectItem& main = add(ProjectItemType::SourceFile, "main.js", "old\r\n");
  EXPECT_EQ(report("new", KVSearchScope::CurrentFile, {true}, &main), "(cleared)Find all \"new\"\r\n0 matches\r\n");
  kvtest::TempFolder::Write(main.Path(), "old\r\nnew\r\n");
  EXPECT_EQ(report("new", KVSearchScope::CurrentFile, {true}, &main),
            "(cleared)Find all \"new\"\r\nmain.js(2):    new\r\n1 matches\r\n");
}

// A file that is missing or not text is named in the report and searched no further; the
// other files still are.
TEST_F(FileSearchReportTest, UnreadableAndBinaryFilesAreReported) {
  add(ProjectItemType::SourceFile, "gone.js", "");
  std::filesystem::remove(std::filesystem::u8path(folder / "gone.js"));
  add(ProjectItemType::SourceFile, "wide.js", std::string("k\0e\0y\0\r\0\n\0", 10));
  add(ProjectItemType::SourceFile, "main.js", "key\r\n");
  EXPECT_EQ(report("k", KVSearchScope::AllProjectFiles, {false, false, false}),
            "(cleared)Find all \"k\"\r\ngone.js: not searched, the file could not be read\r\n"
            "wide.js: not searched, the file is not text\r\nmain.js(1):    key\r\n1 match found in 1 file\r\n");
}

}  // namespace
