#include "tools/runtime-stub/PeSections.h"

#include <cstdint>

#include "common/ByteIO.h"

namespace kvstub {

namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;       // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint64_t kDosLfanewOffset = 60;
constexpr std::uint64_t kSectionHeaderSize = 40;

struct SectionHeader {
  char name[8];
  std::uint32_t virtualSize;
  std::uint32_t sizeOfRawData;
  std::uint32_t pointerToRawData;
};

bool ReadSectionHeader(kvbytes::ByteReader& in, SectionHeader& header) {
  const std::size_t start = in.position();
  std::uint32_t virtualAddress = 0;
  if (!in.bytes(header.name, sizeof header.name) || !in.u32(header.virtualSize) || !in.u32(virtualAddress) ||
      !in.u32(header.sizeOfRawData) || !in.u32(header.pointerToRawData)) {
    return false;
  }
  return in.seek(start + kSectionHeaderSize);
}

// Section names are 8 bytes, padded with NULs when shorter.
bool NameIs(const char (&stored)[8], std::string_view name) {
  if (name.size() > 8) return false;
  for (std::size_t i = 0; i < 8; ++i) {
    const char wanted = i < name.size() ? name[i] : '\0';
    if (stored[i] != wanted) return false;
  }
  return true;
}

}  // namespace

SectionLookup FindSection(std::string_view image, std::string_view name, std::string_view& data) {
  kvbytes::ByteReader in(image);
  std::uint16_t dosMagic = 0;
  std::uint32_t lfanew = 0;
  if (!in.u16(dosMagic) || dosMagic != kDosMagic || !in.seek(kDosLfanewOffset) || !in.u32(lfanew)) {
    return SectionLookup::NotAnImage;
  }
  std::uint32_t signature = 0;
  std::uint16_t machine = 0, sectionCount = 0, optionalHeaderSize = 0, optionalMagic = 0;
  if (!in.seek(lfanew) || !in.u32(signature) || signature != kPeSignature || !in.u16(machine) ||
      !in.u16(sectionCount) || !in.skip(12) || !in.u16(optionalHeaderSize) || !in.skip(2)) {
    return SectionLookup::NotAnImage;
  }
  const std::size_t optionalStart = in.position();
  if (!in.u16(optionalMagic) || (optionalMagic != kPe32Magic && optionalMagic != kPe32PlusMagic) ||
      !in.seek(static_cast<std::uint64_t>(optionalStart) + optionalHeaderSize)) {
    return SectionLookup::NotAnImage;
  }

  bool found = false;
  SectionHeader match{};
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    SectionHeader header{};
    if (!ReadSectionHeader(in, header)) return SectionLookup::NotAnImage;
    if (NameIs(header.name, name)) {
      match = header;
      found = true;
    }
  }
  if (!found) return SectionLookup::NotFound;

  const std::uint32_t size = match.virtualSize != 0 && match.virtualSize <= match.sizeOfRawData
                                 ? match.virtualSize
                                 : match.sizeOfRawData;
  if (!kvbytes::ByteReader::slice(image, match.pointerToRawData, size, data)) return SectionLookup::OutsideFile;
  return SectionLookup::Found;
}

}  // namespace kvstub
