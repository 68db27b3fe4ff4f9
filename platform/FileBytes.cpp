// Whole-file reading and writing and checked reads over OpenFile and SeekFile, the same on
// every platform.
#include <cstdio>

#include "platform/AtomicFile.h"
#include "platform/Platform.h"

namespace kvplatform {

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  const UniqueFile file(OpenFile(path, "rb"));
  if (!file) return false;
  bytes.clear();
  // Room for the whole file at once; a file that grows meanwhile is still read to its end.
  std::uint64_t length = 0;
  if (FileLength(file.get(), length) && length < bytes.max_size()) bytes.reserve(static_cast<std::size_t>(length));
  char buffer[64 * 1024];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
  return std::ferror(file.get()) == 0;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
  // A failed or interrupted write must not cost the user the file that was there.
  return SaveFileAtomically(path, bytes);
}

bool FileLength(FILE* file, std::uint64_t& length) {
  std::uint64_t end = 0;
  if (std::fseek(file, 0, SEEK_END) != 0 || !TellFile(file, end)) return false;
  length = end;
  return SeekFile(file, 0);
}

bool ReadAt(FILE* file, std::uint64_t length, std::uint64_t at, std::uint64_t count, std::string& out) {
  if (at > length || count > length - at) return false;
  if (!SeekFile(file, at)) return false;
  out.assign(static_cast<std::size_t>(count), '\0');
  return count == 0 || std::fread(&out[0], 1, out.size(), file) == out.size();
}

}  // namespace kvplatform
