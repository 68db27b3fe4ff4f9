#include "platform/Platform.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

namespace kvplatform {

namespace {

bool IsUsablePath(const std::string& path) {
  return !path.empty() && path.find('\0') == std::string::npos;
}

// A file descriptor closed on scope exit.
class FileDescriptor {
public:
  explicit FileDescriptor(int value) : fd(value) {}
  ~FileDescriptor() {
    if (fd >= 0) close(fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd; }
  int Take() {
    const int value = fd;
    fd = -1;
    return value;
  }

private:
  int fd;
};

// Opens without blocking on a FIFO and refuses anything but a regular file, as Windows does
// for folders; descriptors never leak into child processes.
int OpenRegularFile(const std::string& path, int flags, mode_t mode) {
  FileDescriptor fd(open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode));
  if (fd.Get() < 0) return -1;
  struct stat info {};
  if (fstat(fd.Get(), &info) != 0) return -1;
  if (!S_ISREG(info.st_mode)) {
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return -1;
  }
  const int status = fcntl(fd.Get(), F_GETFL);
  if (status < 0 || fcntl(fd.Get(), F_SETFL, status & ~O_NONBLOCK) != 0) return -1;
  return fd.Take();
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool CopyContents(int from, int to) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    if (!WriteAll(to, buffer, static_cast<size_t>(got))) return false;
  }
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
#if defined(__linux__)
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#elif defined(__APPLE__)
  if (renamex_np(from.c_str(), to.c_str(), RENAME_EXCL) == 0) return true;
  if (errno != ENOTSUP) return false;
#endif
  // File systems without an exclusive rename: check, then rename.
  struct stat info {};
  if (lstat(to.c_str(), &info) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

FILE* OpenFile(const std::string& path, const char* mode) {
  if (!IsUsablePath(path) || mode == nullptr) return nullptr;
  const char kind = mode[0];
  const bool update = std::string_view(mode).find('+') != std::string_view::npos;
  // "c" commits on flush: with O_SYNC every write the stream makes reaches the disk.
  const bool commit = std::string_view(mode).find('c') != std::string_view::npos;
  const bool exclusive = std::string_view(mode).find('x') != std::string_view::npos;
  int flags = 0;
  std::string streamMode(1, kind);
  switch (kind) {
    case 'r':
      flags = update ? O_RDWR : O_RDONLY;
      break;
    case 'w':
      flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
      break;
    case 'a':
      flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
      break;
    default:
      errno = EINVAL;
      return nullptr;
  }
  if (update) streamMode += '+';
  if (commit) flags |= O_SYNC;
  if (exclusive && kind != 'r') flags |= O_EXCL;
  FileDescriptor fd(OpenRegularFile(path, flags, 0666));
  if (fd.Get() < 0) return nullptr;
  FILE* file = fdopen(fd.Get(), streamMode.c_str());
  if (file != nullptr) fd.Take();
  return file;
}

bool SeekFile(FILE* file, std::uint64_t offset) {
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool TellFile(FILE* file, std::uint64_t& position) {
  const off_t at = ftello(file);
  if (at < 0) return false;
  position = static_cast<std::uint64_t>(at);
  return true;
}

int GetByteUnlocked(FILE* file) { return getc_unlocked(file); }

// Whether OpenFile(path, "rb") would open the file: a regular file, links followed, that this
// process may read. Two metadata calls and no open, since a project load asks this of every
// listed file.
bool CanRead(const std::string& path) {
  struct stat info {};
  return IsUsablePath(path) && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return IsUsablePath(path) && stat(path.c_str(), &info) == 0;
}

bool CreateFolder(const std::string& path) {
  return IsUsablePath(path) && mkdir(path.c_str(), 0777) == 0;
}

bool CopyFileOverwrite(const std::string& from, const std::string& to) {
  if (!IsUsablePath(from) || !IsUsablePath(to)) return false;
  FileDescriptor source(OpenRegularFile(from, O_RDONLY, 0));
  if (source.Get() < 0) return false;
  struct stat sourceInfo {};
  struct stat targetInfo {};
  if (fstat(source.Get(), &sourceInfo) != 0) return false;
  // Truncating the target would otherwise destroy the source.
  if (stat(to.c_str(), &targetInfo) == 0 && targetInfo.st_dev == sourceInfo.st_dev &&
      targetInfo.st_ino == sourceInfo.st_ino) {
    errno = EINVAL;
    return false;
  }
  FileDescriptor target(
      OpenRegularFile(to, O_WRONLY | O_CREAT | O_TRUNC, sourceInfo.st_mode & 0777));
  if (target.Get() < 0) return false;
  const bool copied = CopyContents(source.Get(), target.Get());
  const bool closed = close(target.Take()) == 0;
  if (copied && closed) return true;
  unlink(to.c_str());
  return false;
}

bool MoveFileTo(const std::string& from, const std::string& to) {
  if (!IsUsablePath(from) || !IsUsablePath(to)) return false;
  if (RenameNoReplace(from, to)) return true;
  if (errno != EXDEV) return false;
  // Across file systems a file is copied and the original removed, as MoveFileW does.
  struct stat info {};
  if (lstat(to.c_str(), &info) == 0 || !CopyFileOverwrite(from, to)) return false;
  if (unlink(from.c_str()) == 0) return true;
  unlink(to.c_str());
  return false;
}

bool DeleteFileAt(const std::string& path) {
  struct stat info {};
  if (!IsUsablePath(path) || lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
    return false;
  }
  return unlink(path.c_str()) == 0;
}

bool MarkExecutable(const std::string& path) {
  struct stat info {};
  if (!IsUsablePath(path) || stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  const mode_t readable = info.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
  return chmod(path.c_str(), info.st_mode | (readable >> 2)) == 0;
}

std::int64_t FileSize(const std::string& path) {
  struct stat info {};
  if (!IsUsablePath(path) || stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

std::uint32_t CurrentProcessId() {
  return static_cast<std::uint32_t>(getpid());
}

std::string ExecutablePath() {
#if defined(__APPLE__)
  uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);
  std::string path(size, '\0');
  if (_NSGetExecutablePath(path.data(), &size) != 0) return {};
  path.resize(std::char_traits<char>::length(path.c_str()));
  return path;
#else
  std::string path(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < path.size()) {
      path.resize(static_cast<size_t>(length));
      return path;
    }
    path.resize(path.size() * 2);
  }
#endif
}

std::string DocumentsFolder() {
  std::string folder;
  const char* documents = std::getenv("XDG_DOCUMENTS_DIR");
  const char* home = std::getenv("HOME");
  if (documents != nullptr && documents[0] != '\0') {
    folder = documents;
  } else if (home != nullptr && home[0] != '\0') {
    folder = std::string(home) + "/Documents";
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string FileNameKey(const std::string& name) { return name; }

std::string ResolvedPath(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return {};
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

}  // namespace kvplatform
