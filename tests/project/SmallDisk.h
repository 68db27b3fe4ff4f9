// A 256 KiB tmpfs mounted over a folder for one test, so that a save meets a full disk.
// Mounting needs root and Linux. Under Wine the test command mounts one such file system
// before the Windows tests and names it in KV_SMALL_DISK; each test takes a folder of its own
// on it, seen through Wine's drive Z:. Elsewhere Mounted() is false and Reason() says why.
#pragma once

#include <cstdlib>
#include <filesystem>
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
#elif defined(_WIN32)
    const char* host = std::getenv("KV_SMALL_DISK");
    if (host == nullptr || *host == '\0') {
      reason = "no small file system was mounted for the Windows tests (KV_SMALL_DISK is not set)";
      return;
    }
    std::string root = std::string("Z:") + host;
    for (char& c : root) {
      if (c == '/') c = '\\';
    }
    const std::string leaf = folder.substr(folder.find_last_of("\\/") + 1);
    path = root + '\\' + leaf + '\\';
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::u8path(path), error);
    mounted = kvplatform::CreateFolder(path);
    if (!mounted) reason = "cannot make a folder on the small file system " + root;
#else
    reason = "no size-limited file system can be mounted on this platform";
#endif
  }
  ~SmallDisk() {
#if defined(__linux__)
    // Detached so that a handle a failed test left open cannot keep the mount.
    if (mounted) ::umount2(path.c_str(), MNT_DETACH);
#elif defined(_WIN32)
    // The file system is shared by the tests that follow: this one's folder goes.
    std::error_code error;
    if (mounted) std::filesystem::remove_all(std::filesystem::u8path(path), error);
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
#else
    const kvplatform::UniqueFile file(kvplatform::OpenFile(path + "filler", "wb"));
    if (!file) return;
    static const char block[4096] = {};
    while (std::fwrite(block, 1, sizeof block, file.get()) == sizeof block && std::fflush(file.get()) == 0) {
    }
#endif
  }

private:
  std::string path;
  bool mounted = false;
  std::string reason;
};

}  // namespace kvtest
