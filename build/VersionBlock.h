// The version resource block (VS_VERSION_INFO) as the build stamps it into an executable:
// fixed file info, one string table for US English in UTF-16 (040904b0) and the matching
// translation entry. Every number is little-endian and every structure starts on a 4-byte
// boundary counted from the start of the block.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kvversion {

// release, major, minor, build; only the low 16 bits of each reach the fixed info.
using VersionNumbers = std::array<std::int32_t, 4>;

struct VersionString {
  std::string key;    // ASCII, e.g. "CompanyName"
  std::string value;  // UTF-8, not empty
};

// The fixed info's two 32-bit halves: high << 16 | (low & 0xFFFF).
std::uint32_t VersionHigh(const VersionNumbers& version);
std::uint32_t VersionLow(const VersionNumbers& version);

// Builds the block with the string entries in the order given. False, with block left
// empty, when the result cannot be described: every length field is 16 bits wide, so a
// block of more than 65,535 bytes would be written with truncated lengths.
bool BuildVersionBlock(const VersionNumbers& fileVersion, const VersionNumbers& productVersion,
                       const std::vector<VersionString>& strings, std::string& block);

}  // namespace kvversion
