#include "build/VersionBlock.h"

#include <cstddef>
#include <limits>
#include <utility>

#include "common/ByteIO.h"
#include "common/Text.h"

namespace kvversion {

namespace {

using kvbytes::PutU16;
using kvbytes::PutU32;

constexpr std::uint16_t kBinary = 0;
constexpr std::uint16_t kText = 1;
constexpr std::size_t kMaxLength = std::numeric_limits<std::uint16_t>::max();

void PutHeader(std::string& out, std::uint16_t length, std::uint16_t valueLength, std::uint16_t type) {
  PutU16(out, length);
  PutU16(out, valueLength);
  PutU16(out, type);
}

// UTF-16 with its terminator; returns the number of units written.
std::size_t PutWide(std::string& out, const std::string& utf8) {
  const kvtext::WideString wide = kvtext::Utf8ToWide(utf8);
  for (const kvtext::WideChar unit : wide) PutU16(out, static_cast<std::uint16_t>(unit));
  PutU16(out, 0);
  return wide.size() + 1;
}

void Align4(std::string& out) {
  while (out.size() % 4 != 0) out.push_back('\0');
}

// One string entry and its trailing padding. The padding is not part of its wLength.
bool PutStringEntry(std::string& out, const VersionString& entry) {
  const std::size_t start = out.size();
  PutHeader(out, 0, 0, kText);
  PutWide(out, entry.key);
  Align4(out);
  const std::size_t units = PutWide(out, entry.value);
  const std::size_t length = out.size() - start;
  if (length > kMaxLength || units > kMaxLength) return false;
  kvbytes::SetU16(out, start, static_cast<std::uint16_t>(length));
  kvbytes::SetU16(out, start + 2, static_cast<std::uint16_t>(units));
  Align4(out);
  return true;
}

}  // namespace

std::uint32_t VersionHigh(const VersionNumbers& version) {
  return static_cast<std::uint32_t>(version[0]) << 16 | (static_cast<std::uint32_t>(version[1]) & 0xFFFF);
}

std::uint32_t VersionLow(const VersionNumbers& version) {
  return static_cast<std::uint32_t>(version[2]) << 16 | (static_cast<std::uint32_t>(version[3]) & 0xFFFF);
}

bool BuildVersionBlock(const VersionNumbers& fileVersion, const VersionNumbers& productVersion,
                       const std::vector<VersionString>& strings, std::string& block) {
  block.clear();
  std::string out;

  PutHeader(out, 0, 52, kBinary);  // wLength = 220 + S, set below
  PutWide(out, "VS_VERSION_INFO");
  Align4(out);
  PutU32(out, 0xFEEF04BD);  // signature
  PutU32(out, 0x00010000);  // structure version 1.0
  PutU32(out, VersionHigh(fileVersion));
  PutU32(out, VersionLow(fileVersion));
  PutU32(out, VersionHigh(productVersion));
  PutU32(out, VersionLow(productVersion));
  PutU32(out, 0x3F);        // flags mask
  PutU32(out, 0);           // flags
  PutU32(out, 0x00040004);  // VOS_NT_WINDOWS32
  PutU32(out, 1);           // VFT_APP
  PutU32(out, 0);           // subtype
  PutU32(out, 0);           // date, high
  PutU32(out, 0);           // date, low

  const std::size_t stringFileInfo = out.size();
  PutHeader(out, 0, 0, kText);  // 60 + S
  PutWide(out, "StringFileInfo");
  Align4(out);
  const std::size_t stringTable = out.size();
  PutHeader(out, 0, 0, kText);  // 24 + S
  PutWide(out, "040904b0");
  Align4(out);

  const std::size_t entriesStart = out.size();
  for (const VersionString& entry : strings) {
    if (!PutStringEntry(out, entry) || out.size() > kMaxLength) return false;
  }
  const std::size_t s = out.size() - entriesStart;

  PutHeader(out, 68, 0, kText);
  PutWide(out, "VarFileInfo");
  Align4(out);
  PutHeader(out, 36, 4, kBinary);
  PutWide(out, "Translation");
  Align4(out);
  PutU32(out, 0x04B00409);  // language 0x0409, code page 1200

  if (out.size() > kMaxLength) return false;
  kvbytes::SetU16(out, 0, static_cast<std::uint16_t>(220 + s));
  kvbytes::SetU16(out, stringFileInfo, static_cast<std::uint16_t>(60 + s));
  kvbytes::SetU16(out, stringTable, static_cast<std::uint16_t>(24 + s));
  block = std::move(out);
  return true;
}

}  // namespace kvversion
