// Builds a project on disk from the input, writes its payload and reads it back with the
// runtime's reader: every listed item has its entry, in order, with its display name; sources
// decompress to their files, windows are their files, libraries their compiled declarations,
// missing files give entries without data, and the blocks follow the tables without gaps.
// Written again under a ceiling, the payload is either the same bytes or refused with no file.
//
// Input:
//   byte 0       the project's build target (as a signed byte: known and unknown codes)
//   byte 1       ceiling: 0 none; 1 exactly what the payload needs; n > 1 that less n - 1
//   then up to kMaxFiles records of
//     flags      kind = flags % 3 (source, window, library); 0x04 the file is deleted after
//                the project is loaded; 0x08 no extension is added to the name
//     n          name length (at most kMaxName), then n bytes, each choosing a piece of name
//     length     u16 little-endian, then that many content bytes (fewer at the input's end)
//
// Run: kv_fuzz_payload -max_total_time=60 <work folder> fuzz/corpus/payload
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "build/Payload.h"
#include "build/PayloadFormat.h"
#include "common/Crc32.h"
#include "editing/ExtDeclarations.h"
#include "fuzz/ScratchFolder.h"
#include "platform/Platform.h"
#include "project/Project.h"
#include "project/XML.h"
#include "tools/runtime-stub/PayloadReader.h"

namespace {

constexpr std::size_t kMaxFiles = 12;
constexpr std::size_t kMaxName = 24;
constexpr char kSep = kvplatform::kPathSeparator;

// Name pieces: plain letters, characters XML must escape, and UTF-8 of two to four bytes.
constexpr std::string_view kNamePieces[] = {
    "a", "b", "c", "x", "y", "z", "M", "W", "0", "1", "9", " ", ".", "-", "_", "&", "<", "'", "\"",
    "\xC3\xA9", "\xC3\x9C", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "main", "js", "win", "ext", "dll",
};

void Check(bool condition) {
  if (!condition) std::abort();
}

const std::filesystem::path& Base() { return kvfuzz::ScratchFolder("payload"); }

std::string ReadFile(const std::string& path, bool& exists) {
  std::string bytes;
  FILE* file = kvplatform::OpenFile(path, "rb");
  exists = file != nullptr;
  if (!file) return bytes;
  char chunk[65536];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, n);
  std::fclose(file);
  return bytes;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  FILE* file = kvplatform::OpenFile(path, "wb");
  Check(file != nullptr);
  Check(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
  Check(std::fclose(file) == 0);
}

// The compiled declarations of one file, as a block on its own.
std::string Compiled(std::int32_t target, const std::string& path) {
  const std::string scratch = Base().string() + kSep + "compiled.bin";
  FILE* out = kvplatform::OpenFile(scratch, "w+b");
  Check(out != nullptr);
  std::uint64_t size = 0;
  Check(kvext::Compile(target, out, path, size));
  Check(std::fclose(out) == 0);
  bool exists = false;
  const std::string bytes = ReadFile(scratch, exists);
  Check(bytes.size() == size);
  return bytes;
}

class Input {
public:
  Input(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
  bool AtEnd() const { return at >= size; }
  std::uint8_t Byte() { return at < size ? data[at++] : 0; }
  std::string_view Bytes(std::size_t count) {
    count = std::min(count, size - std::min(at, size));
    const std::string_view bytes(reinterpret_cast<const char*>(data) + at, count);
    at += count;
    return bytes;
  }

private:
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
};

struct PlannedFile {
  ProjectItemType type;
  std::string fileName;
  std::string_view contents;
  bool deleted;
};

std::vector<PlannedFile> ReadFiles(Input& in) {
  static const char* const kExtensions[] = {".js", ".win", ".ext"};
  static const ProjectItemType kTypes[] = {ProjectItemType::SourceFile, ProjectItemType::DialogWindow,
                                           ProjectItemType::ExternalLibrary};
  std::vector<PlannedFile> files;
  while (!in.AtEnd() && files.size() < kMaxFiles) {
    const std::uint8_t flags = in.Byte();
    PlannedFile file;
    file.type = kTypes[flags % 3];
    const std::size_t nameLength = std::min<std::size_t>(in.Byte(), kMaxName);
    for (std::size_t i = 0; i < nameLength; ++i) file.fileName += kNamePieces[in.Byte() % std::size(kNamePieces)];
    if (!(flags & 0x08)) file.fileName += kExtensions[flags % 3];
    const std::size_t length = in.Byte() | static_cast<std::size_t>(in.Byte()) << 8;
    file.contents = in.Bytes(length);
    file.deleted = flags & 0x04;
    files.push_back(file);
  }
  return files;
}

std::string ProjectXml(std::int32_t target, const std::vector<PlannedFile>& files) {
  std::string lists[3];
  for (const PlannedFile& file : files) {
    lists[static_cast<int>(file.type)] += KVXML::ElementText("Name", file.fileName);
  }
  const char* const kLists[] = {"SourceFiles", "WindowFiles", "LibraryFiles"};
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Project><Name>Fuzz</Name><ExeName>Fuzz.exe</ExeName>" +
                    KVXML::ElementNumber("Engine", target);
  for (int i = 0; i < 3; ++i) xml += "<" + std::string(kLists[i]) + ">" + lists[i] + "</" + kLists[i] + ">";
  return xml + "</Project>";
}

struct Expected {
  kvstub::PayloadTable table;
  std::string name;
  std::string path;
};

std::vector<Expected> ExpectedEntries(const KVProject& project) {
  const struct {
    kvstub::PayloadTable table;
    ProjectItemType type;
  } kinds[] = {{kvstub::PayloadTable::Source, ProjectItemType::SourceFile},
               {kvstub::PayloadTable::Window, ProjectItemType::DialogWindow},
               {kvstub::PayloadTable::Library, ProjectItemType::ExternalLibrary}};
  std::vector<Expected> expected;
  for (const auto& kind : kinds) {
    for (const auto& item : project.Items()) {
      if (item->type == kind.type) expected.push_back({kind.table, item->displayName, item->Path()});
    }
  }
  return expected;
}

// Checks the payload against the project; returns the most any size in it needs: the
// payload's own size or the largest dataSize.
std::uint64_t CheckPayload(const std::string& payload, std::int32_t target, const std::vector<Expected>& expected) {
  std::string header;
  kvpayload::AppendHeader(header);
  Check(payload.compare(0, header.size(), header) == 0);
  std::vector<kvstub::PayloadEntry> entries;
  std::string error;
  Check(kvstub::ReadPayloadTables(payload, entries, error));
  Check(entries.size() == expected.size());

  std::uint64_t next = kvpayload::kHeaderSize + 3 * kvpayload::kCountSize;
  for (const auto& entry : entries) next += kvpayload::kEntryHeaderSize + entry.name.size();
  std::uint64_t needed = payload.size();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const kvstub::PayloadEntry& entry = entries[i];
    Check(entry.table == expected[i].table && entry.name == expected[i].name);
    Check(entry.dataOffset == next);
    bool exists = false;
    const std::string file = ReadFile(expected[i].path, exists);
    std::uint32_t crc = 0;
    Check(kvstub::EntryChecksum(payload, entry, crc, error));
    switch (entry.table) {
      case kvstub::PayloadTable::Source:
        Check(entry.dataSize == file.size() && (entry.packedSize != 0) == exists);
        Check(crc == kvbytes::Crc32::Of(file));
        next += entry.packedSize;
        break;
      case kvstub::PayloadTable::Window:
        Check(entry.packedSize == 0 && payload.compare(entry.dataOffset, entry.dataSize, file) == 0);
        Check(entry.dataSize == file.size());
        next += entry.dataSize;
        break;
      case kvstub::PayloadTable::Library: {
        const std::string compiled = exists ? Compiled(target, expected[i].path) : std::string();
        Check(entry.packedSize == 0 && entry.dataSize == compiled.size());
        Check(payload.compare(entry.dataOffset, entry.dataSize, compiled) == 0);
        next += entry.dataSize;
        break;
      }
    }
    needed = std::max<std::uint64_t>(needed, entry.dataSize);
  }
  Check(next == payload.size());
  return needed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::int32_t target = static_cast<std::int8_t>(in.Byte());
  const std::uint8_t ceiling = in.Byte();
  const std::vector<PlannedFile> files = ReadFiles(in);

  const std::string folder = (Base() / "project").string() + kSep;
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  Check(kvplatform::CreateFolder(folder));
  for (ProjectItemType type : {ProjectItemType::SourceFile, ProjectItemType::DialogWindow,
                               ProjectItemType::ExternalLibrary, ProjectItemType::VersionInfo}) {
    Check(kvplatform::CreateFolder(folder + KVProject::SubFolder(type)));
  }
  for (const PlannedFile& file : files) {
    // Names the project cannot list ("." and "..") are left out of it by Load.
    if (IsSafeFileName(file.fileName)) WriteFile(folder + KVProject::SubFolder(file.type) + file.fileName, file.contents);
  }
  WriteFile(folder + "Fuzz.kvproj", ProjectXml(target, files));

  auto project = std::make_unique<KVProject>();
  Check(project->Load(folder + "Fuzz.kvproj"));
  for (const PlannedFile& file : files) {
    if (file.deleted && IsSafeFileName(file.fileName)) {
      kvplatform::DeleteFileAt(folder + KVProject::SubFolder(file.type) + file.fileName);
    }
  }

  const std::string exe = folder + "Fuzz.exe";
  const std::string path = kvbuild::WritePayload(*project, exe);
  Check(path == exe + ".bin");
  bool exists = false;
  const std::string payload = ReadFile(path, exists);
  Check(exists);
  const std::vector<Expected> expected = ExpectedEntries(*project);
  const std::uint64_t needed = CheckPayload(payload, target, expected);

  if (ceiling != 0 && ceiling - 1u <= needed) {
    const std::uint64_t limit = needed - (ceiling - 1u);
    const std::string again = kvbuild::WritePayload(*project, exe, limit);
    const std::string bytes = ReadFile(path, exists);
    if (limit == needed) {
      Check(again == path && bytes == payload);
    } else {
      Check(again.empty() && !exists);
    }
  }
  return 0;
}
