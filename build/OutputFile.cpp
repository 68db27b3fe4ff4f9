#include "build/OutputFile.h"

#include <algorithm>
#include <array>

#include "platform/Platform.h"

namespace kvbuild {

namespace {
constexpr std::size_t kBlock = 10240;
}

OutputFile::OutputFile(const std::string& path) : path(path), file(kvplatform::OpenFile(path, "wb")) {}

OutputFile::~OutputFile() {
  if (committed || !file) return;
  file.reset();
  kvplatform::DeleteFileAt(path);
}

bool OutputFile::Put(const char* data, std::size_t size) {
  if (failed || !file) return false;
  if (size != 0 && std::fwrite(data, 1, size, file.get()) != size) failed = true;
  if (!failed) position += size;
  return !failed;
}

bool OutputFile::Write(const std::string& bytes) { return Put(bytes.data(), bytes.size()); }

bool OutputFile::PadTo(std::uint64_t offset) {
  if (offset < position) return false;
  const std::array<char, kBlock> zeros{};
  while (position < offset) {
    const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(offset - position, kBlock));
    if (!Put(zeros.data(), step)) return false;
  }
  return !failed;
}

bool OutputFile::CopyFrom(FILE* source, std::uint64_t count) {
  std::array<char, kBlock> buffer;
  while (count > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(count, kBlock));
    if (std::fread(buffer.data(), 1, want, source) != want) return false;
    if (!Put(buffer.data(), want)) return false;
    count -= want;
  }
  return !failed;
}

bool OutputFile::WriteAt(std::uint64_t offset, const std::string& bytes) {
  if (failed || !file || offset + bytes.size() > position) return false;
  const std::uint64_t end = position;
  position = offset;
  if (!kvplatform::SeekFile(file.get(), offset) || !Put(bytes.data(), bytes.size()) ||
      !kvplatform::SeekFile(file.get(), end)) {
    failed = true;
  }
  position = end;
  return !failed;
}

bool OutputFile::Commit() {
  if (!file) return false;
  const bool closed = std::fclose(file.release()) == 0;
  committed = closed && !failed;
  if (!committed) kvplatform::DeleteFileAt(path);
  return committed;
}

}  // namespace kvbuild
