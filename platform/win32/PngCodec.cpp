#include "platform/PngCodec.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <wincodec.h>

#include "common/Crc32.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "platform/TempFile.h"
#include "platform/win32/ComPtr.h"

namespace kvplatform {

namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1A\n";

// COM for this thread while the object lives. A thread that already runs in another
// apartment model can use COM as it is, and must not be uninitialised by us.
class ComApartment {
public:
  ComApartment() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  bool Usable() const { return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE; }

private:
  HRESULT result;
};

class GdiplusStarted {
public:
  GdiplusStarted() {
    const Gdiplus::GdiplusStartupInput input;
    started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusStarted() {
    if (started) Gdiplus::GdiplusShutdown(token);
  }
  GdiplusStarted(const GdiplusStarted&) = delete;
  GdiplusStarted& operator=(const GdiplusStarted&) = delete;

  bool Running() const { return started; }

private:
  ULONG_PTR token = 0;
  bool started = false;
};

class GdiplusBitmap {
public:
  GdiplusBitmap() = default;
  ~GdiplusBitmap() {
    if (bitmap != nullptr) Gdiplus::DllExports::GdipDisposeImage(bitmap);
  }
  GdiplusBitmap(const GdiplusBitmap&) = delete;
  GdiplusBitmap& operator=(const GdiplusBitmap&) = delete;

  Gdiplus::GpBitmap** Put() { return &bitmap; }
  Gdiplus::GpBitmap* Get() const { return bitmap; }

private:
  Gdiplus::GpBitmap* bitmap = nullptr;
};

class GdiBitmap {
public:
  GdiBitmap() = default;
  ~GdiBitmap() {
    if (bitmap != nullptr) DeleteObject(bitmap);
  }
  GdiBitmap(const GdiBitmap&) = delete;
  GdiBitmap& operator=(const GdiBitmap&) = delete;

  HBITMAP* Put() { return &bitmap; }
  HBITMAP Get() const { return bitmap; }

private:
  HBITMAP bitmap = nullptr;
};

class MemoryDc {
public:
  MemoryDc() : dc(CreateCompatibleDC(nullptr)) {}
  ~MemoryDc() {
    if (dc != nullptr) DeleteDC(dc);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC Get() const { return dc; }

private:
  HDC dc;
};

bool ToWidePath(const std::string& path, kvtext::WideString& wide) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  wide = kvtext::Utf8ToWide(path);
  return !wide.empty();
}

std::uint32_t BigEndian(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

// GDI+ is more forgiving than libpng (under Wine it takes a header with a wrong checksum), so
// the stream's structure is checked first, as libpng would: chunks within the data, IHDR first
// with an acceptable size, the checksum of every critical chunk, IEND at the end. This also
// keeps GDI+ from allocating for a size we refuse anyway.
bool WellFormed(std::string_view png) {
  if (png.size() < 8 || png.compare(0, 8, kPngSignature, 8) != 0) return false;
  std::size_t at = 8;
  bool first = true;
  while (png.size() - at >= 12) {
    const std::uint32_t length = BigEndian(png, at);
    if (length > png.size() - at - 12) return false;
    const std::string_view type = png.substr(at + 4, 4);
    const std::string_view typeAndData = png.substr(at + 4, 4 + static_cast<std::size_t>(length));
    const bool critical = (static_cast<unsigned char>(type[0]) & 0x20) == 0;
    if (critical && kvbytes::Crc32::Of(typeAndData) != BigEndian(png, at + 8 + length)) return false;
    if (first) {
      if (type != "IHDR" || length < 8) return false;
      const std::uint32_t width = BigEndian(png, at + 8);
      const std::uint32_t height = BigEndian(png, at + 12);
      if (width == 0 || height == 0 || width > kLargestPngSide || height > kLargestPngSide) return false;
      first = false;
    }
    if (type == "IEND") return true;
    at += 12 + static_cast<std::size_t>(length);
  }
  return false;
}

// The 32-bit pixels of a bitmap as top-down blue, green, red, alpha rows.
bool ReadBitmapPixels(HBITMAP bitmap, std::uint32_t& width, std::uint32_t& height, std::vector<std::uint8_t>& bgra) {
  BITMAP info{};
  if (GetObjectW(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0) return false;
  if (static_cast<std::uint32_t>(info.bmWidth) > kLargestPngSide ||
      static_cast<std::uint32_t>(info.bmHeight) > kLargestPngSide) {
    return false;
  }
  width = static_cast<std::uint32_t>(info.bmWidth);
  height = static_cast<std::uint32_t>(info.bmHeight);
  BITMAPINFO request{};
  request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  request.bmiHeader.biWidth = info.bmWidth;
  request.bmiHeader.biHeight = -info.bmHeight;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  request.bmiHeader.biCompression = BI_RGB;
  bgra.assign(static_cast<std::size_t>(width) * height * 4, 0);
  const MemoryDc dc;
  return dc.Get() != nullptr &&
         GetDIBits(dc.Get(), bitmap, 0, height, bgra.data(), &request, DIB_RGB_COLORS) == static_cast<int>(height);
}

// Reads a memory stream back from its start.
bool StreamBytes(IStream* stream, std::string& out) {
  STATSTG status{};
  if (FAILED(stream->Stat(&status, STATFLAG_NONAME)) || status.cbSize.QuadPart > 0x7FFFFFFF) return false;
  const LARGE_INTEGER start{};
  if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return false;
  std::string bytes(static_cast<std::size_t>(status.cbSize.QuadPart), '\0');
  ULONG read = 0;
  if (!bytes.empty() && (FAILED(stream->Read(&bytes[0], static_cast<ULONG>(bytes.size()), &read)) ||
                         read != bytes.size())) {
    return false;
  }
  out = std::move(bytes);
  return true;
}

bool EncodeWithWic(const KVPixels& image, std::string& png) {
  KVComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.PutVoid()))) {
    return false;
  }
  // WIC only reads the pixels of a bitmap made from memory.
  auto* pixels = const_cast<BYTE*>(image.bgra.data());
  const UINT stride = image.width * 4;
  KVComPtr<IWICBitmap> bitmap;
  if (FAILED(factory->CreateBitmapFromMemory(image.width, image.height, GUID_WICPixelFormat32bppBGRA, stride,
                                             static_cast<UINT>(image.bgra.size()), pixels, bitmap.Put()))) {
    return false;
  }
  KVComPtr<IWICBitmapEncoder> encoder;
  KVComPtr<IStream> memory;
  if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put())) ||
      FAILED(CreateStreamOnHGlobal(nullptr, TRUE, memory.Put())) ||
      FAILED(encoder->Initialize(memory.Get(), WICBitmapEncoderNoCache))) {
    return false;
  }
  KVComPtr<IWICBitmapFrameEncode> frame;
  KVComPtr<IPropertyBag2> options;
  if (FAILED(encoder->CreateNewFrame(frame.Put(), options.Put())) || FAILED(frame->Initialize(options.Get())) ||
      FAILED(frame->SetSize(image.width, image.height))) {
    return false;
  }
  // The encoder may pick another format; WriteSource then converts.
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  return SUCCEEDED(frame->SetPixelFormat(&format)) && SUCCEEDED(frame->WriteSource(bitmap.Get(), nullptr)) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()) && StreamBytes(memory.Get(), png);
}

}  // namespace

bool DecodePng(std::string_view png, KVPixels& out) {
  out = KVPixels{};
  if (!WellFormed(png)) return false;

  // GDI+ reads the image from a file; the remover outlives the bitmap that keeps it open.
  const std::string scratch = CreateTempFile("kvp");
  if (scratch.empty()) return false;
  const TempFileRemover remover(scratch);
  kvtext::WideString widePath;
  if (!WriteFileBytes(scratch, png) || !ToWidePath(scratch, widePath)) return false;

  const GdiplusStarted gdiplus;
  if (!gdiplus.Running()) return false;
  GdiBitmap converted;
  {
    GdiplusBitmap bitmap;
    if (Gdiplus::DllExports::GdipCreateBitmapFromFile(widePath.c_str(), bitmap.Put()) != Gdiplus::Ok ||
        bitmap.Get() == nullptr) {
      return false;
    }
    // An opaque black background leaves the alpha channel in place.
    if (Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(bitmap.Get(), converted.Put(), 0xFF000000) != Gdiplus::Ok ||
        converted.Get() == nullptr) {
      return false;
    }
  }

  KVPixels image;
  if (!ReadBitmapPixels(converted.Get(), image.width, image.height, image.bgra)) return false;
  // The bitmap holds premultiplied colour.
  for (std::size_t i = 0; i < image.bgra.size(); i += 4) {
    const unsigned alpha = image.bgra[i + 3];
    for (std::size_t c = i; c < i + 3; ++c) {
      const unsigned value = alpha == 0 ? 0 : (image.bgra[c] * 255u + alpha / 2) / alpha;
      image.bgra[c] = static_cast<std::uint8_t>(value > 255 ? 255 : value);
    }
  }
  out = std::move(image);
  return true;
}

bool EncodePng(const KVPixels& image, std::string& png) {
  png.clear();
  if (!IsWritablePng(image)) return false;
  const ComApartment com;
  return com.Usable() && EncodeWithWic(image, png);
}

}  // namespace kvplatform
