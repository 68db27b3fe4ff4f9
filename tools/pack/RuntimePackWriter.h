// Builds the runtime pack that KelVox Studio carries in the last section of its executable,
// and attaches it there. Layout, all numbers u32 little-endian, offsets from the pack start:
//   0  entry 0 offset, entry 0 size   the default project icon, raw .ico bytes
//   8  entry 1 offset, entry 1 size   the Windows 64 runtime, one XZ stream
//   16 entry 2 offset, entry 2 size   the Windows 32 runtime, one XZ stream
//   24 entry 3 offset, entry 3 size   the macOS runtime, one XZ stream
//   32 the entries' data in this order, without gaps
// The XZ streams carry a CRC64 check.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvpack {

constexpr std::size_t kEntryCount = 4;
constexpr std::uint32_t kHeaderSize = 8 * kEntryCount;
constexpr char kSectionName[] = "kvrsrc";
constexpr std::uint32_t kSectionCharacteristics = 0x02000000;  // discardable only

// data as one XZ stream (preset 6, extreme, CRC64).
bool CompressXz(std::string_view data, std::string& xz, std::string& error);

// The pack from its four entries, already in their stored form (icon raw, runtimes XZ).
// False when the pack would not fit the 32-bit offsets.
bool LayOutPack(const std::array<std::string, kEntryCount>& stored, std::string& pack, std::string& error);

// The pack from the icon and the three runtime executables as they are: the runtimes are
// compressed, the icon is stored.
bool BuildPack(const std::string& icon, const std::string& windows64, const std::string& windows32,
               const std::string& macOS, std::string& pack, std::string& error);

// Writes outputExe as inputExe with the pack appended as its last section, "kvrsrc"; whatever
// follows the input's last section (its symbols) stays before the pack. An input that
// already carries a pack is refused. outputExe may be inputExe; it is only replaced once the
// new image has been written and read back.
bool AttachPack(const std::string& outputExe, const std::string& inputExe, const std::string& pack,
                std::string& error);

}  // namespace kvpack
