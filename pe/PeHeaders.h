// The headers of a PE32 or PE32+ image: DOS header, NT signature, file header, optional
// header, data directories and section table, read with every offset and size checked
// against the bytes there are. The one reader behind the section appender, the resource
// writer and the runtime's look-up of its own payload.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pe/PeFormat.h"

namespace kvpe {

struct SectionHeader {
  std::array<std::uint8_t, 8> name{};  // NUL-padded when shorter
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t sizeOfRawData = 0;
  std::uint32_t pointerToRawData = 0;
  // Relocation and line-number fields, kept as they are: images do not use them.
  std::array<std::uint8_t, 12> relocationsAndLineNumbers{};
  std::uint32_t characteristics = 0;

  // The whole eight bytes compared: "snap" does not match a section named "snapshot".
  bool NameIs(std::string_view wanted) const;
  void SetName(std::string_view newName);  // at most 8 bytes are kept
  // The 40 bytes of the header, appended.
  void AppendTo(std::string& out) const;
};

struct DataDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};

struct FileHeader {
  std::uint16_t machine = 0;
  std::uint16_t numberOfSections = 0;
  std::uint32_t timeDateStamp = 0;
  std::uint32_t pointerToSymbolTable = 0;
  std::uint32_t numberOfSymbols = 0;
  std::uint16_t sizeOfOptionalHeader = 0;
  std::uint16_t characteristics = 0;
};

// The optional-header fields this program uses; the others stay in Raw().
struct OptionalHeader {
  std::uint16_t magic = 0;
  std::uint32_t sizeOfInitializedData = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t fileAlignment = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t checkSum = 0;
  std::uint32_t numberOfRvaAndSizes = 0;  // as declared; see Directories()
};

class PeHeaders {
public:
  // count bytes at a file offset into out; false when the image does not hold them all.
  using ReadAt = std::function<bool(std::uint64_t at, std::uint64_t count, std::string& out)>;

  // From an image in memory. False for anything that is not a PE32 or PE32+ image whose
  // headers the bytes hold whole; the object then holds no headers.
  bool Parse(std::string_view image);
  // The same through readAt, which is asked for the headers only, never for more bytes
  // than the headers read so far declare: an image in a file need not be read whole.
  bool Read(const ReadAt& readAt);

  bool Is32() const { return optional.magic == kPe32Magic; }
  // File offsets: the NT signature (e_lfanew), the optional header, the data directories,
  // the section table and just after it. The table always ends within 32 bits.
  std::uint32_t NtAt() const { return ntAt; }
  std::uint64_t OptionalAt() const { return std::uint64_t{ntAt} + kNtHeadersSize; }
  std::uint64_t DirectoriesAt() const;
  std::uint64_t SectionTableAt() const { return OptionalAt() + file.sizeOfOptionalHeader; }
  std::uint32_t HeadersEnd() const { return headersEnd; }

  const FileHeader& File() const { return file; }
  const OptionalHeader& Optional() const { return optional; }
  // The directories the optional header has room for: NumberOfRvaAndSizes entries, fewer
  // when SizeOfOptionalHeader ends before them.
  const std::vector<DataDirectory>& Directories() const { return directories; }
  const std::vector<SectionHeader>& Sections() const { return sections; }
  // The header bytes as read, from the NT signature to the end of the section table.
  const std::string& Raw() const { return raw; }

private:
  void Clear();
  // headers holds the image's bytes from ntAt on, at least as far as the section table ends.
  bool ParseNt(std::uint32_t at, std::string_view headers);

  std::uint32_t ntAt = 0;
  std::uint32_t headersEnd = 0;
  FileHeader file;
  OptionalHeader optional;
  std::vector<DataDirectory> directories;
  std::vector<SectionHeader> sections;
  std::string raw;
};

}  // namespace kvpe
