#include "platform/LineReader.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "tests/common/TempFolder.h"

namespace {

using File = kvplatform::UniqueFile;

struct ReadLine {
  std::string text;
  bool cut;
  std::uint64_t number;
};

std::vector<ReadLine> ReadAll(const std::string& bytes) {
  kvtest::TempFolder folder;
  const std::string path = folder / "lines.txt";
  kvtest::TempFolder::Write(path, bytes);
  File file(kvplatform::OpenFile(path, "rb"));
  EXPECT_NE(file, nullptr);
  std::vector<ReadLine> lines;
  if (!file) return lines;
  KVLineReader reader(file.get());
  while (reader.Next()) {
    EXPECT_EQ(reader.Line().data()[reader.Line().size()], '\0');
    lines.push_back({std::string(reader.Line()), reader.Cut(), reader.Number()});
  }
  EXPECT_TRUE(reader.Line().empty());
  EXPECT_FALSE(reader.Next()) << "the end stays the end";
  return lines;
}

std::vector<std::string> Texts(const std::vector<ReadLine>& lines) {
  std::vector<std::string> texts;
  for (const ReadLine& line : lines) texts.push_back(line.text);
  return texts;
}

// Distinct bytes, so that a wrong piece of a long line shows.
std::string Pattern(std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>('a' + i % 23));
  return text;
}

}  // namespace

TEST(LineReader, EndsLinesAtCarriageReturnsAndDropsTheNextByte) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"abc", {"abc"}},
      {"\r\n", {""}},
      {"a\r\nb", {"a", "b"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\r", {"a"}},
      {"a\rXb\r\n", {"a", "b"}},       // the byte after a CR goes whatever it is
      {"a\r\r\nb", {"a", "\nb"}},      // so a CR CR LF leaves its LF to the next line
      {"a\nb\nc\n", {"a\nb\nc\n"}},    // a lone LF ends nothing
      {std::string("a\0b\r\nc", 6), {std::string("a\0b", 3), "c"}},
  };
  for (const Case& c : cases) {
    const std::vector<ReadLine> lines = ReadAll(c.bytes);
    EXPECT_EQ(Texts(lines), c.lines) << testing::PrintToString(c.bytes);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].number, i + 1);
      EXPECT_FALSE(lines[i].cut);
    }
  }
}

TEST(LineReader, CutsLongLinesAndKeepsTheLinesAfterThem) {
  const std::size_t limit = KVLineReader::kMaxLineLength;
  ASSERT_EQ(limit, 4095u);
  for (const std::size_t length : {limit - 1, limit, limit + 1, 3 * KVLineReader::kBufferSize + 7}) {
    const std::string line = Pattern(length);
    const std::vector<ReadLine> lines = ReadAll("first\r\n" + line + "\r\nnext\r\n");
    ASSERT_EQ(lines.size(), 3u) << length;
    EXPECT_EQ(lines[1].text, line.substr(0, limit)) << length;
    EXPECT_EQ(lines[1].cut, length > limit) << length;
    EXPECT_EQ(lines[2].text, "next");
    EXPECT_EQ(lines[2].number, 3u);
    EXPECT_FALSE(lines[2].cut);
  }
}

TEST(LineReader, FileWithLoneLineFeedsIsOneLineCutAtTheLimit) {
  std::string bytes = "C:\\lib\\user32.dll\n";
  while (bytes.size() < 2 * KVLineReader::kBufferSize) bytes += "int MessageBeep(uint type)\n";
  const std::vector<ReadLine> lines = ReadAll(bytes);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].cut);
  EXPECT_EQ(lines[0].text, bytes.substr(0, KVLineReader::kMaxLineLength));
}
