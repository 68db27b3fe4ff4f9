// Layout of the project payload: the one file through which a built application receives the
// project's sources, dialog windows and compiled library declarations. The IDE writes it
// (build/Payload) and the runtime reads it; both take the layout from here. This header is
// shared with the runtime build, so it stays header-only and free of platform headers.
//
// All numbers are u32 little-endian; offsets are from the payload start; names are UTF-8
// without terminator.
//
//   0   magic      "KVPL" (kMagic): tells a payload from any other data a section may hold
//   4   version    kFormatVersion: raised whenever a runtime of an older version could no
//                  longer read the payload correctly; a runtime refuses versions it does not know
//   8   source table, window table, library table, each:
//         count, then count entries of
//           dataOffset, dataSize, packedSize, nameLength, name bytes
//   ... data blocks: every source, then every window, then every library, in table order
//
//   table    name      data block                 dataSize                packedSize
//   source   main.js   the file as one XZ stream  bytes of the file       bytes of the stream
//   window   mainWin   the .win file unchanged    bytes of the file       0
//   library  user.dll  the compiled declarations  bytes of that form      0
//
// A source with packedSize 0 has no stream, and then dataSize 0 too: its file could not be
// opened when the project was built. The whole payload, and so every offset and size in it,
// stays below 4 GiB; the writer refuses a project that would not.
#pragma once

#include <cstdint>
#include <string>

namespace kvpayload {

inline constexpr std::uint32_t kMagic = 0x4C50564Bu;  // 'K' 'V' 'P' 'L' in file order
inline constexpr std::uint32_t kFormatVersion = 1;

// Offsets and sizes are 32-bit, and so is the PE section the payload becomes.
inline constexpr std::uint64_t kMaxPayloadSize = 0xFFFFFFFFu;

// The two reserved words before the tables.
inline constexpr std::uint32_t kHeaderSize = 8;
inline constexpr std::uint32_t kCountSize = 4;
// dataOffset, dataSize, packedSize and nameLength; the name follows.
inline constexpr std::uint32_t kEntryHeaderSize = 16;

// In payload order.
enum class Table : std::uint32_t { Source = 0, Window = 1, Library = 2 };
inline constexpr Table kTables[] = {Table::Source, Table::Window, Table::Library};

struct EntryHeader {
  std::uint32_t dataOffset = 0;
  std::uint32_t dataSize = 0;
  std::uint32_t packedSize = 0;
  std::uint32_t nameLength = 0;
};

inline void PutU32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

inline std::uint32_t GetU32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

inline void AppendHeader(std::string& out) {
  PutU32(out, kMagic);
  PutU32(out, kFormatVersion);
}

// One table entry: its numbers in field order, then the name. The caller has checked that
// the name's length fits in 32 bits.
inline void AppendEntry(std::string& out, std::uint32_t dataOffset, std::uint32_t dataSize, std::uint32_t packedSize,
                        const std::string& name) {
  PutU32(out, dataOffset);
  PutU32(out, dataSize);
  PutU32(out, packedSize);
  PutU32(out, static_cast<std::uint32_t>(name.size()));
  out += name;
}

// The kEntryHeaderSize bytes of an entry before its name.
inline EntryHeader ReadEntryHeader(const unsigned char* bytes) {
  EntryHeader header;
  header.dataOffset = GetU32(bytes);
  header.dataSize = GetU32(bytes + 4);
  header.packedSize = GetU32(bytes + 8);
  header.nameLength = GetU32(bytes + 12);
  return header;
}

}  // namespace kvpayload
