// A 256 KiB tmpfs mounted over a folder for one test, so that a save meets a full disk.
// Mounting needs root and Linux; elsewhere Mounted() is false and Reason() says why.
#pragma once

#include <string>

#if defined(__linux__)
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

#include "platform/Platform.h"

namespace kvtest {

class SmallDisk {
public:
  // folder is created when missing; Path() ends with the separator.
  explicit SmallDisk(const std::string& folder) : path(folder + kvplatform::kPathSeparator) {
#if defined(__linux__)
    kvplatform::CreateFolder(folder);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") == 0) {
      mounted = true;
    } else {
      reason = std::string("cannot mount a small tmpfs: ") + std::strerror(errno);
    }
#else
    reason = "no size-limited file system can be mounted on this platform";
#endif
  }
  ~SmallDisk() {
#if defined(__linux__)
    // Detached so that a handle a failed test left open cannot keep the mount.
    if (mounted) ::umount2(path.c_str(), MNT_DETACH);
#endif
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return mounted; }
  const std::string& Reason() const { return reason; }
  const std::string& Path() const { return path; }

  // Takes every free byte with a file of its own, so that the next write fails.
  void Fill() const {
#if defined(__linux__)
    const int fd = ::open((path + "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    static const char block[4096] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    ::close(fd);
#endif
  }

private:
  std::string path;
  bool mounted = false;
  std::string reason;
};

}  // namespace kvtest
