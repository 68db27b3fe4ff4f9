// Owners of the platform objects the framework creates: one non-copyable type per kind of
// resource, released in its destructor.
#pragma once

#include <windows.h>
#include <commctrl.h>

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

// An image list destroyed with ImageList_Destroy.
class ImageList {
public:
  ImageList() = default;
  explicit ImageList(HIMAGELIST list) : list(list) {}
  ~ImageList() { reset(); }
  ImageList(const ImageList&) = delete;
  ImageList& operator=(const ImageList&) = delete;

  HIMAGELIST get() const { return list; }
  void reset(HIMAGELIST replacement = nullptr) {
    if (list && list != replacement) ImageList_Destroy(list);
    list = replacement;
  }

private:
  HIMAGELIST list = nullptr;
};

// A menu made with CreatePopupMenu or CreateMenu that no window owns, destroyed with it.
class Menu {
public:
  explicit Menu(HMENU menu) : menu(menu) {}
  ~Menu() {
    if (menu) DestroyMenu(menu);
  }
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  HMENU get() const { return menu; }
  // Hands the menu to an owner that destroys it (a menu bar or a parent menu).
  HMENU release() { return std::exchange(menu, nullptr); }

private:
  HMENU menu;
};

// BeginPaint and EndPaint around a WM_PAINT handler.
class PaintDc {
public:
  explicit PaintDc(HWND window) : window(window), dc(BeginPaint(window, &paint)) {}
  ~PaintDc() { EndPaint(window, &paint); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;

  HDC get() const { return dc; }
  const RECT& dirty() const { return paint.rcPaint; }

private:
  HWND window;
  PAINTSTRUCT paint = {};
  HDC dc;
};

// GetDC and ReleaseDC: a window's device context outside WM_PAINT, for measuring or XOR drawing.
class WindowDc {
public:
  explicit WindowDc(HWND window) : window(window), dc(GetDC(window)) {}
  ~WindowDc() {
    if (dc) ReleaseDC(window, dc);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc; }

private:
  HWND window;
  HDC dc;
};

// A memory device context compatible with another one, deleted with DeleteDC.
class MemoryDc {
public:
  explicit MemoryDc(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {}
  ~MemoryDc() {
    if (dc) DeleteDC(dc);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC get() const { return dc; }

private:
  HDC dc;
};

// Selects a GDI object into a device context and puts the previous one back, so that the
// object can be deleted afterwards and the context is left as it was found.
class Selection {
public:
  Selection(HDC dc, HGDIOBJ object) : dc(dc), previous(SelectObject(dc, object)) {}
  ~Selection() {
    if (previous) SelectObject(dc, previous);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

private:
  HDC dc;
  HGDIOBJ previous;
};

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
