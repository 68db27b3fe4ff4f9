// Saving a user's file so that a full disk, a failed write or a killed process leaves either
// the old file or the new one, never a truncated one, and no temporary file: the bytes go to
// a new file beside the target, reach the disk, and then take the target's place in one step
// (MoveFileExW with replace and write-through on Windows, rename on POSIX). Temporary files
// are created exclusively and no write ever follows a symbolic link: replacing a link
// replaces the link itself. A temporary that a killed process left is removed by the next
// save of the same file.
#pragma once

#include <string>
#include <string_view>

namespace kvplatform {

// The system's reason for the last failure of these functions ("No space left on device",
// "There is not enough space on the disk."); set on every failure.
struct FileError {
  std::string reason;
  // The target is in use by a running program (a sharing violation on Windows).
  bool inUse = false;
};

// Writes bytes as the whole new content of path, as described above.
bool SaveFileAtomically(const std::string& path, std::string_view bytes, FileError* error = nullptr);

// A new, empty file in the folder of path, created exclusively, for a caller that writes a
// large result itself; its path, or empty on failure.
std::string CreateTemporaryBeside(const std::string& path, FileError* error = nullptr);

// Flushes the finished temporary file to disk and puts it in place of path in one step,
// retrying for a short while when path is in use; on failure path is unchanged and the
// temporary file is removed.
bool ReplaceWithTemporary(const std::string& temporary, const std::string& path, FileError* error = nullptr);

}  // namespace kvplatform
