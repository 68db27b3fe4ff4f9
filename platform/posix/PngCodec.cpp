#include "platform/PngCodec.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace kvplatform {

namespace {

// libpng reports errors through a callback that must not return; it jumps back to the setjmp
// of the step that failed. Everything that owns memory lives in the callers of those steps,
// so the jump never skips a destructor.
[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

class ReadStruct {
public:
  ReadStruct() : png(png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning)) {
    if (png != nullptr) info = png_create_info_struct(png);
  }
  ~ReadStruct() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
  ReadStruct(const ReadStruct&) = delete;
  ReadStruct& operator=(const ReadStruct&) = delete;

  png_structp png = nullptr;
  png_infop info = nullptr;
};

class WriteStruct {
public:
  WriteStruct() : png(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning)) {
    if (png != nullptr) info = png_create_info_struct(png);
  }
  ~WriteStruct() { png_destroy_write_struct(&png, info != nullptr ? &info : nullptr); }
  WriteStruct(const WriteStruct&) = delete;
  WriteStruct& operator=(const WriteStruct&) = delete;

  png_structp png = nullptr;
  png_infop info = nullptr;
};

struct MemorySource {
  std::string_view data;
  std::size_t position = 0;
};

void WriteToMemory(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}
void FlushMemory(png_structp) {}

void ReadFromMemory(png_structp png, png_bytep target, png_size_t length) {
  auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (length > source->data.size() - source->position) png_error(png, "truncated");
  std::memcpy(target, source->data.data() + source->position, length);
  source->position += length;
}

// Reads the header and asks for 8-bit BGRA whatever the stored format.
bool ReadHeader(const ReadStruct& s, MemorySource& source, png_uint_32& width, png_uint_32& height) {
  png_structp png = s.png;
  png_infop info = s.info;
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, &source, ReadFromMemory);
  png_set_user_limits(png, kLargestPngSide, kLargestPngSide);
  png_read_info(png, info);

  const int colourType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (hasTransparency) png_set_tRNS_to_alpha(png);
  if (bitDepth == 16) png_set_scale_16(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTransparency) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  width = png_get_image_width(png, info);
  height = png_get_image_height(png, info);
  if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) != 4 ||
      png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4) {
    return false;
  }
  return true;
}

bool ReadRows(const ReadStruct& s, std::vector<png_bytep>& rows) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_read_image(s.png, rows.data());
  // The stream must end properly: a cut-off file is not an image.
  png_read_end(s.png, nullptr);
  return true;
}

bool WriteRows(const WriteStruct& s, std::string& out, const KVPixels& image, std::vector<png_bytep>& rows) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_write_fn(s.png, &out, WriteToMemory, FlushMemory);
  // Icons and toolbar images are small and written once, so the smallest stream is worth it.
  png_set_compression_level(s.png, 9);
  png_set_IHDR(s.png, s.info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(s.png, s.info);
  png_set_bgr(s.png);
  png_write_image(s.png, rows.data());
  png_write_end(s.png, nullptr);
  return true;
}

}  // namespace

bool DecodePng(std::string_view png, KVPixels& out) {
  out = KVPixels{};
  ReadStruct s;
  if (s.png == nullptr || s.info == nullptr) return false;
  MemorySource source{png};
  png_uint_32 width = 0, height = 0;
  if (!ReadHeader(s, source, width, height)) return false;
  if (width == 0 || height == 0 || width > kLargestPngSide || height > kLargestPngSide) return false;

  KVPixels image(width, height);
  std::vector<png_bytep> rows(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = image.At(0, y);
  if (!ReadRows(s, rows)) return false;
  out = std::move(image);
  return true;
}

bool EncodePng(const KVPixels& image, std::string& png) {
  png.clear();
  if (!IsWritablePng(image)) return false;
  WriteStruct s;
  if (s.png == nullptr || s.info == nullptr) return false;
  std::vector<png_bytep> rows(image.height);
  // libpng only reads through these pointers.
  auto* pixels = const_cast<std::uint8_t*>(image.bgra.data());
  for (std::uint32_t y = 0; y < image.height; ++y) rows[y] = pixels + static_cast<std::size_t>(y) * image.width * 4;
  std::string stream;
  if (!WriteRows(s, stream, image, rows)) return false;
  png = std::move(stream);
  return true;
}

}  // namespace kvplatform
