#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvplatform {

namespace {

class UniqueFd {
public:
  explicit UniqueFd(int fd = -1) : fd(fd) {}
  ~UniqueFd() {
    if (fd >= 0) ::close(fd);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd; }
  int release() {
    const int kept = fd;
    fd = -1;
    return kept;
  }

private:
  int fd;
};

bool Fail(FileError* error, int code) {
  if (error != nullptr) {
    error->reason = std::strerror(code);
    error->inUse = code == ETXTBSY;
  }
  return false;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Without it a crash after rename may leave the folder entry pointing at the old file.
bool SyncFolder(const std::string& path) {
  const UniqueFd folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return folder.get() >= 0 && ::fsync(folder.get()) == 0;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

// Removes what earlier saves of path left when their process was killed: a temporary whose
// writer no longer runs. This process's own temporaries may be in use by another thread.
void RemoveLeftoverTemporaries(const std::string& path) {
  const std::string prefix = "." + NameOf(path) + ".";
  const std::string suffix = ".kvtmp";
  DIR* folder = ::opendir(FolderOf(path).c_str());
  if (folder == nullptr) return;
  const std::string base = path.substr(0, path.size() - NameOf(path).size());
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
    if (end == nullptr || *end != '.' || pid <= 0 || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) ::unlink((base + name).c_str());
  }
  ::closedir(folder);
}

// Opens the temporary file, exclusively, with the permission bits of the target it will
// replace so that a save does not make a file world-readable or drop its execute bit.
int CreateTemporary(const std::string& path, std::string& temporary, FileError* error, mode_t extraBits = 0) {
  static std::atomic<unsigned> counter{0};
  if (path.empty() || path.back() == '/' || path.find('\0') != std::string::npos) {
    Fail(error, EINVAL);
    return -1;
  }
  RemoveLeftoverTemporaries(path);
  mode_t mode = 0666;
  struct stat existing;
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) mode = existing.st_mode & 07777;
  mode |= extraBits;
  const std::string prefix = path.substr(0, path.size() - NameOf(path).size()) + "." + NameOf(path) + "." +
                             std::to_string(::getpid()) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = prefix + std::to_string(counter.fetch_add(1)) + ".kvtmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) {
      // The umask narrows the mode given to open; the saved file keeps what the old one had.
      if (mode != 0666) ::fchmod(fd, mode);
      return fd;
    }
    if (errno != EEXIST) break;
  }
  Fail(error, errno);
  temporary.clear();
  return -1;
}

}  // namespace

std::string CreateTemporaryBeside(const std::string& path, FileError* error) {
  std::string temporary;
  // The caller opens the file again to write it, even when the target is read-only.
  const UniqueFd fd(CreateTemporary(path, temporary, error, S_IRUSR | S_IWUSR));
  return fd.get() >= 0 ? temporary : std::string();
}

bool ReplaceWithTemporary(const std::string& temporary, const std::string& path, FileError* error) {
  int code = 0;
  {
    UniqueFd fd(::open(temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat existing;
    if (fd.get() >= 0 && ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
      ::fchmod(fd.get(), existing.st_mode & 07777);
    if (fd.get() < 0 || ::fsync(fd.get()) != 0) code = errno;
    if (fd.get() >= 0 && ::close(fd.release()) != 0 && code == 0) code = errno;
  }
  if (code == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) code = errno;
  if (code != 0) {
    ::unlink(temporary.c_str());
    return Fail(error, code);
  }
  // The new content is in place; a folder that cannot be synced does not undo that.
  SyncFolder(path);
  return true;
}

bool SaveFileAtomically(const std::string& path, std::string_view bytes, FileError* error) {
  std::string temporary;
  UniqueFd fd(CreateTemporary(path, temporary, error));
  if (fd.get() < 0) return false;
  int code = 0;
  if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) code = errno;
  // A full disk or a failed network write may show only when the file is closed.
  if (::close(fd.release()) != 0 && code == 0) code = errno;
  if (code == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) code = errno;
  if (code != 0) {
    ::unlink(temporary.c_str());
    return Fail(error, code);
  }
  SyncFolder(path);
  return true;
}

}  // namespace kvplatform
