#include "tools/imagetool/PngCodec.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

namespace kv::imagetool {
namespace {

// libpng reports errors through a callback that must not return; it records the message
// here and jumps back to the setjmp in the decode/encode step. The objects that own memory
// live in the callers of those steps, so the jump never skips a destructor.
struct ErrorSink {
    char message[200] = {};
};

[[noreturn]] void onError(png_structp png, png_const_charp message)
{
    auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

class ReadStruct {
public:
    explicit ReadStruct(ErrorSink& sink)
        : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, onError, onWarning))
    {
        if (png_)
            info_ = png_create_info_struct(png_);
    }
    ~ReadStruct() { png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr); }
    ReadStruct(const ReadStruct&) = delete;
    ReadStruct& operator=(const ReadStruct&) = delete;

    bool ok() const { return png_ && info_; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

class WriteStruct {
public:
    explicit WriteStruct(ErrorSink& sink)
        : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, onError, onWarning))
    {
        if (png_)
            info_ = png_create_info_struct(png_);
    }
    ~WriteStruct() { png_destroy_write_struct(&png_, info_ ? &info_ : nullptr); }
    WriteStruct(const WriteStruct&) = delete;
    WriteStruct& operator=(const WriteStruct&) = delete;

    bool ok() const { return png_ && info_; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

struct MemorySource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

void readFromMemory(png_structp png, png_bytep dest, png_size_t length)
{
    auto* src = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > src->size - src->pos)
        png_error(png, "unexpected end of PNG data");
    std::memcpy(dest, src->data + src->pos, length);
    src->pos += length;
}

struct MemorySink {
    Bytes* out;
    bool failed;
};

void writeToMemory(png_structp png, png_bytep data, png_size_t length)
{
    auto* sink = static_cast<MemorySink*>(png_get_io_ptr(png));
    try {
        sink->out->insert(sink->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        sink->failed = true;
    }
    if (sink->failed)
        png_error(png, "out of memory");
}

void flushMemory(png_structp) {}

// Reads the header, then asks libpng for 8-bit RGBA whatever the stored format. `out` must
// already be sized by the caller once the header is known, hence the two steps.
bool readHeader(const ReadStruct& s, MemorySource& src, png_uint_32& width, png_uint_32& height)
{
    png_structp png = s.png();
    png_infop info = s.info();
    if (setjmp(png_jmpbuf(png)))
        return false;

    png_set_read_fn(png, &src, readFromMemory);
    png_set_user_limits(png, kMaxPngDimension, kMaxPngDimension);
    png_read_info(png, info);

    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (hasTransparency)
        png_set_tRNS_to_alpha(png);
    if (bitDepth == 16)
        png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTransparency)
        png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) != 4 ||
        png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4)
        png_error(png, "PNG does not convert to 8-bit RGBA");
    return true;
}

bool readPixels(const ReadStruct& s, Image& out)
{
    png_structp png = s.png();
    if (setjmp(png_jmpbuf(png)))
        return false;

    // With interlace handling on, each pass delivers every row again and libpng merges them.
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < out.height; ++y)
            png_read_row(png, out.pixel(0, y), nullptr);
    png_read_end(png, nullptr);
    return true;
}

bool writeAll(const WriteStruct& s, MemorySink& sink, const Image& image)
{
    png_structp png = s.png();
    png_infop info = s.info();
    if (setjmp(png_jmpbuf(png)))
        return false;

    png_set_write_fn(png, &sink, writeToMemory, flushMemory);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height),
                 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, image.pixel(0, y));
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool decodePng(const Bytes& data, Image& out, std::string& error)
{
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) {
        error = "not a PNG file";
        return false;
    }
    ErrorSink sink;
    ReadStruct s(sink);
    if (!s.ok()) {
        error = "out of memory";
        return false;
    }
    MemorySource src{data.data(), data.size(), 0};
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    if (!readHeader(s, src, width, height)) {
        error = std::string("bad PNG: ") + sink.message;
        return false;
    }
    Image image(static_cast<int>(width), static_cast<int>(height));
    if (!readPixels(s, image)) {
        error = std::string("bad PNG: ") + sink.message;
        return false;
    }
    out = std::move(image);
    return true;
}

bool encodePng(const Image& image, Bytes& out, std::string& error)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.rgba.size() != static_cast<std::size_t>(image.width) * image.height * 4) {
        error = "empty or inconsistent image";
        return false;
    }
    ErrorSink sink;
    WriteStruct s(sink);
    if (!s.ok()) {
        error = "out of memory";
        return false;
    }
    Bytes bytes;
    MemorySink memory{&bytes, false};
    if (!writeAll(s, memory, image)) {
        error = std::string("PNG encoding failed: ") + sink.message;
        return false;
    }
    out = std::move(bytes);
    return true;
}

}  // namespace kv::imagetool
