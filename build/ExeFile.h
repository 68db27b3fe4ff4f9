// KVExeFile: reads the headers of a PE image (PE32 or PE32+) and writes a copy of the image
// with one section appended whose raw data is the contents of another file. The IDE finds
// the runtime pack in its own executable through it and attaches a project's payload to a
// built executable as the section "snapshot".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class KVExeFile {
public:
  static constexpr std::uint32_t kDiscardable = 0x02000000;

  struct SectionHeader {
    std::array<std::uint8_t, 8> name{};
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    // Relocation and line-number fields, kept as they are: images do not use them.
    std::array<std::uint8_t, 12> relocationsAndLineNumbers{};
    std::uint32_t characteristics = 0;
  };

  virtual ~KVExeFile() = default;

  // Reads the DOS, NT and optional headers, the data directories and the section table.
  // False for anything that is not a well-formed PE image; every size from the file is
  // checked against the file's length before anything is allocated or read. Path() is set
  // whenever the file could be opened; after a failure the object holds no image.
  bool Read(const std::string& path);

  // Writes outputPath as a copy of the image last read with one section appended, named
  // sectionName (at most 8 bytes), whose raw data is the file payloadPath. Raw data that
  // would be overrun by the new section header moves down, and the new section starts after
  // everything the input holds, data after its last section included. False, with no output
  // file left behind, when there is no image, the payload cannot be read, outputPath names
  // the input, or the result would not be a valid image.
  bool AppendSection(const std::string& outputPath, const std::string& payloadPath,
                     const std::string& sectionName = "snapshot",
                     std::uint32_t characteristics = kDiscardable);

  const std::string& Path() const { return path; }
  bool Is32() const { return is32; }
  const std::vector<SectionHeader>& Sections() const { return sectionHeaders; }
  // File offset just after the section table.
  std::uint32_t HeadersEnd() const { return headersEnd; }
  std::uint32_t SectionAlignment() const;
  std::uint32_t FileAlignment() const;
  std::uint32_t SizeOfImage() const;
  // File offset of the last section's raw data; 0 when the image has no sections.
  std::uint32_t LastSectionOffset() const;

private:
  struct AppendPlan;

  void Clear();
  bool Plan(std::uint64_t inputLength, std::uint64_t payloadLength, AppendPlan& plan) const;
  std::string AppendedHeaders(const AppendPlan& plan, std::uint64_t inputLength) const;

  std::string path;
  bool loaded = false;
  bool is32 = false;
  std::string dosHeader;       // 64 bytes
  std::string ntHeader;        // signature and COFF file header, 24 bytes
  std::string optionalHeader;  // without data directories: 96 bytes (PE32) or 112 (PE32+)
  std::string dataDirectories; // NumberOfRvaAndSizes entries of 8 bytes
  std::vector<SectionHeader> sectionHeaders;
  std::uint32_t headersEnd = 0;
};
