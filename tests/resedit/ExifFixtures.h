// JPEG byte streams with an EXIF block written out field by field, so that the orientation
// reader is checked against the layout and not against itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvtest {

struct TiffEntry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t value;  // a SHORT sits in the first two bytes of the field
};

inline void PutOrdered(std::string& out, std::uint32_t value, int width, bool little) {
  for (int i = 0; i < width; ++i) {
    const int shift = 8 * (little ? i : width - 1 - i);
    out += static_cast<char>((value >> shift) & 0xFF);
  }
}

// A TIFF block: header, IFD0 at offset 8 with the entries, no next IFD.
inline std::string TiffBlock(const std::vector<TiffEntry>& entries, bool little) {
  std::string out = little ? "II" : "MM";
  PutOrdered(out, 42, 2, little);
  PutOrdered(out, 8, 4, little);
  PutOrdered(out, static_cast<std::uint32_t>(entries.size()), 2, little);
  for (const TiffEntry& e : entries) {
    PutOrdered(out, e.tag, 2, little);
    PutOrdered(out, e.type, 2, little);
    PutOrdered(out, e.count, 4, little);
    if (e.type == 3) {
      PutOrdered(out, e.value, 2, little);
      PutOrdered(out, 0, 2, little);
    } else {
      PutOrdered(out, e.value, 4, little);
    }
  }
  PutOrdered(out, 0, 4, little);
  return out;
}

// A marker segment: FF, marker, big-endian length that counts itself, body.
inline std::string Segment(int marker, const std::string& body) {
  std::string out = {static_cast<char>(0xFF), static_cast<char>(marker)};
  PutOrdered(out, static_cast<std::uint32_t>(body.size() + 2), 2, false);
  return out + body;
}

inline std::string ExifSegment(const std::string& tiff) { return Segment(0xE1, std::string("Exif\0\0", 6) + tiff); }

// SOI, the given segments, then the start of the picture data and EOI.
inline std::string JpegWith(const std::vector<std::string>& segments) {
  std::string out = "\xFF\xD8";
  for (const std::string& s : segments) out += s;
  return out + Segment(0xDA, std::string(10, '\x11')) + "\xFF\xD9";
}

inline std::string OrientationJpeg(std::uint16_t value, bool little) {
  return JpegWith({Segment(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14)),
                   ExifSegment(TiffBlock({{0x010F, 2, 4, 0}, {274, 3, 1, value}, {0x0131, 2, 4, 0}}, little))});
}

}  // namespace kvtest
