#include "build/RuntimePack.h"

#include <lzma.h>

#include <array>
#include <memory>
#include <vector>

#include "build/ExeFile.h"
#include "common/ByteIO.h"
#include "common/LzmaStream.h"
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

// Opens the executable positioned at the entry's data; size is the entry's byte count.
File OpenEntry(const std::string& ideExecutablePath, PackEntry entry, std::uint32_t& size) {
  KVExeFile image;
  if (!image.Read(ideExecutablePath) || !CarriesPack(image)) return nullptr;
  File file(kvplatform::OpenFile(ideExecutablePath, "rb"));
  if (!file) return nullptr;
  const std::uint64_t packStart = image.LastSectionOffset();
  const std::uint64_t slot = packStart + 8 * static_cast<std::uint64_t>(entry);
  std::uint32_t offset = 0;
  size = 0;
  if (std::fseek(file.get(), static_cast<long>(slot), SEEK_SET) != 0 || !kvbytes::ReadU32(file.get(), offset) ||
      !kvbytes::ReadU32(file.get(), size)) {
    offset = size = 0;
  }
  if (std::fseek(file.get(), static_cast<long>(packStart + offset), SEEK_SET) != 0) return nullptr;
  return file;
}

// Streams one XZ stream from input to output. Only a complete, intact stream succeeds.
bool Decompress(FILE* input, FILE* output) {
  KVLzmaStream xz;
  if (lzma_stream_decoder(xz.Get(), UINT64_MAX, 0) != LZMA_OK) return false;
  std::vector<std::uint8_t> in(kXzBuffer), out(kXzBuffer);
  lzma_action action = LZMA_RUN;
  xz->next_out = out.data();
  xz->avail_out = out.size();
  for (;;) {
    if (xz->avail_in == 0 && action == LZMA_RUN) {
      xz->next_in = in.data();
      xz->avail_in = std::fread(in.data(), 1, in.size(), input);
      if (std::feof(input)) action = LZMA_FINISH;
      if (std::ferror(input)) return false;
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

bool CopyBytes(FILE* source, const std::string& destinationPath, std::uint32_t count) {
  File destination(kvplatform::OpenFile(destinationPath, "wb"));
  if (!destination) return false;
  std::vector<char> buffer(kCopyChunk + 1);
  std::uint32_t left = count;
  while (left > 0) {
    const std::size_t wanted = left < kCopyChunk ? left : kCopyChunk;
    const std::size_t got = std::fread(buffer.data(), 1, wanted, source);
    if (got == 0) break;
    if (std::fwrite(buffer.data(), 1, got, destination.get()) != got) return false;
    left -= static_cast<std::uint32_t>(got);
  }
  return std::fclose(destination.release()) == 0;
}

bool ExtractRuntime(const std::string& ideExecutablePath, std::int32_t target, const std::string& destinationPath) {
  std::uint32_t size = 0;
  File ide = OpenEntry(ideExecutablePath, RuntimeEntryFor(target), size);
  if (!ide) return false;
  const std::string temporaryPath = destinationPath + ".kvs_";
  bool extracted = false;
  if (CopyBytes(ide.get(), temporaryPath, size)) {
    File packed(kvplatform::OpenFile(temporaryPath, "rb"));
    File destination(packed ? kvplatform::OpenFile(destinationPath, "wb") : nullptr);
    if (packed && destination) {
      extracted = Decompress(packed.get(), destination.get());
      extracted = std::fclose(destination.release()) == 0 && extracted;
      // A partial runtime would look like a finished build.
      if (!extracted) kvplatform::DeleteFileAt(destinationPath);
    }
  }
  kvplatform::DeleteFileAt(temporaryPath);
  return extracted;
}

bool HasRuntimePack(const std::string& ideExecutablePath) {
  KVExeFile image;
  return image.Read(ideExecutablePath) && CarriesPack(image);
}

bool CopyDefaultIcon(const std::string& ideExecutablePath, const std::string& destinationPath) {
  std::uint32_t size = 0;
  File ide = OpenEntry(ideExecutablePath, PackEntry::DefaultIcon, size);
  return ide && size > 0 && CopyBytes(ide.get(), destinationPath, size);
}

}  // namespace kvbuild
