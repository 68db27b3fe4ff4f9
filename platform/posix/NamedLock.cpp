#include "platform/NamedLock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// Holders keep a shared flock on the lock's file, so any number of holders may coexist as
// handles to one mutex do; IsHeld asks for an exclusive lock on a fresh descriptor, which
// fails exactly while some holder lives. The kernel drops the locks of a process that ends.
// Lock files are never deleted: removing one while another process is about to lock it
// would let two lock files of one name exist.

namespace kvplatform {

namespace {

// The user's private runtime folder, else a private folder in /tmp made for this user.
std::string LockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/";
  const std::string folder = "/tmp/kelvox-" + std::to_string(getuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  // Someone else may have made it first; only a private folder of ours will do.
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
      (info.st_mode & 077) != 0) {
    return {};
  }
  return folder + "/";
}

// Names become file names: letters, digits and "_-." stay, every other byte is escaped.
std::string LockPath(const std::string& name) {
  if (name.empty()) return {};
  std::string folder = LockFolder();
  if (folder.empty()) return {};
  std::string path = folder + "kelvox-lock-";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
        c == '_' || c == '-' || c == '.') {
      path += c;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
      path += escaped;
    }
  }
  return path;
}

int FlockRetrying(int fd, int operation) {
  int result;
  do {
    result = flock(fd, operation);
  } while (result != 0 && errno == EINTR);
  return result;
}

}  // namespace

NamedLock::~NamedLock() {
  Release();
}

bool NamedLock::IsHeld(const std::string& name) {
  const std::string path = LockPath(name);
  if (path.empty()) return false;
  const int probe = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (probe < 0) return false;
  const bool held = FlockRetrying(probe, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(probe);
  return held;
}

bool NamedLock::Acquire(const std::string& name) {
  Release();
  const std::string path = LockPath(name);
  if (path.empty()) return false;
  const int lockFd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lockFd < 0) return false;
  // Waits at most for a probe of IsHeld, which keeps its exclusive lock for an instant.
  if (FlockRetrying(lockFd, LOCK_SH) != 0) {
    close(lockFd);
    return false;
  }
  fd = lockFd;
  return true;
}

void NamedLock::Release() {
  if (fd < 0) return;
  close(fd);
  fd = -1;
}

bool NamedLock::IsAcquired() const {
  return fd >= 0;
}

}  // namespace kvplatform
