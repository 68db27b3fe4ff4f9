// The operating-system services that portable code needs. Each function has a Win32 side
// (platform/win32) and a POSIX side (platform/posix) with the same observable behaviour.
// All paths and texts are UTF-8.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kvplatform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// fopen by UTF-8 path. Modes as the C runtime takes them: "rb", "wb", "wbc" (commit on
// flush), "w+bc", "ab", "r". Returns null on failure; folders and paths holding a NUL byte
// never open.
FILE* OpenFile(const std::string& path, const char* mode);

// Closes a FILE* when its owner goes; every open file of the portable code is held in one.
struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;

// The file's bytes exactly; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& bytes);

// Writes the file whole, replacing it atomically (platform/AtomicFile.h); on failure the old
// file stays as it was, so no reader ever picks up a truncated file.
bool WriteFileBytes(const std::string& path, std::string_view bytes);

// Moves an open file to an absolute offset; 64-bit everywhere, also where long is 32 bits.
bool SeekFile(FILE* file, std::uint64_t offset);

// The position of an open file, 64-bit everywhere.
bool TellFile(FILE* file, std::uint64_t& position);

// Length of an open file in bytes; the position is left at the start.
bool FileLength(FILE* file, std::uint64_t& length);

// count bytes at an absolute offset of an open file whose length is known. The range is
// checked against that length before anything is allocated, so a size read from a damaged
// file cannot ask for more memory than the file holds.
bool ReadAt(FILE* file, std::uint64_t length, std::uint64_t at, std::uint64_t count, std::string& out);

// getc without taking the stream's lock. The IDE reads each file from one thread, and the
// lock taken for every byte costs more than the reading itself.
int GetByteUnlocked(FILE* file);

// True when the file can be opened for reading.
bool CanRead(const std::string& path);

// True when a file or folder of this name exists, readable or not.
bool PathExists(const std::string& path);

// Creates one folder; false when it could not be created (for example when it exists).
bool CreateFolder(const std::string& path);

// Copies a file, replacing the target. Copying a file onto itself fails.
bool CopyFileOverwrite(const std::string& from, const std::string& to);

// Renames or moves a file; fails when the target exists.
bool MoveFileTo(const std::string& from, const std::string& to);

bool DeleteFileAt(const std::string& path);

// Size in bytes, or -1 when the file cannot be examined or is a folder.
std::int64_t FileSize(const std::string& path);

// Lets the file be run as a program where that is a permission of its own (POSIX: the
// execute bits wherever the read bits are set); Windows has none, and it succeeds there.
bool MarkExecutable(const std::string& path);

std::uint32_t CurrentProcessId();

// Full path of the running executable.
std::string ExecutablePath();

// The user's Documents folder, without a trailing separator; empty when unknown.
std::string DocumentsFolder();

// The form in which the file system tells file names apart: two names of one file give the
// same key. Windows ignores case by its own upper-case table; POSIX names are exact.
std::string FileNameKey(const std::string& name);

// The absolute path of the file or folder itself once every symbolic link (and, on Windows,
// junction) on the way is followed; empty when it does not exist or cannot be examined.
std::string ResolvedPath(const std::string& path);

inline bool SameFileName(const std::string& a, const std::string& b) {
  return FileNameKey(a) == FileNameKey(b);
}

}  // namespace kvplatform
