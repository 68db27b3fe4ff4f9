#include "tests/build/PeFixture.h"

#include <algorithm>
#include <stdexcept>

namespace kvtest {

namespace {

std::uint32_t RoundUp(std::uint32_t value, std::uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

PeFixture PeFixture::Contiguous(bool is32, int count, std::uint32_t firstRaw) {
  PeFixture image;
  image.is32 = is32;
  for (int i = 0; i < count; ++i) {
    PeFixtureSection section;
    section.name = "sect" + std::to_string(i);
    section.sizeOfRawData = i % 2 == 0 ? 0x200 : 0x400;
    section.virtualSize = section.sizeOfRawData - 0x30;
    section.virtualAddress = 0x1000 * static_cast<std::uint32_t>(i + 1);
    section.fill = static_cast<char>('a' + i);
    image.sections.push_back(section);
  }
  image.LayOutRawData(firstRaw);
  return image;
}

void PeFixture::LayOutRawData(std::uint32_t firstRaw) {
  std::uint32_t raw = firstRaw;
  for (PeFixtureSection& section : sections) {
    section.pointerToRawData = section.sizeOfRawData != 0 ? raw : 0;
    raw += section.sizeOfRawData;
  }
}

std::uint32_t PeFixture::RawEnd() const {
  std::uint32_t end = 0;
  for (const PeFixtureSection& section : sections) {
    if (section.sizeOfRawData != 0) end = std::max(end, section.pointerToRawData + section.sizeOfRawData);
  }
  return end;
}

std::string PeFixture::Bytes() const {
  std::string bytes(std::max({SectionTableEnd(), sizeOfHeaders, RawEnd()}), '\0');

  // DOS header and stub: recognisable bytes that a copy must keep.
  for (std::uint32_t i = 2; i < lfanew; ++i) bytes[i] = static_cast<char>(0x80 | (i & 0x7F));
  bytes[0] = 'M';
  bytes[1] = 'Z';
  SetLeU32(bytes, 60, lfanew);

  const std::size_t nt = lfanew;
  bytes.replace(nt, 4, std::string("PE\0\0", 4));
  SetLeU16(bytes, nt + 4, is32 ? 0x14C : 0x8664);
  SetLeU16(bytes, nt + 6, static_cast<std::uint16_t>(sections.size()));
  SetLeU32(bytes, nt + 8, 0x12345678);
  SetLeU32(bytes, nt + 12, pointerToSymbolTable);
  SetLeU16(bytes, nt + 20, static_cast<std::uint16_t>(OptionalHeaderSize() + 16 * 8));
  SetLeU16(bytes, nt + 22, is32 ? 0x0102 : 0x0022);

  std::uint32_t virtualEnd = 0;
  for (const PeFixtureSection& section : sections) {
    virtualEnd = std::max(virtualEnd, section.virtualAddress + section.virtualSize);
  }
  const std::size_t optional = nt + 24;
  SetLeU16(bytes, optional, is32 ? 0x10B : 0x20B);
  SetLeU32(bytes, optional + 16, sections.empty() ? 0 : sections.front().virtualAddress);  // entry point
  if (is32) {
    SetLeU32(bytes, optional + 28, 0x400000);
  } else {
    SetLeU32(bytes, optional + 24, 0x40000000);
    SetLeU32(bytes, optional + 28, 0x1);
  }
  SetLeU32(bytes, optional + 32, sectionAlignment);
  SetLeU32(bytes, optional + 36, fileAlignment);
  SetLeU16(bytes, optional + 40, 4);  // operating system version
  SetLeU16(bytes, optional + 48, 5);  // subsystem version
  SetLeU32(bytes, optional + 56, sectionAlignment ? RoundUp(virtualEnd, sectionAlignment) : 0);
  SetLeU32(bytes, optional + 60, sizeOfHeaders);
  SetLeU16(bytes, optional + 68, 3);  // console
  SetLeU32(bytes, optional + OptionalHeaderSize() - 4, 16);
  // The global-pointer directory is never followed by readers; it only has to survive a copy.
  SetLeU32(bytes, optional + OptionalHeaderSize() + 8 * 8, 0x00C0FFEE);

  std::size_t header = SectionTableAt();
  for (const PeFixtureSection& section : sections) {
    if (section.name.size() > 8) throw std::invalid_argument("section name");
    bytes.replace(header, section.name.size(), section.name);
    SetLeU32(bytes, header + 8, section.virtualSize);
    SetLeU32(bytes, header + 12, section.virtualAddress);
    SetLeU32(bytes, header + 16, section.sizeOfRawData);
    SetLeU32(bytes, header + 20, section.pointerToRawData);
    SetLeU32(bytes, header + 36, 0x40000040);  // initialised data, readable
    if (section.sizeOfRawData != 0) {
      bytes.replace(section.pointerToRawData, section.sizeOfRawData, std::string(section.sizeOfRawData, section.fill));
    }
    header += 40;
  }
  return bytes + trailer;
}

ParsedPe ParsePe(const std::string& bytes) {
  ParsedPe pe;
  pe.lfanew = LeU32(bytes, 60);
  pe.timeDateStamp = LeU32(bytes, pe.lfanew + 8);
  pe.pointerToSymbolTable = LeU32(bytes, pe.lfanew + 12);
  const std::size_t optional = pe.lfanew + 24;
  pe.sizeOfImage = LeU32(bytes, optional + 56);
  pe.sizeOfHeaders = LeU32(bytes, optional + 60);
  pe.sectionTableAt = static_cast<std::uint32_t>(optional + LeU16(bytes, pe.lfanew + 20));
  const std::uint16_t count = LeU16(bytes, pe.lfanew + 6);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = pe.sectionTableAt + 40 * i;
    ParsedSection section;
    section.raw = bytes.substr(at, 40);
    section.name = section.raw.substr(0, 8).c_str();
    section.virtualSize = LeU32(bytes, at + 8);
    section.virtualAddress = LeU32(bytes, at + 12);
    section.sizeOfRawData = LeU32(bytes, at + 16);
    section.pointerToRawData = LeU32(bytes, at + 20);
    section.characteristics = LeU32(bytes, at + 36);
    pe.sections.push_back(section);
  }
  return pe;
}

std::uint16_t LeU16(const std::string& bytes, std::size_t at) {
  if (at + 2 > bytes.size()) throw std::out_of_range("LeU16");
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t LeU32(const std::string& bytes, std::size_t at) {
  return LeU16(bytes, at) | static_cast<std::uint32_t>(LeU16(bytes, at + 2)) << 16;
}

void SetLeU16(std::string& bytes, std::size_t at, std::uint16_t value) {
  if (at + 2 > bytes.size()) throw std::out_of_range("SetLeU16");
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void SetLeU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  SetLeU16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF));
  SetLeU16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace kvtest
