// Independent readers, run as separate programs when this machine has them: binutils' objdump
// for mingw and python3 with the pefile module for PE images, python3's plistlib for property
// lists, the xz command for XZ streams.
// Each returns nothing when its reader is missing, and the tests that need one skip.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvtest {

struct ReaderSection {
  std::string name;
  std::uint64_t virtualAddress = 0;  // objdump gives the VMA: image base included
  std::uint32_t virtualSize = 0;
  std::uint32_t pointerToRawData = 0;
  std::uint32_t sizeOfRawData = 0;      // pefile only
  std::uint32_t characteristics = 0;    // pefile only
};

struct PefileReport {
  std::uint32_t sizeOfImage = 0;
  std::uint32_t timeDateStamp = 0;
  std::vector<ReaderSection> sections;
  std::string lastSectionData;  // the last section's first VirtualSize bytes
  std::vector<std::string> warnings;
};

// `x86_64-w64-mingw32-objdump -h path`; nothing when objdump is missing or fails.
std::optional<std::vector<ReaderSection>> ObjdumpSections(const std::string& path);

// What pefile makes of the image; nothing when no python3 with pefile is found.
std::optional<PefileReport> ReadWithPefile(const std::string& path);

// What python's plistlib reads from the property list, as JSON with the keys in file order;
// nothing when no python3 runs here.
std::optional<std::string> ReadWithPlistlib(const std::string& path);

// Whether the xz command runs here.
bool HaveXz();
// `xz -dc path`: the decompressed bytes; nothing when xz is missing or refuses the file.
std::optional<std::string> XzDecompress(const std::string& path);

}  // namespace kvtest
