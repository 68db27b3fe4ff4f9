#include "resedit/Orientation.h"

#include <cstring>

namespace kvimage {

namespace {

constexpr std::uint16_t kOrientationTag = 274;
constexpr std::uint16_t kTypeShort = 3;

// Reads of a TIFF block in the byte order its header names; every read is checked against
// the block's end, with offsets widened before they are added.
class TiffReader {
public:
  explicit TiffReader(std::string_view block) : block(block) {}

  bool header(std::uint32_t& firstIfd) {
    if (block.size() < 8) return false;
    if (block.compare(0, 2, "II") == 0) {
      little = true;
    } else if (block.compare(0, 2, "MM") == 0) {
      little = false;
    } else {
      return false;
    }
    std::uint16_t magic = 0;
    return u16(2, magic) && magic == 42 && u32(4, firstIfd);
  }

  bool u16(std::uint64_t at, std::uint16_t& value) const {
    std::uint64_t raw = 0;
    if (!read(at, 2, raw)) return false;
    value = static_cast<std::uint16_t>(raw);
    return true;
  }
  bool u32(std::uint64_t at, std::uint32_t& value) const {
    std::uint64_t raw = 0;
    if (!read(at, 4, raw)) return false;
    value = static_cast<std::uint32_t>(raw);
    return true;
  }

private:
  bool read(std::uint64_t at, unsigned width, std::uint64_t& value) const {
    if (at > block.size() || width > block.size() - at) return false;
    value = 0;
    for (unsigned i = 0; i < width; ++i) {
      const auto byte = static_cast<std::uint8_t>(block[static_cast<std::size_t>(at) + (little ? width - 1 - i : i)]);
      value = (value << 8) | byte;
    }
    return true;
  }

  std::string_view block;
  bool little = true;
};

int OrientationInTiff(std::string_view block) {
  TiffReader tiff(block);
  std::uint32_t ifd = 0;
  std::uint16_t count = 0;
  if (!tiff.header(ifd) || !tiff.u16(ifd, count)) return 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t entry = static_cast<std::uint64_t>(ifd) + 2 + 12ull * i;
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t values = 0;
    if (!tiff.u16(entry, tag) || !tiff.u16(entry + 2, type) || !tiff.u32(entry + 4, values)) return 0;
    if (tag != kOrientationTag) continue;
    std::uint16_t value = 0;
    if (type != kTypeShort || values < 1 || !tiff.u16(entry + 8, value)) return 0;
    return value >= 1 && value <= 8 ? value : 0;
  }
  return 0;
}

std::uint16_t BigU16(std::string_view data, std::size_t at) {
  return static_cast<std::uint16_t>((static_cast<std::uint8_t>(data[at]) << 8) | static_cast<std::uint8_t>(data[at + 1]));
}

}  // namespace

Orientation OrientationFor(int exifValue) {
  switch (exifValue) {
    case 2: return {0, true};
    case 3: return {180, false};
    case 4: return {180, true};
    case 5: return {90, true};
    case 6: return {90, false};
    case 7: return {270, true};
    case 8: return {270, false};
    default: return {};
  }
}

int ReadJpegOrientation(std::string_view file) {
  if (file.size() < 4 || static_cast<std::uint8_t>(file[0]) != 0xFF || static_cast<std::uint8_t>(file[1]) != 0xD8) {
    return 0;
  }
  std::size_t at = 2;
  while (at + 4 <= file.size()) {
    if (static_cast<std::uint8_t>(file[at]) != 0xFF) return 0;
    const auto marker = static_cast<std::uint8_t>(file[at + 1]);
    if (marker == 0xFF) {  // fill byte before a marker
      ++at;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return 0;  // the picture data starts: no metadata after it
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // markers without a length
      at += 2;
      continue;
    }
    const std::size_t length = BigU16(file, at + 2);  // counts its own two bytes
    if (length < 2 || length > file.size() - at - 2) return 0;
    const std::string_view body = file.substr(at + 4, length - 2);
    if (marker == 0xE1 && body.size() >= 6 && body.compare(0, 6, std::string_view("Exif\0\0", 6)) == 0) {
      return OrientationInTiff(body.substr(6));
    }
    at += 2 + length;
  }
  return 0;
}

void OrientPixels(const std::uint8_t* source, std::uint32_t width, std::uint32_t height, std::uint32_t stride,
                  Orientation orientation, std::uint8_t* target) {
  const auto pixel = [&](std::uint32_t row, std::uint32_t column) {
    return source + static_cast<std::size_t>(row) * stride + static_cast<std::size_t>(column) * 4;
  };
  std::uint8_t* out = target;
  const auto put = [&](std::uint32_t row, std::uint32_t column) {
    std::memcpy(out, pixel(row, column), 4);
    out += 4;
  };
  const bool mirror = orientation.mirror;
  switch (orientation.rotation) {
    case 90:  // a clockwise quarter turn; mirrored, a transpose
      for (std::uint32_t c = 0; c < width; ++c) {
        for (std::uint32_t i = 0; i < height; ++i) put(mirror ? i : height - 1 - i, c);
      }
      break;
    case 180:  // mirrored, upside down
      for (std::uint32_t r = height; r-- > 0;) {
        for (std::uint32_t i = 0; i < width; ++i) put(r, mirror ? i : width - 1 - i);
      }
      break;
    case 270:  // a counter-clockwise quarter turn
      for (std::uint32_t c = width; c-- > 0;) {
        for (std::uint32_t i = 0; i < height; ++i) put(mirror ? height - 1 - i : i, c);
      }
      break;
    default:
      for (std::uint32_t r = 0; r < height; ++r) {
        for (std::uint32_t i = 0; i < width; ++i) put(r, mirror ? width - 1 - i : i);
      }
      break;
  }
}

}  // namespace kvimage
