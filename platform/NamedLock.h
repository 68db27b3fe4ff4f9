// A lock named across processes that exists exactly while a holder lives; its existence is
// the lock, nobody ever waits on it. On Windows it is a named mutex in the logon's local
// namespace ("Local\" + name); on POSIX a file in the user's runtime folder held with flock.
// Names are plain words without path separators.
#pragma once

#include <string>

namespace kvplatform {

class NamedLock {
public:
  NamedLock() = default;
  ~NamedLock();
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  // True when some process (this one included) holds a lock of this name.
  static bool IsHeld(const std::string& name);

  // Creates or joins the named lock and keeps it until Release or destruction. Like opening
  // an existing mutex, this succeeds while others hold the same name. False on failure.
  bool Acquire(const std::string& name);
  void Release();
  bool IsAcquired() const;

private:
#ifdef _WIN32
  void* handle = nullptr;
#else
  int fd = -1;
#endif
};

}  // namespace kvplatform
