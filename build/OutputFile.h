// A file that is written whole or not at all: created on construction, and deleted again by
// the destructor unless Commit closed it successfully. Keeps half-written executables out of
// the places a build looks for them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/Platform.h"

namespace kvbuild {

class OutputFile {
public:
  // Creates (or truncates) path for binary writing.
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool IsOpen() const { return file != nullptr; }
  // Bytes written so far.
  std::uint64_t Position() const { return position; }

  bool Write(const std::string& bytes);
  // Zero bytes up to offset; false when the file is already past it.
  bool PadTo(std::uint64_t offset);
  // Exactly count bytes from the current position of source; false when it ends early.
  bool CopyFrom(FILE* source, std::uint64_t count);

  // Overwrites bytes already written at offset; the next write goes to the end again.
  bool WriteAt(std::uint64_t offset, const std::string& bytes);

  // Closes the file and keeps it; false (and the file is deleted) when any write failed.
  bool Commit();

private:
  bool Put(const char* data, std::size_t size);

  std::string path;
  kvplatform::UniqueFile file;
  std::uint64_t position = 0;
  bool failed = false;
  bool committed = false;
};

}  // namespace kvbuild
