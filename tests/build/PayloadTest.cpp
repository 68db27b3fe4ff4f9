// The project payload written from real project folders: its layout, read back by the
// runtime's reader; the sources decompressed by the xz command; files that are missing, empty
// or at the buffer size; and the refusals that keep a payload from holding wrapped sizes or
// from passing for complete when it is not.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

#include "build/Payload.h"
#include "build/PayloadFormat.h"
#include "common/Crc32.h"
#include "tests/build/ExternalReaders.h"
#include "tests/project/ProjectFolder.h"
#include "tools/runtime-stub/PayloadReader.h"

namespace {

using kvpayload::Table;
using kvtest::ProjectFolder;

constexpr std::size_t kBuffer = 0xA00000;

struct NamedFile {
  std::string fileName;
  std::string contents;
};

struct ProjectFiles {
  std::vector<NamedFile> sources;
  std::vector<NamedFile> windows;
  std::vector<NamedFile> libraries;
  int engine = 1;
};

std::string NameList(const char* element, const std::vector<NamedFile>& files) {
  std::string xml = std::string("<") + element + ">";
  for (const NamedFile& file : files) xml += "<Name>" + file.fileName + "</Name>";
  return xml + "</" + element + ">";
}

// Writes the files into their sub-folders and loads the project that lists them.
std::unique_ptr<KVProject> LoadProject(const ProjectFolder& folder, const ProjectFiles& files) {
  for (const NamedFile& f : files.sources) folder.Write(folder.FileOf(ProjectItemType::SourceFile, f.fileName), f.contents);
  for (const NamedFile& f : files.windows) folder.Write(folder.FileOf(ProjectItemType::DialogWindow, f.fileName), f.contents);
  for (const NamedFile& f : files.libraries) {
    folder.Write(folder.FileOf(ProjectItemType::ExternalLibrary, f.fileName), f.contents);
  }
  folder.WriteProject("<Name>Demo</Name><ExeName>Demo.exe</ExeName><Engine>" + std::to_string(files.engine) +
                      "</Engine>" + NameList("SourceFiles", files.sources) + NameList("WindowFiles", files.windows) +
                      NameList("LibraryFiles", files.libraries));
  auto project = std::make_unique<KVProject>();
  if (!project->Load(folder.ProjectFile())) return nullptr;
  return project;
}

std::vector<kvstub::PayloadEntry> ReadTables(const std::string& payload) {
  std::vector<kvstub::PayloadEntry> entries;
  std::string error;
  EXPECT_TRUE(kvstub::ReadPayloadTables(payload, entries, error)) << error;
  return entries;
}

std::uint32_t StoredSize(const kvstub::PayloadEntry& entry) {
  return entry.table == Table::Source ? entry.packedSize : entry.dataSize;
}

std::string Block(const std::string& payload, const kvstub::PayloadEntry& entry) {
  return payload.substr(entry.dataOffset, StoredSize(entry));
}

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

// Data blocks follow the tables without gaps, in entry order, up to the end of the payload.
void ExpectContiguous(const std::string& payload, const std::vector<kvstub::PayloadEntry>& entries) {
  std::uint64_t tables = kvpayload::kHeaderSize + 3 * kvpayload::kCountSize;
  for (const auto& entry : entries) tables += kvpayload::kEntryHeaderSize + entry.name.size();
  std::uint64_t next = tables;
  for (const auto& entry : entries) {
    EXPECT_EQ(entry.dataOffset, next) << entry.name;
    next = entry.dataOffset + static_cast<std::uint64_t>(StoredSize(entry));
  }
  EXPECT_EQ(next, payload.size());
}

// Every entry passes the runtime's own checks: data inside the payload, streams intact and of
// their recorded size.
void ExpectRuntimeAccepts(const std::string& payload, const std::vector<kvstub::PayloadEntry>& entries) {
  for (const auto& entry : entries) {
    std::uint32_t crc = 0;
    std::string error;
    EXPECT_TRUE(kvstub::EntryChecksum(payload, entry, crc, error)) << error;
  }
}

class PayloadTest : public ::testing::Test {
protected:
  std::string Exe() const { return folder / "Demo.exe"; }
  std::string Write(const ProjectFiles& files) {
    project = LoadProject(folder, files);
    if (!project) {
      ADD_FAILURE() << "the project does not load";
      return {};
    }
    return kvbuild::WritePayload(*project, Exe());
  }

  ProjectFolder folder;
  std::unique_ptr<KVProject> project;
};

TEST_F(PayloadTest, EmptyProjectIsTheReservedWordsAndThreeZeroCounts) {
  const std::string path = Write({});
  ASSERT_EQ(path, Exe() + ".bin");
  const std::string expected = Bytes({'K', 'V', 'P', 'L', 1, 0, 0, 0}) + std::string(12, '\0');
  EXPECT_EQ(ProjectFolder::Read(path), expected);
}

// A project of every kind, in listed (not alphabetical) order: each source decompresses with
// the xz command to its file, windows are their files, libraries their compiled declarations.
TEST_F(PayloadTest, EveryEntryDecodesToItsFile) {
  const std::string mainJs = "kv.print(\"hello\");\r\nlet total = 0;\r\n" + std::string(5000, 'x') + "\r\n";
  const std::string aboutJs = "// \xC3\xA9t\xC3\xA9\r\nfunction about() { return 42; }\r\n";
  const std::string mainWin = "window mainWin 0 0 300 200 \"Main\"\r\nbutton ok 10 10 80 24 \"OK\"\r\n";
  const std::string aboutWin = "window about 0 0 100 50 \"About\"\r\n";
  ProjectFiles files;
  files.sources = {{"main.js", mainJs}, {"\xC3\x9C" "ber uns.js", aboutJs}, {"empty.js", ""}};
  files.windows = {{"mainWin.win", mainWin}, {"about.win", aboutWin}};
  files.libraries = {{"user32.ext", "user32.dll\r\nint_ptr GetWindowLongPtrW(hwnd h, int index)\r\n"},
                     {"none.ext", "none.dll\r\n"}};
  const std::string path = Write(files);
  ASSERT_FALSE(path.empty());
  const std::string payload = ProjectFolder::Read(path);
  EXPECT_EQ(payload.substr(0, 8), Bytes({'K', 'V', 'P', 'L', 1, 0, 0, 0}));

  const std::vector<kvstub::PayloadEntry> entries = ReadTables(payload);
  const struct {
    Table table;
    const char* name;
    const std::string* file;  // null for libraries
  } expected[] = {
      {Table::Source, "main.js", &mainJs},
      {Table::Source, "\xC3\x9C" "ber uns.js", &aboutJs},
      {Table::Source, "empty.js", &files.sources[2].contents},
      {Table::Window, "mainWin", &mainWin},
      {Table::Window, "about", &aboutWin},
      {Table::Library, "user32.dll", nullptr},
      {Table::Library, "none.dll", nullptr},
  };
  ASSERT_EQ(entries.size(), std::size(expected));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].table, expected[i].table) << i;
    EXPECT_EQ(entries[i].name, expected[i].name) << i;
    if (expected[i].file) {
      EXPECT_EQ(entries[i].dataSize, expected[i].file->size()) << i;
    }
    if (entries[i].table == Table::Source) {
      EXPECT_GT(entries[i].packedSize, 0u) << i;
    } else {
      EXPECT_EQ(entries[i].packedSize, 0u) << i;
    }
  }
  ExpectContiguous(payload, entries);
  ExpectRuntimeAccepts(payload, entries);

  for (std::size_t i = 3; i < 5; ++i) EXPECT_EQ(Block(payload, entries[i]), *expected[i].file) << entries[i].name;
  // Windows 64: pointer-sized words are code 6.
  const std::string user32 = Bytes({1, 0, 0, 0, 0, 6, 17, 0, 0, 0}) + "GetWindowLongPtrW" + Bytes({2, 6, 4});
  EXPECT_EQ(Block(payload, entries[5]), user32);
  EXPECT_EQ(Block(payload, entries[6]), std::string(4, '\0'));

  if (!kvtest::HaveXz()) GTEST_SKIP() << "no xz command to decode the sources with";
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string stream = Block(payload, entries[i]);
    // Stream flags: the check is CRC64.
    EXPECT_EQ(stream.substr(6, 2), Bytes({0, 4})) << entries[i].name;
    const std::string xzFile = folder / ("stream" + std::to_string(i) + ".xz");
    ProjectFolder::Write(xzFile, stream);
    const auto decoded = kvtest::XzDecompress(xzFile);
    ASSERT_TRUE(decoded.has_value()) << "xz refuses the stream of " << entries[i].name;
    EXPECT_EQ(*decoded, *expected[i].file) << entries[i].name;
  }
}

TEST_F(PayloadTest, LibrariesAreCompiledForTheProjectsTarget) {
  ProjectFiles files;
  files.libraries = {{"user32.ext", "user32.dll\r\nint_ptr GetWindowLongPtrW(hwnd h, int index)\r\n"}};
  files.engine = 3;  // Windows 32: pointer-sized words have their 32-bit codes
  const std::string path = Write(files);
  ASSERT_FALSE(path.empty());
  const std::string payload = ProjectFolder::Read(path);
  const std::vector<kvstub::PayloadEntry> entries = ReadTables(payload);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(Block(payload, entries[0]), Bytes({1, 0, 0, 0, 0, 4, 17, 0, 0, 0}) + "GetWindowLongPtrW" + Bytes({2, 14, 4}));
}

TEST_F(PayloadTest, EmptyFilesGiveAnEmptyStreamAndAZeroCount) {
  ProjectFiles files;
  files.sources = {{"empty.js", ""}};
  files.windows = {{"empty.win", ""}};
  files.libraries = {{"only.ext", "only.dll"}};
  const std::string path = Write(files);
  ASSERT_FALSE(path.empty());
  const std::string payload = ProjectFolder::Read(path);
  const std::vector<kvstub::PayloadEntry> entries = ReadTables(payload);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].dataSize, 0u);
  EXPECT_GT(entries[0].packedSize, 0u);
  EXPECT_EQ(entries[1].dataSize, 0u);
  EXPECT_EQ(entries[2].dataSize, 4u);
  EXPECT_EQ(Block(payload, entries[2]), std::string(4, '\0'));
  ExpectContiguous(payload, entries);
  ExpectRuntimeAccepts(payload, entries);
  if (!kvtest::HaveXz()) GTEST_SKIP() << "no xz command";
  ProjectFolder::Write(folder / "empty.xz", Block(payload, entries[0]));
  EXPECT_EQ(kvtest::XzDecompress(folder / "empty.xz"), std::string());
}

// Files deleted after the project was loaded: their entries stay, without data, and the entries
// after them are unaffected.
TEST_F(PayloadTest, MissingFilesGiveEntriesWithoutData) {
  ProjectFiles files;
  files.sources = {{"gone.js", "x"}, {"main.js", "kv.print(1);"}};
  files.windows = {{"gone.win", "y"}, {"w.win", "window w"}};
  files.libraries = {{"gone.ext", "gone.dll"}, {"k.ext", "k.dll"}};
  project = LoadProject(folder, files);
  ASSERT_TRUE(project);
  for (auto type : {ProjectItemType::SourceFile, ProjectItemType::DialogWindow, ProjectItemType::ExternalLibrary}) {
    const char* name = type == ProjectItemType::SourceFile     ? "gone.js"
                       : type == ProjectItemType::DialogWindow ? "gone.win"
                                                               : "gone.ext";
    ASSERT_TRUE(std::filesystem::remove(std::filesystem::u8path(folder.FileOf(type, name))));
  }
  const std::string path = kvbuild::WritePayload(*project, Exe());
  ASSERT_FALSE(path.empty());
  const std::string payload = ProjectFolder::Read(path);
  const std::vector<kvstub::PayloadEntry> entries = ReadTables(payload);
  ASSERT_EQ(entries.size(), 6u);
  for (std::size_t i : {0, 2, 4}) {
    EXPECT_EQ(entries[i].dataSize, 0u) << entries[i].name;
    EXPECT_EQ(entries[i].packedSize, 0u) << entries[i].name;
  }
  EXPECT_EQ(entries[1].dataSize, 12u);
  EXPECT_EQ(entries[3].dataSize, 8u);
  EXPECT_EQ(entries[5].dataSize, 4u);
  ExpectContiguous(payload, entries);
  ExpectRuntimeAccepts(payload, entries);
}

// Around the 10 MiB buffers: a file that fills the input buffer exactly, one that needs a
// second read, and a stream that fills the output buffer more than once.
TEST_F(PayloadTest, FilesAroundTheBufferSizeStreamWhole) {
  std::string random(kBuffer + 1000, '\0');
  std::uint32_t state = 12345;
  for (char& c : random) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  ProjectFiles files;
  files.sources = {{"exact.js", std::string(kBuffer, 'a')},
                   {"over.js", std::string(kBuffer + 1, 'b')},
                   {"random.js", random}};
  files.windows = {{"exact.win", std::string(kBuffer, 'w')}, {"over.win", std::string(kBuffer + 3, 'v')}};
  const std::string path = Write(files);
  ASSERT_FALSE(path.empty());
  const std::string payload = ProjectFolder::Read(path);
  const std::vector<kvstub::PayloadEntry> entries = ReadTables(payload);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_GT(entries[2].packedSize, kBuffer);
  ExpectContiguous(payload, entries);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& file = i < 3 ? files.sources[i].contents : files.windows[i - 3].contents;
    std::uint32_t crc = 0;
    std::string error;
    ASSERT_TRUE(kvstub::EntryChecksum(payload, entries[i], crc, error)) << error;
    EXPECT_EQ(entries[i].dataSize, file.size()) << entries[i].name;
    EXPECT_EQ(crc, kvbytes::Crc32::Of(file)) << entries[i].name;
  }
}

// Offsets and sizes have 32 bits. Exercised with a lowered ceiling: an entry or a payload that
// would pass it is refused, and no payload file is left, not even the one an earlier build wrote.
TEST_F(PayloadTest, APayloadOverItsCeilingIsRefused) {
  ProjectFiles files;
  files.sources = {{"main.js", std::string(300, 's')}};
  files.windows = {{"w.win", std::string(5000, 'w')}};
  files.libraries = {{"k.ext", "k.dll\r\nint f(int a)\r\n"}};
  project = LoadProject(folder, files);
  ASSERT_TRUE(project);
  const std::string fits = kvbuild::WritePayload(*project, Exe());
  ASSERT_FALSE(fits.empty());
  const std::uint64_t size = ProjectFolder::Read(fits).size();
  const std::vector<kvstub::PayloadEntry> entries = ReadTables(ProjectFolder::Read(fits));
  ASSERT_EQ(entries.size(), 3u);

  const struct {
    const char* what;
    std::uint64_t limit;
    bool written;
  } cases[] = {
      {"exactly the payload's size", size, true},
      {"one byte less: the library block passes it", size - 1, false},
      {"inside the window", entries[1].dataOffset + 100, false},
      {"inside the source's stream", entries[0].dataOffset + 10, false},
      {"inside the tables", 30, false},
      {"inside the reserved words", 5, false},
  };
  for (const auto& c : cases) {
    ProjectFolder::Write(fits, "an earlier payload");
    const std::string path = kvbuild::WritePayload(*project, Exe(), c.limit);
    EXPECT_EQ(path.empty(), !c.written) << c.what;
    EXPECT_EQ(ProjectFolder::Exists(fits), c.written) << c.what;
  }
}

// A source compresses to less than its dataSize, which must fit on its own.
TEST_F(PayloadTest, ASourceOverTheCeilingIsRefusedThoughItsStreamFits) {
  ProjectFiles files;
  files.sources = {{"main.js", std::string(3000, 's')}};
  project = LoadProject(folder, files);
  ASSERT_TRUE(project);
  EXPECT_EQ(kvbuild::WritePayload(*project, Exe(), 3000), Exe() + ".bin");
  EXPECT_EQ(kvbuild::WritePayload(*project, Exe(), 2999), "");
  EXPECT_FALSE(ProjectFolder::Exists(Exe() + ".bin"));
}

TEST_F(PayloadTest, AnUncreatablePayloadGivesNoPath) {
  project = LoadProject(folder, {});
  ASSERT_TRUE(project);
  EXPECT_EQ(kvbuild::WritePayload(*project, folder / "no such folder" + kvtest::kSep + "Demo.exe"), "");
}

#ifndef _WIN32
// Files over 4 GiB, made sparse so that nothing is written: refused before they are read.
TEST_F(PayloadTest, FilesOverFourGibAreRefusedUnread) {
  for (auto type : {ProjectItemType::SourceFile, ProjectItemType::DialogWindow}) {
    ProjectFiles files;
    if (type == ProjectItemType::SourceFile) {
      files.sources = {{"huge.js", "x"}};
    } else {
      files.windows = {{"huge.win", "x"}};
    }
    ProjectFolder fresh;
    project.reset();
    project = LoadProject(fresh, files);
    ASSERT_TRUE(project);
    const std::string huge = fresh.FileOf(type, type == ProjectItemType::SourceFile ? "huge.js" : "huge.win");
    std::filesystem::resize_file(std::filesystem::u8path(huge), (std::uint64_t{1} << 32) + 1);
    const std::string exe = fresh / "Demo.exe";
    EXPECT_EQ(kvbuild::WritePayload(*project, exe), "");
    EXPECT_FALSE(ProjectFolder::Exists(exe + ".bin"));
    project.reset();
  }
}

// Runs in a child process: exits with 0 when WritePayload, with files limited to limit bytes,
// gives no path and leaves no payload.
[[noreturn]] void WriteUnderFileSizeLimit(const KVProject& project, const std::string& exe, rlim_t limit) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit ceiling{limit, limit};
  if (setrlimit(RLIMIT_FSIZE, &ceiling) != 0) std::_Exit(3);
  const bool refused = kvbuild::WritePayload(project, exe).empty();
  std::_Exit(refused && !ProjectFolder::Exists(exe + ".bin") ? 0 : 1);
}

// A write that fails (here at a file-size limit, as on a full disk) at any point of the
// payload gives no path and no file, never a payload that passes for complete.
TEST_F(PayloadTest, AFailedWriteIsNotReportedAsSuccess) {
  ProjectFiles files;
  files.sources = {{"main.js", std::string(300000, 'a')}};
  files.windows = {{"w.win", std::string(20000, 'w')}};
  files.libraries = {{"k.ext", "k.dll\r\n" + std::string(3000, 'f') + "(int a)\r\n"}};
  project = LoadProject(folder, files);
  ASSERT_TRUE(project);
  const std::string full = kvbuild::WritePayload(*project, Exe());
  ASSERT_FALSE(full.empty());
  const std::vector<kvstub::PayloadEntry> entries = ReadTables(ProjectFolder::Read(full));
  ASSERT_EQ(entries.size(), 3u);
  ASSERT_TRUE(std::filesystem::remove(std::filesystem::u8path(full)));

  const struct {
    const char* what;
    rlim_t limit;
  } cases[] = {
      {"inside the tables", 30},
      {"inside the source's stream", entries[0].dataOffset + 20},
      {"inside the window", entries[1].dataOffset + 10000},
      {"inside the library block", entries[2].dataOffset + 2000},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(WriteUnderFileSizeLimit(*project, Exe(), c.limit), ::testing::ExitedWithCode(0), "")
        << c.what;
  }
}
#endif

}  // namespace
