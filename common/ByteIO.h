// Checked little-endian access to binary data. Every parser of outside data reads through
// ByteReader: offsets and sizes are widened before they are added, and a read past the end
// fails instead of reading memory or file bytes that are not there. Checked reads from open
// files (kvplatform::ReadAt) need a 64-bit seek and live in the platform layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kvbytes {

// Reads from a block of memory. Every read reports success; after a failure the position is
// unchanged.
class ByteReader {
public:
  explicit ByteReader(std::string_view data) : data(data) {}

  std::size_t position() const { return offset; }
  std::size_t size() const { return data.size(); }
  std::size_t remaining() const { return data.size() - offset; }

  bool seek(std::uint64_t to) {
    if (to > data.size()) return false;
    offset = static_cast<std::size_t>(to);
    return true;
  }
  bool skip(std::uint64_t count) { return seek(static_cast<std::uint64_t>(offset) + count); }

  bool u8(std::uint8_t& value) { return little(value, 1); }
  bool u16(std::uint16_t& value) { return little(value, 2); }
  bool u32(std::uint32_t& value) { return little(value, 4); }
  bool u64(std::uint64_t& value) { return little(value, 8); }

  // count bytes into out.
  bool bytes(void* out, std::uint64_t count) {
    if (count > remaining()) return false;
    if (count) data.copy(static_cast<char*>(out), static_cast<std::size_t>(count), offset);
    offset += static_cast<std::size_t>(count);
    return true;
  }
  bool text(std::string& out, std::uint64_t count) {
    if (count > remaining()) return false;
    out.assign(data.substr(offset, static_cast<std::size_t>(count)));
    offset += static_cast<std::size_t>(count);
    return true;
  }

  // A view of count bytes at an absolute offset, checked against the end.
  static bool slice(std::string_view data, std::uint64_t at, std::uint64_t count, std::string_view& out) {
    if (at > data.size() || count > data.size() - at) return false;
    out = data.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(count));
    return true;
  }

private:
  template <typename T>
  bool little(T& value, std::size_t width) {
    if (width > remaining()) return false;
    T result = 0;
    for (std::size_t i = 0; i < width; ++i) {
      result |= static_cast<T>(static_cast<T>(static_cast<unsigned char>(data[offset + i])) << (8 * i));
    }
    value = result;
    offset += width;
    return true;
  }

  std::string_view data;
  std::size_t offset = 0;
};

// Appends little-endian numbers to a byte string.
inline void PutU16(std::string& out, std::uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}
inline void PutU32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}
inline void PutU64(std::string& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Overwrites a little-endian number inside a byte string; false when it does not fit there.
inline bool SetU16(std::string& bytes, std::uint64_t at, std::uint16_t value) {
  if (at > bytes.size() || bytes.size() - at < 2) return false;
  for (int i = 0; i < 2; ++i) bytes[static_cast<std::size_t>(at) + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return true;
}
inline bool SetU32(std::string& bytes, std::uint64_t at, std::uint32_t value) {
  if (at > bytes.size() || bytes.size() - at < 4) return false;
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(at) + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return true;
}

// Reads a little-endian u32 from an open file; false at the end of the file.
inline bool ReadU32(FILE* file, std::uint32_t& value) {
  unsigned char b[4];
  if (std::fread(b, 1, 4, file) != 4) return false;
  value = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
          static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  return true;
}

}  // namespace kvbytes
