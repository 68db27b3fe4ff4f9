// KVExeFile: reads the headers of a PE image (PE32 or PE32+) and writes a copy of the image
// with one section appended whose raw data is the contents of another file. The IDE finds
// the runtime pack in its own executable through it and attaches a project's payload to a
// built executable as the section "snapshot".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pe/PeFormat.h"
#include "pe/PeHeaders.h"

class KVExeFile {
public:
  static constexpr std::uint32_t kDiscardable = kvpe::kSectionDiscardable;

  using SectionHeader = kvpe::SectionHeader;

  virtual ~KVExeFile() = default;

  // Reads the DOS, NT and optional headers, the data directories and the section table
  // (kvpe::PeHeaders, reading only the headers). False for anything that is not a
  // well-formed PE image, and for one whose section table does not follow the data
  // directories right away, which the appender could not write back. Path() is set whenever
  // the file could be opened; after a failure the object holds no image.
  bool Read(const std::string& path);

  // Writes outputPath as a copy of the image last read with one section appended, named
  // sectionName (at most 8 bytes), whose raw data is the file payloadPath. Raw data that
  // would be overrun by the new section header moves down, and the new section starts after
  // everything the input holds, data after its last section included. False, with no output
  // file left behind, when there is no image, the payload cannot be read, outputPath names
  // the input, or the result would not be a valid image. Refused as well when the bytes the
  // new section header takes are in use; when raw data moves, the certificate table and the
  // debug entries' file offsets follow it.
  bool AppendSection(const std::string& outputPath, const std::string& payloadPath,
                     const std::string& sectionName = "snapshot", std::uint32_t characteristics = kDiscardable);

  const std::string& Path() const { return path; }
  bool Is32() const { return headers.Is32(); }
  const std::vector<SectionHeader>& Sections() const { return headers.Sections(); }
  // File offset just after the section table.
  std::uint32_t HeadersEnd() const { return headers.HeadersEnd(); }
  std::uint32_t SectionAlignment() const { return headers.Optional().sectionAlignment; }
  std::uint32_t FileAlignment() const { return headers.Optional().fileAlignment; }
  std::uint32_t SizeOfImage() const { return headers.Optional().sizeOfImage; }
  // File offset of the last section's raw data; 0 when the image has no sections.
  std::uint32_t LastSectionOffset() const;

private:
  struct AppendPlan;

  bool Plan(std::uint64_t inputLength, std::uint64_t payloadLength, AppendPlan& plan) const;
  bool HeaderRoomIsFree(FILE* input, std::uint64_t inputLength, const AppendPlan& plan) const;
  bool PlanMovedOffsets(FILE* input, std::uint64_t inputLength, AppendPlan& plan) const;
  std::string AppendedHeaders(const AppendPlan& plan, std::uint64_t inputLength) const;

  std::string path;
  bool loaded = false;
  kvpe::PeHeaders headers;
};
