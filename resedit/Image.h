// ZKImage: decodes the first frame of any picture the Windows Imaging Component reads into
// 32-bit BGRA, turned upright by its EXIF orientation, and makes a top-down 32-bit DIB
// section of it for display.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <string>
#include <utility>

#include "app/framework/Handles.h"
#include "resedit/Orientation.h"

namespace kvcom {

// Holds one COM interface and releases it.
template <typename Interface>
class Ptr {
public:
  Ptr() = default;
  ~Ptr() { reset(); }
  Ptr(const Ptr&) = delete;
  Ptr& operator=(const Ptr&) = delete;

  Interface* get() const { return pointer; }
  Interface* operator->() const { return pointer; }
  explicit operator bool() const { return pointer != nullptr; }
  // For the functions that hand out an interface; the old one is released first.
  Interface** put() {
    reset();
    return &pointer;
  }
  void reset() {
    if (pointer) pointer->Release();
    pointer = nullptr;
  }
  void swap(Ptr& other) { std::swap(pointer, other.pointer); }

private:
  Interface* pointer = nullptr;
};

}  // namespace kvcom

class ZKImage {
public:
  ZKImage();
  ZKImage(const ZKImage&) = delete;
  ZKImage& operator=(const ZKImage&) = delete;

  bool load(const std::string& path);
  // The display bitmap, owned by this object; null without a loaded image.
  HBITMAP bitmap();
  // The converted picture's size; false without a loaded image.
  bool size(UINT& width, UINT& height) const;

  bool isLoaded() const { return loaded; }
  const std::string& path() const { return loadedPath; }
  UINT frameCount() const { return frames; }
  // The EXIF orientation applied by the last load, 1 when none was.
  int orientation() const { return appliedOrientation; }

private:
  // The orientation tag through WIC's metadata reader; where that has none (Wine has no JPEG
  // metadata reader), from the file's own EXIF block.
  int orientationTag(const std::string& path);
  bool transform(kvimage::Orientation orientation);

  std::string loadedPath;
  bool factoryReady = false;
  bool loaded = false;
  kvcom::Ptr<IWICImagingFactory> factory;
  kvcom::Ptr<IWICBitmapDecoder> decoder;
  kvcom::Ptr<IWICBitmapFrameDecode> frame;
  kvcom::Ptr<IWICMetadataQueryReader> metadata;
  kvcom::Ptr<IWICBitmapSource> converted;
  UINT frames = 0;
  int appliedOrientation = 1;
  kvwin::Bitmap displayBitmap;
};
