// Icon files and PNG streams written out field by field from their documented layouts, so
// that the readers under test never check themselves. The PNG writer stores its image data
// uncompressed: what it makes is independent of libpng, GDI+ and WIC.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/ByteIO.h"
#include "common/Crc32.h"

namespace kvtest {

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int v : values) out.push_back(static_cast<char>(v));
  return out;
}

inline std::string BigEndian32(std::uint32_t v) {
  return Bytes({static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>(v & 0xFF)});
}

inline std::uint32_t ReadBigEndian32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<std::uint8_t>(bytes.at(at + i));
  return v;
}

// A BITMAPINFOHEADER image: header, palette, colour rows, mask rows, as given.
struct BitmapLayout {
  std::int32_t width = 0;
  std::int32_t height = 0;  // biHeight
  std::uint16_t bits = 0;
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;
  std::uint32_t headerSize = 40;
};

inline std::string BitmapImage(const BitmapLayout& s, const std::string& palette, const std::string& colour,
                               const std::string& mask) {
  std::string out;
  kvbytes::PutU32(out, s.headerSize);
  kvbytes::PutU32(out, static_cast<std::uint32_t>(s.width));
  kvbytes::PutU32(out, static_cast<std::uint32_t>(s.height));
  kvbytes::PutU16(out, 1);
  kvbytes::PutU16(out, s.bits);
  kvbytes::PutU32(out, s.compression);
  kvbytes::PutU32(out, 0);
  kvbytes::PutU32(out, 0);
  kvbytes::PutU32(out, 0);
  kvbytes::PutU32(out, s.coloursUsed);
  kvbytes::PutU32(out, 0);
  return out + palette + colour + mask;
}

// A side x side 32-bit image with its own alpha and an all-clear mask. pixel(x, y) gives
// 0xAARRGGBB with y counted from the top.
template <typename PixelOf>
std::string IconBitmap32(std::uint32_t side, PixelOf pixel) {
  std::string colour;
  for (std::uint32_t fileRow = 0; fileRow < side; ++fileRow) {
    const std::uint32_t y = side - 1 - fileRow;
    for (std::uint32_t x = 0; x < side; ++x) {
      const std::uint32_t argb = pixel(x, y);
      colour += Bytes({static_cast<int>(argb & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
                       static_cast<int>((argb >> 16) & 0xFF), static_cast<int>(argb >> 24)});
    }
  }
  const std::size_t maskStride = (side + 31) / 32 * 4;
  return BitmapImage({static_cast<std::int32_t>(side), static_cast<std::int32_t>(2 * side), 32}, "", colour,
                     std::string(maskStride * side, '\0'));
}

struct IconPart {
  std::uint8_t width;
  std::uint8_t height;
  std::uint16_t bitCount;  // as the directory says
  std::string image;
};

inline std::string IconFileBytes(const std::vector<IconPart>& parts) {
  std::string out;
  kvbytes::PutU16(out, 0);
  kvbytes::PutU16(out, 1);
  kvbytes::PutU16(out, static_cast<std::uint16_t>(parts.size()));
  auto offset = static_cast<std::uint32_t>(6 + 16 * parts.size());
  for (const IconPart& p : parts) {
    out += Bytes({p.width, p.height, 0, 0});
    kvbytes::PutU16(out, 1);
    kvbytes::PutU16(out, p.bitCount);
    kvbytes::PutU32(out, static_cast<std::uint32_t>(p.image.size()));
    kvbytes::PutU32(out, offset);
    offset += static_cast<std::uint32_t>(p.image.size());
  }
  for (const IconPart& p : parts) out += p.image;
  return out;
}

inline std::string PngChunk(const std::string& type, const std::string& data) {
  return BigEndian32(static_cast<std::uint32_t>(data.size())) + type + data +
         BigEndian32(kvbytes::Crc32::Of(type + data));
}

// A zlib stream of stored blocks.
inline std::string StoredZlib(const std::string& raw) {
  std::string out = Bytes({0x78, 0x01});
  std::size_t at = 0;
  do {
    const std::size_t length = std::min<std::size_t>(raw.size() - at, 65535);
    const bool last = at + length == raw.size();
    out.push_back(last ? 1 : 0);
    kvbytes::PutU16(out, static_cast<std::uint16_t>(length));
    kvbytes::PutU16(out, static_cast<std::uint16_t>(~length));
    out.append(raw, at, length);
    at += length;
  } while (at < raw.size());
  std::uint32_t a = 1, b = 0;
  for (const char c : raw) {
    a = (a + static_cast<std::uint8_t>(c)) % 65521;
    b = (b + a) % 65521;
  }
  return out + BigEndian32(b << 16 | a);
}

// A PNG of the given header; rows are the unfiltered scanlines, each without its filter byte.
// extra chunks (PLTE, tRNS) go before the image data.
inline std::string PngStream(std::uint32_t width, std::uint32_t height, int depth, int colourType,
                             const std::vector<std::string>& rows, const std::string& extra = "") {
  std::string raw;
  for (const std::string& row : rows) raw += '\0' + row;
  const std::string header = BigEndian32(width) + BigEndian32(height) + Bytes({depth, colourType, 0, 0, 0});
  return std::string("\x89PNG\r\n\x1A\n", 8) + PngChunk("IHDR", header) + extra + PngChunk("IDAT", StoredZlib(raw)) +
         PngChunk("IEND", "");
}

// An 8-bit RGBA PNG; pixel(x, y) gives 0xAARRGGBB.
template <typename PixelOf>
std::string RgbaPng(std::uint32_t width, std::uint32_t height, PixelOf pixel) {
  std::vector<std::string> rows;
  for (std::uint32_t y = 0; y < height; ++y) {
    std::string row;
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t argb = pixel(x, y);
      row += Bytes({static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
                    static_cast<int>(argb & 0xFF), static_cast<int>(argb >> 24)});
    }
    rows.push_back(row);
  }
  return PngStream(width, height, 8, 6, rows);
}

}  // namespace kvtest
