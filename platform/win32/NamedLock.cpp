#include "platform/NamedLock.h"

#include "common/Text.h"

#include <windows.h>

namespace kvplatform {

namespace {

kvtext::WideString MutexName(const std::string& name) {
  return L"Local\\" + kvtext::Utf8ToWide(name);
}

}  // namespace

NamedLock::~NamedLock() {
  Release();
}

bool NamedLock::IsHeld(const std::string& name) {
  if (name.empty()) return false;
  SetLastError(ERROR_SUCCESS);
  HANDLE probe = CreateMutexW(nullptr, FALSE, MutexName(name).c_str());
  const DWORD error = GetLastError();
  if (probe != nullptr) CloseHandle(probe);
  // A mutex another user made with a stricter security descriptor exists all the same.
  return error == ERROR_ALREADY_EXISTS || (probe == nullptr && error == ERROR_ACCESS_DENIED);
}

bool NamedLock::Acquire(const std::string& name) {
  Release();
  if (name.empty()) return false;
  // Never owned: the mutex's existence is the lock, so there is nothing to release but the
  // handle.
  handle = CreateMutexW(nullptr, FALSE, MutexName(name).c_str());
  return handle != nullptr;
}

void NamedLock::Release() {
  if (handle == nullptr) return;
  CloseHandle(static_cast<HANDLE>(handle));
  handle = nullptr;
}

bool NamedLock::IsAcquired() const {
  return handle != nullptr;
}

}  // namespace kvplatform
