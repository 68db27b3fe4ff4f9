#include "build/RuntimePack.h"

#include <lzma.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <array>
#include <memory>
#include <vector>

#include "build/ExeFile.h"
#include "common/ByteIO.h"
#include "common/LzmaStream.h"
#include "platform/AtomicFile.h"
#include "platform/Platform.h"

namespace kvbuild {

namespace {

constexpr std::size_t kCopyChunk = 10240;
constexpr std::size_t kXzBuffer = 0x100004;

using File = kvplatform::UniqueFile;

// The pack is the last section and has a name of its own: an executable without one (a
// development build, a test program) must not have its last section taken for a pack.
bool CarriesPack(const KVExeFile& image) {
  static constexpr std::array<std::uint8_t, 8> kPackSection = {'k', 'v', 'r', 's', 'r', 'c', 0, 0};
  return !image.Sections().empty() && image.Sections().back().name == kPackSection;
}

// Opens the executable positioned at the entry's data; size is the entry's byte count, which
// lies wholly inside the file. Offsets are 64-bit: a pack may start beyond 2 GiB.
File OpenEntry(const std::string& ideExecutablePath, PackEntry entry, std::uint32_t& size) {
  KVExeFile image;
  if (!image.Read(ideExecutablePath) || !CarriesPack(image)) return nullptr;
  File file(kvplatform::OpenFile(ideExecutablePath, "rb"));
  std::uint64_t length = 0;
  if (!file || !kvplatform::FileLength(file.get(), length)) return nullptr;
  const std::uint64_t packStart = image.LastSectionOffset();
  const std::uint64_t slot = packStart + 8 * static_cast<std::uint64_t>(entry);
  std::string fields;
  if (!kvplatform::ReadAt(file.get(), length, slot, 8, fields)) return nullptr;
  kvbytes::ByteReader reader(fields);
  std::uint32_t offset = 0;
  size = 0;
  if (!reader.u32(offset) || !reader.u32(size) || packStart + offset + size > length ||
      !kvplatform::SeekFile(file.get(), packStart + offset)) {
    return nullptr;
  }
  return file;
}

// Reads at most limit bytes of the file in all, through fread.
class BoundedReader {
public:
  BoundedReader(FILE* file, std::uint64_t limit) : file(file), left(limit) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t size) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, left));
    const std::size_t got = want == 0 ? 0 : std::fread(buffer, 1, want, file);
    left -= got;
    // The entry was checked to lie inside the file: a short read is a read error.
    if (got < want) failed = true;
    return got;
  }
  bool AtEnd() const { return left == 0 || failed; }
  bool Failed() const { return failed; }

private:
  FILE* file;
  std::uint64_t left;
  bool failed = false;
};

// Streams one XZ stream from input to output. Only a complete, intact stream succeeds.
bool Decompress(BoundedReader& input, FILE* output) {
  KVLzmaStream xz;
  if (lzma_stream_decoder(xz.Get(), UINT64_MAX, 0) != LZMA_OK) return false;
  std::vector<std::uint8_t> in(kXzBuffer), out(kXzBuffer);
  lzma_action action = LZMA_RUN;
  xz->next_out = out.data();
  xz->avail_out = out.size();
  for (;;) {
    if (xz->avail_in == 0 && action == LZMA_RUN) {
      xz->next_in = in.data();
      xz->avail_in = input.Read(in.data(), in.size());
      if (input.Failed()) return false;
      if (input.AtEnd()) action = LZMA_FINISH;
    }
    const lzma_ret result = lzma_code(xz.Get(), action);
    if (xz->avail_out == 0 || result == LZMA_STREAM_END) {
      const std::size_t filled = out.size() - xz->avail_out;
      if (std::fwrite(out.data(), 1, filled, output) != filled) return false;
      xz->next_out = out.data();
      xz->avail_out = out.size();
    }
    if (result == LZMA_STREAM_END) return true;
    // Damaged data, a truncated stream (no progress possible at LZMA_FINISH) or no memory.
    if (result != LZMA_OK) return false;
  }
}

}  // namespace

PackEntry RuntimeEntryFor(std::int32_t target) {
  switch (target) {
    case 1: return PackEntry::Windows64;
    case 3: return PackEntry::Windows32;
    default: return PackEntry::MacOS;
  }
}

namespace {

bool Fail(kvplatform::FileError* error, const char* reason) {
  if (error != nullptr) *error = kvplatform::FileError{reason, false};
  return false;
}

// Writes a new file through a temporary beside destinationPath that takes its place only when
// write succeeded, so that a failure leaves what was there before and no temporary.
template <typename Write>
bool WriteReplacing(const std::string& destinationPath, kvplatform::FileError* error, Write write) {
  const std::string temporary = kvplatform::CreateTemporaryBeside(destinationPath, error);
  if (temporary.empty()) return false;
  File output(kvplatform::OpenFile(temporary, "wb"));
  errno = 0;
  bool written = output && write(output.get());
  written = output && std::fclose(output.release()) == 0 && written;
  if (!written) {
    // The C library's reason for the failed write or close ("No space left on device").
    const int cause = errno;
    kvplatform::DeleteFileAt(temporary);
    if (error != nullptr && error->reason.empty()) {
      error->reason = cause != 0 ? std::strerror(cause) : "the file cannot be written";
    }
    return false;
  }
  return kvplatform::ReplaceWithTemporary(temporary, destinationPath, error);
}

}  // namespace

bool CopyBytes(FILE* source, const std::string& destinationPath, std::uint32_t count, kvplatform::FileError* error) {
  if (error != nullptr) *error = {};
  bool complete = true;
  const bool written = WriteReplacing(destinationPath, error, [&](FILE* destination) {
    std::vector<char> buffer(kCopyChunk + 1);
    std::uint32_t left = count;
    while (left > 0) {
      const std::size_t wanted = left < kCopyChunk ? left : kCopyChunk;
      const std::size_t got = std::fread(buffer.data(), 1, wanted, source);
      if (got != wanted) {
        complete = false;
        return false;
      }
      if (std::fwrite(buffer.data(), 1, got, destination) != got) return false;
      left -= static_cast<std::uint32_t>(got);
    }
    return true;
  });
  if (!complete) return Fail(error, "the source ends before the bytes to copy");
  return written;
}

bool ExtractRuntime(const std::string& ideExecutablePath, std::int32_t target, const std::string& destinationPath,
                    kvplatform::FileError* error) {
  if (error != nullptr) *error = {};
  std::uint32_t size = 0;
  File ide = OpenEntry(ideExecutablePath, RuntimeEntryFor(target), size);
  if (!ide) return Fail(error, "the runtime pack cannot be read");
  bool intact = true;
  const bool written = WriteReplacing(destinationPath, error, [&](FILE* destination) {
    BoundedReader packed(ide.get(), size);
    intact = Decompress(packed, destination);
    return intact;
  });
  if (!intact) return Fail(error, "the runtime in the pack is damaged");
  return written;
}

bool HasRuntimePack(const std::string& ideExecutablePath) {
  KVExeFile image;
  return image.Read(ideExecutablePath) && CarriesPack(image);
}

bool CopyDefaultIcon(const std::string& ideExecutablePath, const std::string& destinationPath,
                     kvplatform::FileError* error) {
  std::uint32_t size = 0;
  File ide = OpenEntry(ideExecutablePath, PackEntry::DefaultIcon, size);
  return ide && size > 0 && CopyBytes(ide.get(), destinationPath, size, error);
}

}  // namespace kvbuild
