#include "platform/PngCodec.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <wincodec.h>

#include "common/Crc32.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "platform/TempFile.h"

namespace kvplatform {

namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1A\n";

// Holds one COM interface and releases it.
template <typename T>
class ComRef {
public:
  ComRef() = default;
  ~ComRef() {
    if (pointer != nullptr) pointer->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  T** Put() { return &pointer; }
  T* Get() const { return pointer; }
  T* operator->() const { return pointer; }
  explicit operator bool() const { return pointer != nullptr; }

private:
  T* pointer = nullptr;
};

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

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
  UniqueFile file(OpenFile(path, "wb"));
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  return std::fclose(file.release()) == 0 && written;
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

bool EncodeWithWic(const RgbaImage& image, const kvtext::WideString& path) {
  ComRef<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.Put())))) {
    return false;
  }
  // WIC's PNG encoder takes blue, green, red, alpha in memory order.
  std::vector<std::uint8_t> bgra(image.rgba.size());
  for (std::size_t i = 0; i < bgra.size(); i += 4) {
    bgra[i] = image.rgba[i + 2];
    bgra[i + 1] = image.rgba[i + 1];
    bgra[i + 2] = image.rgba[i];
    bgra[i + 3] = image.rgba[i + 3];
  }
  const UINT stride = image.width * 4;
  ComRef<IWICBitmap> bitmap;
  if (FAILED(factory->CreateBitmapFromMemory(image.width, image.height, GUID_WICPixelFormat32bppBGRA, stride,
                                             static_cast<UINT>(bgra.size()), bgra.data(), bitmap.Put()))) {
    return false;
  }
  ComRef<IWICBitmapEncoder> encoder;
  ComRef<IWICStream> stream;
  if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put())) ||
      FAILED(factory->CreateStream(stream.Put())) ||
      FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache))) {
    return false;
  }
  ComRef<IWICBitmapFrameEncode> frame;
  ComRef<IPropertyBag2> options;
  if (FAILED(encoder->CreateNewFrame(frame.Put(), options.Put())) || FAILED(frame->Initialize(options.Get())) ||
      FAILED(frame->SetSize(image.width, image.height))) {
    return false;
  }
  // The encoder may pick another format; WriteSource then converts.
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  return SUCCEEDED(frame->SetPixelFormat(&format)) && SUCCEEDED(frame->WriteSource(bitmap.Get(), nullptr)) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

bool DecodePng(std::string_view png, RgbaImage& out) {
  out = RgbaImage{};
  if (!WellFormed(png)) return false;

  // GDI+ reads the image from a file; the remover outlives the bitmap that keeps it open.
  const std::string scratch = CreateTempFile("kvp");
  if (scratch.empty()) return false;
  const TempFileRemover remover(scratch);
  kvtext::WideString widePath;
  if (!WriteWholeFile(scratch, png) || !ToWidePath(scratch, widePath)) return false;

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

  RgbaImage image;
  std::vector<std::uint8_t> bgra;
  if (!ReadBitmapPixels(converted.Get(), image.width, image.height, bgra)) return false;
  // The bitmap holds premultiplied colour.
  image.rgba.resize(bgra.size());
  for (std::size_t i = 0; i < bgra.size(); i += 4) {
    const unsigned alpha = bgra[i + 3];
    const auto straight = [alpha](unsigned c) -> std::uint8_t {
      if (alpha == 0) return 0;
      const unsigned value = (c * 255 + alpha / 2) / alpha;
      return static_cast<std::uint8_t>(value > 255 ? 255 : value);
    };
    image.rgba[i] = straight(bgra[i + 2]);
    image.rgba[i + 1] = straight(bgra[i + 1]);
    image.rgba[i + 2] = straight(bgra[i]);
    image.rgba[i + 3] = static_cast<std::uint8_t>(alpha);
  }
  out = std::move(image);
  return true;
}

bool WritePngFile(const RgbaImage& image, const std::string& path) {
  if (!IsWritablePng(image)) return false;
  kvtext::WideString widePath;
  if (!ToWidePath(path, widePath)) return false;
  bool written = false;
  {
    const ComApartment com;
    written = com.Usable() && EncodeWithWic(image, widePath);
  }
  // The stream is closed by now, so a partial file can go.
  if (!written) DeleteFileAt(path);
  return written;
}

}  // namespace kvplatform
