// Small PE32 and PE32+ images built in memory, laid out the way mingw's linker lays out an
// executable: DOS header and stub, NT headers, data directories, section table, then the
// sections' raw data back to back, each filled with its own byte so that moved or
// overwritten data shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvtest {

struct PeFixtureSection {
  std::string name;
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t pointerToRawData = 0;
  std::uint32_t sizeOfRawData = 0;
  char fill = 0;
};

struct PeFixture {
  // count sections from firstRaw on: raw sizes alternate 0x200 and 0x400, one section
  // alignment apart in memory. e_lfanew 0x80 as mingw writes it.
  static PeFixture Contiguous(bool is32, int count, std::uint32_t firstRaw = 0x400);

  bool is32 = false;
  std::uint32_t lfanew = 0x80;
  std::uint32_t fileAlignment = 0x200;
  std::uint32_t sectionAlignment = 0x1000;
  std::uint32_t sizeOfHeaders = 0x400;
  std::uint32_t pointerToSymbolTable = 0;
  std::vector<PeFixtureSection> sections;
  std::string trailer;  // bytes after the last section's raw data

  // Places the raw data of every section that has some back to back from firstRaw.
  void LayOutRawData(std::uint32_t firstRaw);

  std::uint32_t OptionalHeaderSize() const { return is32 ? 96 : 112; }
  std::uint32_t SectionTableAt() const { return lfanew + 24 + OptionalHeaderSize() + 16 * 8; }
  std::uint32_t SectionTableEnd() const { return SectionTableAt() + 40 * static_cast<std::uint32_t>(sections.size()); }
  std::uint32_t RawEnd() const;  // end of the last byte any section owns
  std::string Bytes() const;
};

// The header fields a test checks, read straight from a file's bytes.
struct ParsedSection {
  std::string name;  // up to the first NUL
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t sizeOfRawData = 0;
  std::uint32_t pointerToRawData = 0;
  std::uint32_t characteristics = 0;
  std::string raw;  // the 40 header bytes
};
struct ParsedPe {
  std::uint32_t lfanew = 0;
  std::uint32_t timeDateStamp = 0;
  std::uint32_t pointerToSymbolTable = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t sectionTableAt = 0;
  std::vector<ParsedSection> sections;
};
ParsedPe ParsePe(const std::string& bytes);

// Little-endian fields of a file's bytes, read independently of the code under test.
std::uint16_t LeU16(const std::string& bytes, std::size_t at);
std::uint32_t LeU32(const std::string& bytes, std::size_t at);
void SetLeU16(std::string& bytes, std::size_t at, std::uint16_t value);
void SetLeU32(std::string& bytes, std::size_t at, std::uint32_t value);

}  // namespace kvtest
