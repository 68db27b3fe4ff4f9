// Owners of the platform objects the framework creates: one non-copyable type per kind of
// resource, released in its destructor.
#pragma once

#include <windows.h>

#include <utility>

namespace kvwin {

// A GDI object (font, brush, pen, bitmap) deleted with DeleteObject. It must not be selected
// into a device context when the owner goes away.
template <typename Handle>
class GdiObject {
public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle(handle) {}
  ~GdiObject() { reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle, nullptr));
    return *this;
  }

  Handle get() const { return handle; }
  explicit operator bool() const { return handle != nullptr; }
  void reset(Handle replacement = nullptr) {
    if (handle && handle != replacement) DeleteObject(handle);
    handle = replacement;
  }

private:
  Handle handle = nullptr;
};

using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Bitmap = GdiObject<HBITMAP>;

// A critical section with the lock()/unlock() pair std::lock_guard expects. It is recursive:
// the thread holding it may take it again.
class CriticalSection {
public:
  CriticalSection() { InitializeCriticalSection(&section); }
  ~CriticalSection() { DeleteCriticalSection(&section); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void lock() { EnterCriticalSection(&section); }
  void unlock() { LeaveCriticalSection(&section); }

private:
  CRITICAL_SECTION section;
};

}  // namespace kvwin
