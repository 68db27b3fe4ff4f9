#include "resedit/Image.h"

#include <propidl.h>

#include <cstring>

#include <vector>

#include "common/Text.h"
#include "project/FileUtil.h"

namespace {

// CLSID_WICImagingFactory2, named here because older SDK headers lack it.
constexpr CLSID kImagingFactory2 = {0x317d06e8, 0x5f24, 0x433d, {0xbd, 0xf7, 0x79, 0xce, 0x68, 0xd8, 0xab, 0xc2}};

// Clears a PROPVARIANT on every way out.
struct Variant {
  Variant() { PropVariantInit(&value); }
  ~Variant() { PropVariantClear(&value); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  PROPVARIANT value;
};

}  // namespace

ZKImage::ZKImage() {
  factoryReady = SUCCEEDED(CoCreateInstance(kImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                            reinterpret_cast<void**>(factory.put())));
  if (!factoryReady) {
    // Systems without the second factory still have the first.
    factoryReady = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put())));
  }
}

bool ZKImage::load(const std::string& path) {
  loaded = false;
  if (!factoryReady) return false;
  loadedPath.clear();
  frames = 0;
  appliedOrientation = 1;
  metadata.reset();
  converted.reset();
  frame.reset();
  decoder.reset();

  const kvtext::WideString widePath = kvtext::Utf8ToWide(path);
  if (FAILED(factory->CreateDecoderFromFilename(widePath.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.put()))) {
    return false;
  }
  if (FAILED(decoder->GetFrameCount(&frames)) || frames == 0) return false;
  if (FAILED(decoder->GetFrame(0, frame.put()))) return false;
  if (FAILED(frame->GetMetadataQueryReader(metadata.put()))) metadata.reset();
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.get(), converted.put()))) return false;
  loaded = true;
  loadedPath = path;

  const int tag = orientationTag(path);
  const kvimage::Orientation orientation = kvimage::OrientationFor(tag);
  if (orientation.changesPicture() && transform(orientation)) appliedOrientation = tag;
  return loaded;
}

int ZKImage::orientationTag(const std::string& path) {
  if (metadata) {
    Variant value;
    if (SUCCEEDED(metadata->GetMetadataByName(L"/app1/ifd/{ushort=274}", &value.value)) && value.value.vt == VT_UI2) {
      return value.value.uiVal;
    }
  }
  GUID format = {};
  if (FAILED(decoder->GetContainerFormat(&format)) || format != GUID_ContainerFormatJpeg) return 1;
  const int fromFile = kvimage::ReadJpegOrientation(ReadWholeFile(path));
  return fromFile ? fromFile : 1;
}

bool ZKImage::transform(kvimage::Orientation orientation) {
  UINT width = 0;
  UINT height = 0;
  kvcom::Ptr<IWICBitmap> source;
  if (FAILED(factory->CreateBitmapFromSource(converted.get(), WICBitmapNoCache, source.put()))) return false;
  if (FAILED(source->GetSize(&width, &height)) || width == 0 || height == 0) return false;
  const WICRect whole = {0, 0, static_cast<INT>(width), static_cast<INT>(height)};
  kvcom::Ptr<IWICBitmapLock> sourceLock;
  UINT stride = 0;
  UINT sourceBytes = 0;
  BYTE* sourcePixels = nullptr;
  if (FAILED(source->Lock(&whole, WICBitmapLockRead, sourceLock.put())) || FAILED(sourceLock->GetStride(&stride)) ||
      FAILED(sourceLock->GetDataPointer(&sourceBytes, &sourcePixels)) || !sourcePixels ||
      static_cast<UINT64>(stride) * (height - 1) + static_cast<UINT64>(width) * 4 > sourceBytes) {
    return false;
  }

  const UINT targetWidth = orientation.swapsSides() ? height : width;
  const UINT targetHeight = orientation.swapsSides() ? width : height;
  kvcom::Ptr<IWICBitmap> target;
  if (FAILED(factory->CreateBitmap(targetWidth, targetHeight, GUID_WICPixelFormat32bppBGR, WICBitmapCacheOnDemand,
                                   target.put()))) {
    return false;
  }
  const WICRect targetArea = {0, 0, static_cast<INT>(targetWidth), static_cast<INT>(targetHeight)};
  {
    kvcom::Ptr<IWICBitmapLock> targetLock;
    UINT targetBytes = 0;
    BYTE* targetPixels = nullptr;
    UINT targetStride = 0;
    if (FAILED(target->Lock(&targetArea, WICBitmapLockWrite, targetLock.put())) ||
        FAILED(targetLock->GetStride(&targetStride)) ||
        FAILED(targetLock->GetDataPointer(&targetBytes, &targetPixels)) || !targetPixels) {
      return false;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(targetWidth) * 4;
    if (static_cast<UINT64>(targetStride) * (targetHeight - 1) + rowBytes > targetBytes) return false;
    if (targetStride == rowBytes) {
      kvimage::OrientPixels(sourcePixels, width, height, stride, orientation, targetPixels);
    } else {
      // The turned pixels come densely; a padded target takes them row by row.
      std::vector<std::uint8_t> dense(static_cast<std::size_t>(width) * height * 4);
      kvimage::OrientPixels(sourcePixels, width, height, stride, orientation, dense.data());
      for (UINT row = 0; row < targetHeight; ++row) {
        std::memcpy(targetPixels + static_cast<std::size_t>(row) * targetStride, dense.data() + row * rowBytes,
                    rowBytes);
      }
    }
  }
  sourceLock.reset();
  kvcom::Ptr<IWICBitmapSource> turned;
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, target.get(), turned.put()))) return false;
  converted.swap(turned);
  return true;
}

bool ZKImage::size(UINT& width, UINT& height) const {
  return loaded && converted && SUCCEEDED(converted->GetSize(&width, &height));
}

HBITMAP ZKImage::bitmap() {
  if (!loaded) return nullptr;
  displayBitmap.reset();
  UINT width = 0;
  UINT height = 0;
  if (!size(width, height) || width == 0 || height == 0 || width > 0x7FFF'FFFF / 4) return nullptr;
  const UINT stride = width * 4;
  if (static_cast<UINT64>(stride) * height > 0x7FFF'FFFF) return nullptr;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = nullptr;
  {
    const kvwin::WindowDc screen(nullptr);
    section = CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  }
  kvwin::Bitmap made(section);
  if (!made || !bits) return nullptr;
  const WICRect whole = {0, 0, static_cast<INT>(width), static_cast<INT>(height)};
  if (FAILED(converted->CopyPixels(&whole, stride, stride * height, static_cast<BYTE*>(bits)))) return nullptr;
  displayBitmap = std::move(made);
  return displayBitmap.get();
}
