#include "build/ExeFile.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

#include "build/OutputFile.h"
#include "common/ByteIO.h"
#include "platform/Platform.h"

namespace {

using kvpe::kCertificateDirectory;
using kvpe::kDataDirectorySize;
using kvpe::kDebugDirectory;
using kvpe::kDebugEntrySize;
using kvpe::kDebugPointerToRawDataAt;
using kvpe::kMaxSections;
using kvpe::kNumberOfSectionsAt;
using kvpe::kPointerToSymbolTableAt;
using kvpe::kSectionHeaderSize;
using kvpe::kSectionNameSize;
using kvpe::kSizeOfHeadersAt;
using kvpe::kSizeOfImageAt;
using kvpe::kTimeDateStampAt;

constexpr std::uint64_t kU32Max = kvpe::kMax32;

// No linker we meet aligns beyond 64 KiB; larger values only come from damaged headers and
// would have us write gigabytes of padding.
constexpr std::uint64_t kMaxAlignment = 0x10000;

using File = kvplatform::UniqueFile;

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t alignment) {
  const std::uint64_t rest = value % alignment;
  return rest == 0 ? value : value + alignment - rest;
}

bool IsPowerOfTwo(std::uint64_t value) { return value != 0 && (value & (value - 1)) == 0; }

}  // namespace

bool KVExeFile::Read(const std::string& filePath) {
  loaded = false;
  headers = kvpe::PeHeaders();
  File file(kvplatform::OpenFile(filePath, "rb"));
  if (!file) return false;
  path = filePath;

  std::uint64_t length = 0;
  if (!kvplatform::FileLength(file.get(), length)) return false;
  kvpe::PeHeaders read;
  const bool isImage = read.Read([&](std::uint64_t at, std::uint64_t count, std::string& out) {
    return kvplatform::ReadAt(file.get(), length, at, count, out);
  });
  // The section table is written back right after the directories, while the loader finds
  // it through SizeOfOptionalHeader: both places must be the same.
  if (!isImage ||
      read.DirectoriesAt() + kDataDirectorySize * read.Optional().numberOfRvaAndSizes != read.SectionTableAt())
    return false;
  headers = std::move(read);
  loaded = true;
  return true;
}

std::uint32_t KVExeFile::LastSectionOffset() const {
  return Sections().empty() ? 0 : Sections().back().pointerToRawData;
}

// Where everything goes when one section is appended.
struct KVExeFile::AppendPlan {
  std::uint64_t rawStart = 0;       // first byte of section raw data in the input
  std::uint64_t shift = 0;          // how far that data moves down in the output
  std::uint64_t headersNeeded = 0;  // end of the section table with the new header
  std::uint64_t room = 0;           // headersNeeded rounded up to the file alignment
  std::uint64_t sizeOfImage = 0;
  std::uint64_t outputLength = 0;
  SectionHeader added;
  // The certificate table's file offset in the output (0: none, or unchanged).
  std::uint64_t certificates = 0;
  // Debug entries whose data moves: where each entry's PointerToRawData lies in the output,
  // and its new value.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> debugPointers;
};

bool KVExeFile::Plan(std::uint64_t inputLength, std::uint64_t payloadLength, AppendPlan& plan) const {
  const std::uint64_t fileAlign = FileAlignment();
  const std::uint64_t sectAlign = SectionAlignment();
  if (!IsPowerOfTwo(fileAlign) || !IsPowerOfTwo(sectAlign) || fileAlign > sectAlign || sectAlign > kMaxAlignment) {
    return false;
  }

  // Section raw data is copied as one block, from the first byte any section owns to the end
  // of the file: sections without raw data (uninitialised data) take no part, and whatever
  // follows the last section (a symbol table, say) is kept.
  plan.rawStart = inputLength;
  std::uint64_t virtualEnd = 0;
  std::uint64_t lowestAddress = kU32Max;
  for (const SectionHeader& section : Sections()) {
    if (section.sizeOfRawData != 0) {
      if (std::uint64_t{section.pointerToRawData} + section.sizeOfRawData > inputLength) return false;
      plan.rawStart = std::min<std::uint64_t>(plan.rawStart, section.pointerToRawData);
    }
    const std::uint64_t extent = section.virtualSize != 0 ? section.virtualSize : section.sizeOfRawData;
    virtualEnd = std::max(virtualEnd, section.virtualAddress + extent);
    lowestAddress = std::min<std::uint64_t>(lowestAddress, section.virtualAddress);
  }

  // The headers with one more section header must still end before the first section in
  // memory; on disk the raw data moves down when the new header would overrun it.
  plan.headersNeeded = std::uint64_t{HeadersEnd()} + kSectionHeaderSize;
  if (plan.headersNeeded > lowestAddress) return false;
  plan.room = RoundUp(plan.headersNeeded, fileAlign);
  plan.shift = plan.rawStart < plan.room ? plan.room - plan.rawStart : 0;

  const std::uint64_t address = RoundUp(virtualEnd, sectAlign);
  const std::uint64_t pointer = RoundUp(inputLength + plan.shift, fileAlign);
  plan.sizeOfImage = RoundUp(address + payloadLength, sectAlign);
  plan.outputLength = RoundUp(pointer + payloadLength, sectAlign);
  if (plan.sizeOfImage > kU32Max || plan.outputLength > kU32Max) return false;
  plan.added.virtualSize = static_cast<std::uint32_t>(payloadLength);
  plan.added.virtualAddress = static_cast<std::uint32_t>(address);
  plan.added.sizeOfRawData = static_cast<std::uint32_t>(RoundUp(payloadLength, fileAlign));
  plan.added.pointerToRawData = static_cast<std::uint32_t>(pointer);
  return true;
}

// The new section header goes where the section table ends: those bytes must be free, not a
// bound-import table or other data a directory points at.
bool KVExeFile::HeaderRoomIsFree(FILE* input, std::uint64_t inputLength, const AppendPlan& plan) const {
  const std::uint64_t from = HeadersEnd();
  const std::uint64_t to = std::min(plan.headersNeeded, plan.rawStart);
  if (to > from) {
    std::string bytes;
    if (!kvplatform::ReadAt(input, inputLength, from, to - from, bytes)) return false;
    if (bytes.find_first_not_of('\0') != std::string::npos) return false;
  }
  const std::vector<kvpe::DataDirectory>& directories = headers.Directories();
  for (std::size_t d = 0; d < directories.size(); ++d) {
    const kvpe::DataDirectory& directory = directories[d];
    if (d == kCertificateDirectory || directory.rva == 0) continue;
    const std::uint64_t end = std::uint64_t{directory.rva} + std::max<std::uint32_t>(directory.size, 1);
    if (directory.rva < plan.headersNeeded && end > from) return false;
  }
  return true;
}

// File offsets that follow the raw data when it moves down: the certificate table and the
// debug entries' data. False when they cannot be followed (a debug directory outside any
// section's raw data, or an offset that would pass 32 bits).
bool KVExeFile::PlanMovedOffsets(FILE* input, std::uint64_t inputLength, AppendPlan& plan) const {
  if (plan.shift == 0) return true;
  const std::vector<kvpe::DataDirectory>& directories = headers.Directories();
  if (directories.size() > kCertificateDirectory) {
    const kvpe::DataDirectory& certificates = directories[kCertificateDirectory];
    if (certificates.rva != 0 && certificates.rva >= plan.rawStart) {
      plan.certificates = certificates.rva + plan.shift;
      if (plan.certificates > kU32Max) return false;
    }
  }
  if (directories.size() <= kDebugDirectory) return true;
  const kvpe::DataDirectory& debug = directories[kDebugDirectory];
  if (debug.rva == 0 || debug.size < kDebugEntrySize) return true;
  std::uint64_t directoryAt = 0;
  bool found = false;
  for (const SectionHeader& section : Sections()) {
    if (debug.rva >= section.virtualAddress && debug.rva - section.virtualAddress < section.sizeOfRawData) {
      const std::uint64_t offset = debug.rva - section.virtualAddress;
      if (debug.size > section.sizeOfRawData - offset) return false;
      directoryAt = section.pointerToRawData + offset;
      found = true;
      break;
    }
  }
  if (!found) return false;
  std::string entries;
  const std::uint64_t count = debug.size / kDebugEntrySize;
  if (!kvplatform::ReadAt(input, inputLength, directoryAt, count * kDebugEntrySize, entries)) return false;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t at = i * kDebugEntrySize + kDebugPointerToRawDataAt;
    kvbytes::ByteReader reader(entries);
    std::uint32_t pointer = 0;
    if (!reader.seek(at) || !reader.u32(pointer)) return false;
    if (pointer == 0 || pointer < plan.rawStart) continue;
    if (pointer + plan.shift > kU32Max) return false;
    plan.debugPointers.emplace_back(directoryAt + plan.shift + at, static_cast<std::uint32_t>(pointer + plan.shift));
  }
  return true;
}

std::string KVExeFile::AppendedHeaders(const AppendPlan& plan, std::uint64_t inputLength) const {
  // The headers as read up to the section table (Read made sure the table follows the
  // directories), with the counts and sizes of the new image.
  std::string out = headers.Raw().substr(0, static_cast<std::size_t>(headers.SectionTableAt() - headers.NtAt()));
  const std::uint64_t optionalAt = headers.OptionalAt() - headers.NtAt();
  kvbytes::SetU16(out, kNumberOfSectionsAt, static_cast<std::uint16_t>(Sections().size() + 1));
  kvbytes::SetU32(out, kTimeDateStampAt, static_cast<std::uint32_t>(std::time(nullptr)));
  const std::uint32_t symbolTable = headers.File().pointerToSymbolTable;
  if (symbolTable != 0 && symbolTable >= plan.rawStart && symbolTable <= inputLength) {
    kvbytes::SetU32(out, kPointerToSymbolTableAt, static_cast<std::uint32_t>(symbolTable + plan.shift));
  }
  kvbytes::SetU32(out, optionalAt + kSizeOfImageAt, static_cast<std::uint32_t>(plan.sizeOfImage));
  if (plan.certificates != 0) {
    const std::uint64_t certificatesAt = headers.DirectoriesAt() - headers.NtAt() + kCertificateDirectory * kDataDirectorySize;
    kvbytes::SetU32(out, certificatesAt, static_cast<std::uint32_t>(plan.certificates));
  }
  if (headers.Optional().sizeOfHeaders < plan.headersNeeded) {
    kvbytes::SetU32(out, optionalAt + kSizeOfHeadersAt, static_cast<std::uint32_t>(plan.room));
  }

  for (SectionHeader section : Sections()) {
    if (section.sizeOfRawData != 0) section.pointerToRawData += static_cast<std::uint32_t>(plan.shift);
    section.AppendTo(out);
  }
  plan.added.AppendTo(out);
  return out;
}

bool KVExeFile::AppendSection(const std::string& outputPath, const std::string& payloadPath,
                              const std::string& sectionName, std::uint32_t characteristics) {
  if (!loaded || Sections().empty() || Sections().size() >= kMaxSections || sectionName.size() > kSectionNameSize ||
      outputPath == path) {
    return false;
  }
  File input(kvplatform::OpenFile(path, "rb"));
  File payload(kvplatform::OpenFile(payloadPath, "rb"));
  std::uint64_t inputLength = 0;
  std::uint64_t payloadLength = 0;
  AppendPlan plan;
  if (!input || !payload || !kvplatform::FileLength(input.get(), inputLength) ||
      !kvplatform::FileLength(payload.get(), payloadLength) || payloadLength > kU32Max ||
      !Plan(inputLength, payloadLength, plan) || !HeaderRoomIsFree(input.get(), inputLength, plan) ||
      !PlanMovedOffsets(input.get(), inputLength, plan)) {
    return false;
  }
  plan.added.SetName(sectionName);
  plan.added.characteristics = characteristics;

  // DOS header and stub as they are, the new headers, what the headers held after the section
  // table, then the raw data and what follows it (moved down by the shift), then the payload.
  kvbuild::OutputFile output(outputPath);
  const std::uint64_t headerRest = plan.rawStart > plan.headersNeeded ? plan.rawStart - plan.headersNeeded : 0;
  if (!output.IsOpen() || !kvplatform::SeekFile(input.get(), 0) || !output.CopyFrom(input.get(), headers.NtAt()) ||
      !output.Write(AppendedHeaders(plan, inputLength)) || !kvplatform::SeekFile(input.get(), plan.headersNeeded) ||
      !output.CopyFrom(input.get(), headerRest) || !output.PadTo(plan.rawStart + plan.shift) ||
      !kvplatform::SeekFile(input.get(), plan.rawStart) || !output.CopyFrom(input.get(), inputLength - plan.rawStart) ||
      !output.PadTo(plan.added.pointerToRawData) || !output.CopyFrom(payload.get(), payloadLength) ||
      !output.PadTo(plan.outputLength)) {
    return false;
  }
  for (const auto& [at, pointer] : plan.debugPointers) {
    std::string value;
    kvbytes::PutU32(value, pointer);
    if (!output.WriteAt(at, value)) return false;
  }
  return output.Commit();
}
