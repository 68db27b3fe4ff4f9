// `kvcli inspect` on damaged and hostile executables: each must fail with a message, quickly,
// and print nothing a terminal would act on.
#include "tools/cli/InspectCommand.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/build/PeFixture.h"
#include "tests/common/TempFolder.h"
#include "tests/tools/PayloadFixture.h"

using kvtest::TempFolder;

namespace {

struct Result {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the command with stdout and stderr sent to files.
Result Inspect(const std::string& path) {
  TempFolder temp;
  const std::string outPath = temp / "out.txt", errPath = temp / "err.txt";
  std::fflush(stdout);
  std::fflush(stderr);
  const int savedOut = dup(1), savedErr = dup(2);
  FILE* out = std::fopen(outPath.c_str(), "w");
  FILE* err = std::fopen(errPath.c_str(), "w");
  dup2(fileno(out), 1);
  dup2(fileno(err), 2);
  Result result;
  result.exitCode = kvcli::RunInspectCommand({path});
  std::fflush(stdout);
  std::fflush(stderr);
  dup2(savedOut, 1);
  dup2(savedErr, 2);
  close(savedOut);
  close(savedErr);
  std::fclose(out);
  std::fclose(err);
  result.out = TempFolder::Read(outPath);
  result.err = TempFolder::Read(errPath);
  return result;
}

// .text, then a snapshot section holding payload, and .rsrc holding tree when it is given.
std::string Executable(const std::string& payload, const std::string& tree = {},
                       const std::string& textName = ".text") {
  kvtest::PeFixture fixture;
  const auto add = [&fixture](const std::string& name, std::uint32_t rva, std::uint32_t size) {
    kvtest::PeFixtureSection section;
    section.name = name;
    section.virtualAddress = rva;
    section.virtualSize = size;
    section.sizeOfRawData = (size + 0x1FF) / 0x200 * 0x200;
    section.fill = 0;
    fixture.sections.push_back(section);
  };
  add(textName, 0x1000, 0x200);
  add("snapshot", 0x2000, static_cast<std::uint32_t>(payload.size()));
  const std::uint32_t rsrcRva = 0x2000 + (static_cast<std::uint32_t>(payload.size()) + 0xFFF) / 0x1000 * 0x1000;
  if (!tree.empty()) add(".rsrc", rsrcRva, static_cast<std::uint32_t>(tree.size()));
  fixture.LayOutRawData(0x400);
  std::string bytes = fixture.Bytes();
  const kvtest::ParsedPe parsed = kvtest::ParsePe(bytes);
  bytes.replace(parsed.sections[1].pointerToRawData, payload.size(), payload);
  if (!tree.empty()) {
    bytes.replace(parsed.sections[2].pointerToRawData, tree.size(), tree);
    const std::size_t directories = parsed.lfanew + 24 + fixture.OptionalHeaderSize();
    kvtest::SetLeU32(bytes, directories + 2 * 8, rsrcRva);
    kvtest::SetLeU32(bytes, directories + 2 * 8 + 4, static_cast<std::uint32_t>(tree.size()));
  }
  return bytes;
}

kvtest::FixturePayload SmallPayload() {
  return kvtest::BuildPayload({{kvstub::PayloadTable::Source, "main.js", std::string(4000, 'a') + "print(1);"},
                               {kvstub::PayloadTable::Window, "main.win", "<Window/>"}});
}

// A payload of many sources sharing one stream that decompresses to a mebibyte each.
std::string SharedStreamPayload(int count) {
  std::vector<kvtest::FixtureEntry> entries{{kvstub::PayloadTable::Source, "big.js", std::string(1 << 20, '\0')}};
  for (int i = 1; i < count; ++i) entries.push_back({kvstub::PayloadTable::Source, "s" + std::to_string(i), ""});
  kvtest::FixturePayload payload = kvtest::BuildPayload(entries);
  const kvstub::PayloadEntry& first = payload.entries[0];
  for (std::size_t i = 1; i < payload.records.size(); ++i) {
    kvtest::SetLeU32(payload.bytes, payload.records[i], first.dataOffset);
    kvtest::SetLeU32(payload.bytes, payload.records[i] + 4, first.dataSize);
    kvtest::SetLeU32(payload.bytes, payload.records[i] + 8, first.packedSize);
  }
  return payload.bytes;
}

// A resource directory whose one entry leads back to itself.
std::string LoopingTree() {
  std::string tree(16 + 8, '\0');
  kvtest::SetLeU16(tree, 14, 1);            // one entry by id
  kvtest::SetLeU32(tree, 16, 3);            // RT_ICON
  kvtest::SetLeU32(tree, 20, 0x80000000u);  // subdirectory at offset 0: the root again
  return tree;
}

}  // namespace

TEST(InspectCommand, AWholeExecutableSucceeds) {
  TempFolder temp;
  const std::string path = temp / "App.exe";
  TempFolder::Write(path, Executable(SmallPayload().bytes));
  const Result result = Inspect(path);
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("source main.js 4009 "), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("resources: none"), std::string::npos) << result.out;
  EXPECT_EQ(result.err, "");
}

TEST(InspectCommand, DamagedExecutablesFailWithAMessage) {
  const std::string whole = Executable(SmallPayload().bytes);
  const kvtest::ParsedPe parsed = kvtest::ParsePe(whole);
  struct Case {
    const char* name;
    std::string bytes;
    const char* printed;
  };
  const Case cases[] = {
      {"snapshot past the end of the file", whole.substr(0, parsed.sections[1].pointerToRawData + 16),
       "payload: damaged"},
      {"resource tree with a loop", Executable(SmallPayload().bytes, LoopingTree()), "resources: damaged"},
      {"entries declaring far more than the file holds", Executable(SharedStreamPayload(300)),
       "more than 256 times the file's"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    const std::string path = temp / "App.exe";
    TempFolder::Write(path, c.bytes);
    const Result result = Inspect(path);
    EXPECT_NE(result.exitCode, 0) << result.out;
    EXPECT_NE(result.out.find(c.printed), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("is damaged"), std::string::npos) << result.err;
  }
}

TEST(InspectCommand, SectionNamesAreEscaped) {
  TempFolder temp;
  const std::string path = temp / "App.exe";
  TempFolder::Write(path, Executable(SmallPayload().bytes, {}, "\x1B]0;x\x07\xFF"));
  const Result result = Inspect(path);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("\\x1B]0;x\\x07\\xFF"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find('\x1B'), std::string::npos);
  EXPECT_EQ(result.out.find('\x07'), std::string::npos);
}
