#include "build/IconImage.h"

#include <cstddef>

#include "common/ByteIO.h"

namespace {

constexpr std::uint32_t kLargestSide = 256;

std::uint32_t Stride(std::uint32_t width, std::uint32_t bits) { return (width * bits + 31) / 32 * 4; }

struct Header {
  std::uint32_t size = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;
};

bool ReadHeader(kvbytes::ByteReader& in, Header& h) {
  std::uint32_t width = 0, height = 0, ignored = 0;
  std::uint16_t planes = 0;
  if (!in.u32(h.size) || !in.u32(width) || !in.u32(height) || !in.u16(planes) || !in.u16(h.bitCount) ||
      !in.u32(h.compression) || !in.u32(ignored) || !in.u32(ignored) || !in.u32(ignored) || !in.u32(h.coloursUsed)) {
    return false;
  }
  h.width = static_cast<std::int32_t>(width);
  h.height = static_cast<std::int32_t>(height);
  // Larger headers (V4, V5) carry the same first 40 bytes.
  return h.size >= 40 && in.seek(h.size);
}

}  // namespace

bool DecodeIconBitmap(std::string_view image, std::uint32_t iconHeight, KVPixels& out) {
  out = KVPixels{};
  kvbytes::ByteReader in(image);
  Header h;
  if (!ReadHeader(in, h)) return false;
  if (h.compression != 0) return false;
  const std::uint32_t bits = h.bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  if (iconHeight == 0) iconHeight = kLargestSide;
  // Icons are always bottom-up; sides beyond 256 are not icons and would only cost memory.
  if (h.width <= 0 || h.height <= 0) return false;
  const auto w = static_cast<std::uint32_t>(h.width);
  const auto fullHeight = static_cast<std::uint32_t>(h.height);
  if (w > kLargestSide || iconHeight > kLargestSide) return false;
  bool hasMask = false;
  if (fullHeight == 2 * iconHeight) {
    hasMask = true;
  } else if (fullHeight != iconHeight) {
    return false;
  }
  const std::uint32_t rows = iconHeight;

  std::vector<std::uint8_t> palette;  // four bytes each: blue, green, red, unused
  if (bits <= 8) {
    const std::uint32_t most = 1u << bits;
    const std::uint32_t entries = h.coloursUsed == 0 ? most : h.coloursUsed;
    if (entries > most) return false;
    palette.resize(static_cast<std::size_t>(entries) * 4);
    if (!in.bytes(palette.data(), palette.size())) return false;
  }

  const std::uint32_t colourStride = Stride(w, bits);
  std::string_view colour;
  if (!kvbytes::ByteReader::slice(image, in.position(), static_cast<std::uint64_t>(colourStride) * rows, colour)) {
    return false;
  }
  std::string_view mask;
  const std::uint32_t maskStride = Stride(w, 1);
  if (hasMask && !kvbytes::ByteReader::slice(image, in.position() + colour.size(),
                                             static_cast<std::uint64_t>(maskStride) * rows, mask)) {
    return false;
  }

  auto byteAt = [](std::string_view data, std::size_t at) { return static_cast<std::uint8_t>(data[at]); };

  // Old 32-bit icons leave every alpha byte 0 and rely on the mask.
  bool alphaInColour = bits == 32;
  if (alphaInColour) {
    alphaInColour = false;
    for (std::uint32_t y = 0; y < rows && !alphaInColour; ++y) {
      for (std::uint32_t x = 0; x < w; ++x) {
        if (byteAt(colour, static_cast<std::size_t>(y) * colourStride + x * 4 + 3) != 0) {
          alphaInColour = true;
          break;
        }
      }
    }
  }

  out.width = w;
  out.height = rows;
  out.bgra.assign(static_cast<std::size_t>(w) * rows * 4, 0);
  for (std::uint32_t fileRow = 0; fileRow < rows; ++fileRow) {
    const std::size_t colourRow = static_cast<std::size_t>(fileRow) * colourStride;
    const std::size_t maskRow = static_cast<std::size_t>(fileRow) * maskStride;
    std::uint8_t* target = out.bgra.data() + static_cast<std::size_t>(rows - 1 - fileRow) * w * 4;
    for (std::uint32_t x = 0; x < w; ++x, target += 4) {
      std::uint8_t b = 0, g = 0, r = 0, a = 255;
      if (bits <= 8) {
        const std::uint32_t perByte = 8 / bits;
        const std::uint8_t packed = byteAt(colour, colourRow + x / perByte);
        const std::uint32_t shift = 8 - bits * (x % perByte + 1);  // leftmost pixel in the high bits
        const std::uint32_t index = (packed >> shift) & ((1u << bits) - 1);
        // An index past a short palette shows black rather than reading beyond it.
        if (static_cast<std::size_t>(index) * 4 < palette.size()) {
          b = palette[index * 4];
          g = palette[index * 4 + 1];
          r = palette[index * 4 + 2];
        }
      } else {
        const std::size_t at = colourRow + static_cast<std::size_t>(x) * (bits / 8);
        b = byteAt(colour, at);
        g = byteAt(colour, at + 1);
        r = byteAt(colour, at + 2);
        if (alphaInColour) a = byteAt(colour, at + 3);
      }
      if (!alphaInColour && hasMask && (byteAt(mask, maskRow + x / 8) & (0x80u >> (x % 8))) != 0) a = 0;
      // What cannot be seen carries no colour, so equal-looking icons give equal pixels.
      target[0] = a == 0 ? 0 : b;
      target[1] = a == 0 ? 0 : g;
      target[2] = a == 0 ? 0 : r;
      target[3] = a;
    }
  }
  return true;
}
