#include "build/Payload.h"

#include <lzma.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>
#include <vector>

#include "build/PayloadFormat.h"
#include "common/ByteIO.h"
#include "common/LzmaStream.h"
#include "editing/ExtDeclarations.h"
#include "platform/Platform.h"
#include "project/Project.h"

namespace kvbuild {

namespace {

// Sources are streamed through one input and one output buffer of this size; windows are
// copied through the input buffer.
constexpr std::size_t kBufferSize = 0xA00000;
constexpr std::uint32_t kXzPreset = 6;

using File = kvplatform::UniqueFile;

struct Entry {
  std::string name;  // the item's display name, as the runtime looks it up
  std::string path;
  std::uint32_t dataOffset = 0;
  std::uint32_t dataSize = 0;
  std::uint32_t packedSize = 0;
};

using Tables = std::array<std::vector<Entry>, std::size(kvpayload::kTables)>;

ProjectItemType ItemTypeOf(kvpayload::Table table) {
  switch (table) {
    case kvpayload::Table::Source: return ProjectItemType::SourceFile;
    case kvpayload::Table::Window: return ProjectItemType::DialogWindow;
    case kvpayload::Table::Library: return ProjectItemType::ExternalLibrary;
  }
  return ProjectItemType::SourceFile;
}

Tables CollectEntries(const KVProject& project) {
  Tables tables;
  for (kvpayload::Table table : kvpayload::kTables) {
    const ProjectItemType type = ItemTypeOf(table);
    const std::string folder = project.Folder() + KVProject::SubFolder(type);
    for (const auto& item : project.Items()) {
      if (item->type != type) continue;
      Entry entry;
      entry.name = item->displayName;
      entry.path = folder + item->fileName;
      tables[static_cast<std::size_t>(table)].push_back(std::move(entry));
    }
  }
  return tables;
}

// The three tables as they stand; the same length whatever their numbers, so the final
// version overwrites the first exactly.
std::string TableBytes(const Tables& tables) {
  std::string bytes;
  for (const std::vector<Entry>& entries : tables) {
    kvpayload::PutU32(bytes, static_cast<std::uint32_t>(entries.size()));
    for (const Entry& entry : entries) {
      kvpayload::AppendEntry(bytes, entry.dataOffset, entry.dataSize, entry.packedSize, entry.name);
    }
  }
  return bytes;
}

std::uint64_t TableSize(const Tables& tables) {
  std::uint64_t size = 0;
  for (const std::vector<Entry>& entries : tables) {
    size += kvpayload::kCountSize;
    for (const Entry& entry : entries) size += kvpayload::kEntryHeaderSize + static_cast<std::uint64_t>(entry.name.size());
  }
  return size;
}

// The payload while it is written: deleted again unless Keep closed it with every byte on disk.
class PendingFile {
public:
  explicit PendingFile(const std::string& path)
      : path(path), file(kvplatform::OpenFile(path, "w+bc")), created(file != nullptr) {}
  ~PendingFile() {
    if (kept || !created) return;
    file.reset();
    kvplatform::DeleteFileAt(path);
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  FILE* Get() const { return file.get(); }

  bool Keep() {
    if (!file || std::fflush(file.get()) != 0 || std::ferror(file.get())) return false;
    kept = std::fclose(file.release()) == 0;
    return kept;
  }

private:
  std::string path;
  File file;
  bool created;
  bool kept = false;
};

class PayloadWriter {
public:
  PayloadWriter(FILE* payload, std::uint64_t limit)
      : payload(payload), limit(limit), input(new std::uint8_t[kBufferSize]), output(new std::uint8_t[kBufferSize]) {}

  bool Write(const void* data, std::size_t size) {
    if (!Produced(size) || !FlushOutput()) return false;
    return size == 0 || std::fwrite(data, 1, size, payload) == size;
  }
  bool Write(const std::string& bytes) { return Write(bytes.data(), bytes.size()); }

  // Each returns false when the payload has to be given up.
  bool WriteSource(Entry& entry);
  bool WriteWindow(Entry& entry);
  bool WriteLibrary(Entry& entry, std::int32_t target);
  // Writes what the output buffer still holds.
  bool FlushOutput() {
    const bool written = pending == 0 || std::fwrite(output.get(), 1, pending, payload) == pending;
    pending = 0;
    return written;
  }

private:
  // Counts size more bytes of payload; false when they would pass the limit.
  bool Produced(std::uint64_t size) {
    if (size > limit - position) return false;
    position += size;
    return true;
  }
  // Whether a file of this length could become an entry at all; checked first so that an
  // oversized file is refused before it has been read.
  bool MayFit(FILE* file) const {
    std::uint64_t length = 0;
    return !kvplatform::FileLength(file, length) || length <= limit;
  }
  std::uint32_t Offset() const { return static_cast<std::uint32_t>(position); }

  FILE* payload;
  // Not above kvpayload::kMaxPayloadSize, so the position always fits an offset field.
  std::uint64_t limit;
  // Bytes of payload so far, those still in the output buffer included.
  std::uint64_t position = 0;
  std::unique_ptr<std::uint8_t[]> input;
  // Compressed sources collect here across files and go out when it is full or other data
  // follows: the payload is opened to commit its writes to disk, so every write may wait on
  // the disk, and one per source would wait as many times.
  std::unique_ptr<std::uint8_t[]> output;
  std::size_t pending = 0;
  // One encoder for every source: set up again for each, it keeps its match finder's memory
  // instead of allocating and clearing some 90 MiB per file.
  KVLzmaStream xz;
};

bool PayloadWriter::WriteSource(Entry& entry) {
  entry.dataOffset = Offset();
  const File file(kvplatform::OpenFile(entry.path, "rb"));
  if (!file) return true;
  if (!MayFit(file.get())) return false;

  lzma_stream& s = *xz.Get();
  if (lzma_easy_encoder(&s, kXzPreset, LZMA_CHECK_CRC64) != LZMA_OK) return false;
  s.next_in = nullptr;
  s.avail_in = 0;
  s.next_out = output.get() + pending;
  s.avail_out = kBufferSize - pending;
  std::uint64_t read = 0;
  std::uint64_t packed = 0;
  lzma_action action = LZMA_RUN;
  for (;;) {
    if (s.avail_in == 0 && action == LZMA_RUN) {
      const std::size_t got = std::fread(input.get(), 1, kBufferSize, file.get());
      // A read error would silently cut the source short.
      if (std::ferror(file.get())) return false;
      read += got;
      if (read > limit) return false;
      s.next_in = input.get();
      s.avail_in = got;
      if (std::feof(file.get())) action = LZMA_FINISH;
    }
    const std::size_t room = s.avail_out;
    const lzma_ret result = lzma_code(&s, action);
    const std::size_t filled = room - s.avail_out;
    if (!Produced(filled)) return false;
    packed += filled;
    pending += filled;
    if (s.avail_out == 0) {
      if (!FlushOutput()) return false;
      s.next_out = output.get();
      s.avail_out = kBufferSize;
    }
    if (result == LZMA_STREAM_END) break;
    if (result != LZMA_OK) return false;
  }
  entry.dataSize = static_cast<std::uint32_t>(read);
  entry.packedSize = static_cast<std::uint32_t>(packed);
  return true;
}

bool PayloadWriter::WriteWindow(Entry& entry) {
  entry.dataOffset = Offset();
  const File file(kvplatform::OpenFile(entry.path, "rb"));
  if (!file) return true;
  if (!MayFit(file.get())) return false;
  std::uint64_t copied = 0;
  do {
    const std::size_t got = std::fread(input.get(), 1, kBufferSize, file.get());
    if (std::ferror(file.get())) return false;
    copied += got;
    if (copied > limit || !Write(input.get(), got)) return false;
  } while (!std::feof(file.get()));
  entry.dataSize = static_cast<std::uint32_t>(copied);
  return true;
}

bool PayloadWriter::WriteLibrary(Entry& entry, std::int32_t target) {
  entry.dataOffset = Offset();
  // Compile appends to the file itself.
  if (!FlushOutput()) return false;
  std::uint64_t size = 0;
  if (!kvext::Compile(target, payload, entry.path, size)) {
    // Compile fails the same way for a declaration file that does not open, which gives an
    // empty block, and for a failed write to the payload, which must not pass as one.
    if (size != 0 || std::ferror(payload) || kvplatform::CanRead(entry.path)) return false;
  }
  if (!Produced(size)) return false;
  entry.dataSize = static_cast<std::uint32_t>(size);
  return true;
}

}  // namespace

std::string WritePayload(const KVProject& project, const std::string& executablePath) {
  return WritePayload(project, executablePath, kvpayload::kMaxPayloadSize);
}

std::string WritePayload(const KVProject& project, const std::string& executablePath, std::uint64_t sizeLimit) {
  return WritePayloadFor(project, project.Target(), executablePath, sizeLimit);
}

std::string WritePayloadFor(const KVProject& project, std::int32_t target, const std::string& executablePath,
                            std::uint64_t sizeLimit) {
  const std::uint64_t limit = std::min(sizeLimit, kvpayload::kMaxPayloadSize);
  Tables tables = CollectEntries(project);
  const std::string path = executablePath + ".bin";
  // Created before anything is refused, so that a payload of an earlier build goes too.
  PendingFile file(path);
  if (!file.Get() || kvpayload::kHeaderSize + TableSize(tables) > limit) return {};
  PayloadWriter writer(file.Get(), limit);

  // The tables go out with zero numbers first to reserve their place before the data.
  std::string start;
  kvpayload::AppendHeader(start);
  if (!writer.Write(start) || !writer.Write(TableBytes(tables))) return {};

  auto& sources = tables[static_cast<std::size_t>(kvpayload::Table::Source)];
  auto& windows = tables[static_cast<std::size_t>(kvpayload::Table::Window)];
  auto& libraries = tables[static_cast<std::size_t>(kvpayload::Table::Library)];
  for (Entry& entry : sources) {
    if (!writer.WriteSource(entry)) return {};
  }
  for (Entry& entry : windows) {
    if (!writer.WriteWindow(entry)) return {};
  }
  for (Entry& entry : libraries) {
    if (!writer.WriteLibrary(entry, target)) return {};
  }

  const std::string numbered = TableBytes(tables);
  if (!writer.FlushOutput() || !kvplatform::SeekFile(file.Get(), kvpayload::kHeaderSize) ||
      std::fwrite(numbered.data(), 1, numbered.size(), file.Get()) != numbered.size() || !file.Keep()) {
    return {};
  }
  return path;
}

}  // namespace kvbuild
