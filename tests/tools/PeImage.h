// Small PE images for tests: a DOS header pointing at the PE header at 0x40, the COFF and
// optional headers (16 data directories), the section table, and each section's raw data at
// FileAlignment 0x200, VirtualAddress at SectionAlignment 0x1000, contiguous in header order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/ByteIO.h"

namespace kvtest {

struct PeSection {
  std::string name;
  std::string data;
  std::uint32_t characteristics = 0x40000040;  // initialised data, readable
};

class PeImage {
public:
  static constexpr std::uint32_t kPeOffset = 0x40;
  static constexpr std::uint32_t kFileAlignment = 0x200;
  static constexpr std::uint32_t kSectionAlignment = 0x1000;
  static constexpr std::uint32_t kCoffOffset = kPeOffset + 4;

  static std::uint32_t OptionalHeaderSize(bool pe32) { return pe32 ? 96 + 128 : 112 + 128; }
  static std::uint32_t SectionTableOffset(bool pe32) { return kCoffOffset + 20 + OptionalHeaderSize(pe32); }

  static std::string Build(bool pe32, const std::vector<PeSection>& sections) {
    const std::uint32_t tableEnd = SectionTableOffset(pe32) + 40 * static_cast<std::uint32_t>(sections.size());
    const std::uint32_t headersSize = RoundUp(tableEnd, kFileAlignment);

    std::string image(kPeOffset, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 60, kPeOffset);
    image += std::string("PE\0\0", 4);
    kvbytes::PutU16(image, pe32 ? 0x14C : 0x8664);
    kvbytes::PutU16(image, static_cast<std::uint16_t>(sections.size()));
    kvbytes::PutU32(image, 0);  // TimeDateStamp
    kvbytes::PutU32(image, 0);  // PointerToSymbolTable
    kvbytes::PutU32(image, 0);  // NumberOfSymbols
    kvbytes::PutU16(image, static_cast<std::uint16_t>(OptionalHeaderSize(pe32)));
    kvbytes::PutU16(image, 0x0022);  // executable, large-address aware

    std::uint32_t virtualAddress = kSectionAlignment;
    std::uint32_t rawPointer = headersSize;
    std::string table, raw;
    for (const PeSection& section : sections) {
      const auto size = static_cast<std::uint32_t>(section.data.size());
      std::string name = section.name;
      name.resize(8, '\0');
      table += name;
      kvbytes::PutU32(table, size);
      kvbytes::PutU32(table, virtualAddress);
      kvbytes::PutU32(table, RoundUp(size, kFileAlignment));
      kvbytes::PutU32(table, rawPointer);
      table.append(12, '\0');
      kvbytes::PutU32(table, section.characteristics);
      raw += section.data;
      raw.resize(raw.size() + RoundUp(size, kFileAlignment) - size, '\0');
      virtualAddress += RoundUp(size ? size : 1, kSectionAlignment);
      rawPointer += RoundUp(size, kFileAlignment);
    }

    const std::size_t optional = image.size();
    image.resize(optional + OptionalHeaderSize(pe32), '\0');
    Put16(image, optional, pe32 ? 0x10B : 0x20B);
    Put32(image, optional + 32, kSectionAlignment);
    Put32(image, optional + 36, kFileAlignment);
    Put32(image, optional + 56, virtualAddress);  // SizeOfImage
    Put32(image, optional + 60, headersSize);
    Put16(image, optional + 68, 2);  // Windows GUI
    Put32(image, optional + (pe32 ? 92 : 108), 16);

    image += table;
    image.resize(headersSize, '\0');
    return image + raw;
  }

  static void Put16(std::string& image, std::size_t at, std::uint16_t value) {
    for (int i = 0; i < 2; ++i) image[at + i] = static_cast<char>(value >> (8 * i));
  }
  static void Put32(std::string& image, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>(value >> (8 * i));
  }
  static std::uint32_t RoundUp(std::uint32_t value, std::uint32_t alignment) {
    return value % alignment ? value + alignment - value % alignment : value;
  }
};

}  // namespace kvtest
