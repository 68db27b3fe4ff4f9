#include "build/ExeFile.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <limits>
#include <memory>

#include "build/OutputFile.h"
#include "common/ByteIO.h"
#include "platform/Platform.h"

namespace {

constexpr std::uint16_t kMzMagic = 0x5A4D;
constexpr std::uint32_t kPeSignature = 0x00004550;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;

constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kLfanewAt = 60;

// Offsets inside the 24-byte block of signature and COFF file header.
constexpr std::uint64_t kNtHeaderSize = 24;
constexpr std::uint64_t kNumberOfSectionsAt = 6;
constexpr std::uint64_t kTimeDateStampAt = 8;
constexpr std::uint64_t kPointerToSymbolTableAt = 12;
constexpr std::uint64_t kSizeOfOptionalHeaderAt = 20;

// Offsets inside the optional header.
constexpr std::uint64_t kOptional32Size = 96;
constexpr std::uint64_t kOptional64Size = 112;
constexpr std::uint64_t kSectionAlignmentAt = 32;
constexpr std::uint64_t kFileAlignmentAt = 36;
constexpr std::uint64_t kSizeOfImageAt = 56;
constexpr std::uint64_t kSizeOfHeadersAt = 60;
constexpr std::uint64_t kDirectoryCount32At = 92;
constexpr std::uint64_t kDirectoryCount64At = 108;

constexpr std::uint64_t kDirectorySize = 8;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::size_t kMaxSections = 0xFFFF;  // NumberOfSections is 16 bits
constexpr std::uint64_t kU32Max = std::numeric_limits<std::uint32_t>::max();

// No linker we meet aligns beyond 64 KiB; larger values only come from damaged headers and
// would have us write gigabytes of padding.
constexpr std::uint64_t kMaxAlignment = 0x10000;

using File = kvplatform::UniqueFile;

// The header blocks have fixed sizes, so these reads cannot fail once the block was read.
std::uint16_t U16At(const std::string& block, std::uint64_t at) {
  kvbytes::ByteReader reader(block);
  std::uint16_t value = 0;
  return reader.seek(at) && reader.u16(value) ? value : 0;
}
std::uint32_t U32At(const std::string& block, std::uint64_t at) {
  kvbytes::ByteReader reader(block);
  std::uint32_t value = 0;
  return reader.seek(at) && reader.u32(value) ? value : 0;
}

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t alignment) {
  const std::uint64_t rest = value % alignment;
  return rest == 0 ? value : value + alignment - rest;
}

bool IsPowerOfTwo(std::uint64_t value) { return value != 0 && (value & (value - 1)) == 0; }

bool ParseSectionTable(const std::string& table, std::vector<KVExeFile::SectionHeader>& sections) {
  kvbytes::ByteReader reader(table);
  for (auto& section : sections) {
    if (!reader.bytes(section.name.data(), section.name.size()) || !reader.u32(section.virtualSize) ||
        !reader.u32(section.virtualAddress) || !reader.u32(section.sizeOfRawData) ||
        !reader.u32(section.pointerToRawData) ||
        !reader.bytes(section.relocationsAndLineNumbers.data(), section.relocationsAndLineNumbers.size()) ||
        !reader.u32(section.characteristics)) {
      return false;
    }
  }
  return true;
}

void PutSectionHeader(std::string& out, const KVExeFile::SectionHeader& section) {
  out.append(reinterpret_cast<const char*>(section.name.data()), section.name.size());
  kvbytes::PutU32(out, section.virtualSize);
  kvbytes::PutU32(out, section.virtualAddress);
  kvbytes::PutU32(out, section.sizeOfRawData);
  kvbytes::PutU32(out, section.pointerToRawData);
  out.append(reinterpret_cast<const char*>(section.relocationsAndLineNumbers.data()),
             section.relocationsAndLineNumbers.size());
  kvbytes::PutU32(out, section.characteristics);
}

}  // namespace

void KVExeFile::Clear() {
  loaded = false;
  is32 = false;
  dosHeader.clear();
  ntHeader.clear();
  optionalHeader.clear();
  dataDirectories.clear();
  sectionHeaders.clear();
  headersEnd = 0;
}

bool KVExeFile::Read(const std::string& filePath) {
  Clear();
  File file(kvplatform::OpenFile(filePath, "rb"));
  if (!file) return false;
  path = filePath;

  std::uint64_t length = 0;
  if (!kvplatform::FileLength(file.get(), length)) return false;
  auto readAt = [&](std::uint64_t at, std::uint64_t count, std::string& out) {
    return kvplatform::ReadAt(file.get(), length, at, count, out);
  };

  std::string dos, nt, magic, optional, directories, table;
  if (!readAt(0, kDosHeaderSize, dos) || U16At(dos, 0) != kMzMagic) return false;
  const std::uint64_t ntAt = U32At(dos, kLfanewAt);
  if (!readAt(ntAt, kNtHeaderSize, nt) || U32At(nt, 0) != kPeSignature) return false;

  const std::uint64_t optionalAt = ntAt + kNtHeaderSize;
  if (!readAt(optionalAt, 2, magic)) return false;
  const std::uint16_t optionalMagic = U16At(magic, 0);
  if (optionalMagic != kPe32Magic && optionalMagic != kPe32PlusMagic) return false;
  const bool pe32 = optionalMagic == kPe32Magic;
  const std::uint64_t optionalSize = pe32 ? kOptional32Size : kOptional64Size;
  if (!readAt(optionalAt, optionalSize, optional)) return false;

  const std::uint64_t directoriesAt = optionalAt + optionalSize;
  const std::uint64_t directoriesSize = kDirectorySize * U32At(optional, pe32 ? kDirectoryCount32At : kDirectoryCount64At);
  if (!readAt(directoriesAt, directoriesSize, directories)) return false;
  // The loader finds the section table through SizeOfOptionalHeader, while the table is
  // read and written back right after the directories: both places must be the same.
  if (U16At(nt, kSizeOfOptionalHeaderAt) != optionalSize + directoriesSize) return false;

  const std::uint64_t tableAt = directoriesAt + directoriesSize;
  const std::uint16_t sectionCount = U16At(nt, kNumberOfSectionsAt);
  if (!readAt(tableAt, kSectionHeaderSize * sectionCount, table)) return false;
  const std::uint64_t tableEnd = tableAt + table.size();
  std::vector<SectionHeader> sections(sectionCount);
  if (tableEnd > kU32Max || !ParseSectionTable(table, sections)) return false;

  is32 = pe32;
  dosHeader = std::move(dos);
  ntHeader = std::move(nt);
  optionalHeader = std::move(optional);
  dataDirectories = std::move(directories);
  sectionHeaders = std::move(sections);
  headersEnd = static_cast<std::uint32_t>(tableEnd);
  loaded = true;
  return true;
}

std::uint32_t KVExeFile::SectionAlignment() const { return U32At(optionalHeader, kSectionAlignmentAt); }
std::uint32_t KVExeFile::FileAlignment() const { return U32At(optionalHeader, kFileAlignmentAt); }
std::uint32_t KVExeFile::SizeOfImage() const { return U32At(optionalHeader, kSizeOfImageAt); }

std::uint32_t KVExeFile::LastSectionOffset() const {
  return sectionHeaders.empty() ? 0 : sectionHeaders.back().pointerToRawData;
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
  for (const SectionHeader& section : sectionHeaders) {
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
  plan.headersNeeded = std::uint64_t{headersEnd} + kSectionHeaderSize;
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

std::string KVExeFile::AppendedHeaders(const AppendPlan& plan, std::uint64_t inputLength) const {
  std::string nt = ntHeader;
  kvbytes::SetU16(nt, kNumberOfSectionsAt, static_cast<std::uint16_t>(sectionHeaders.size() + 1));
  kvbytes::SetU32(nt, kTimeDateStampAt, static_cast<std::uint32_t>(std::time(nullptr)));
  const std::uint32_t symbolTable = U32At(nt, kPointerToSymbolTableAt);
  if (symbolTable != 0 && symbolTable >= plan.rawStart && symbolTable <= inputLength) {
    kvbytes::SetU32(nt, kPointerToSymbolTableAt, static_cast<std::uint32_t>(symbolTable + plan.shift));
  }

  std::string optional = optionalHeader;
  kvbytes::SetU32(optional, kSizeOfImageAt, static_cast<std::uint32_t>(plan.sizeOfImage));
  if (U32At(optional, kSizeOfHeadersAt) < plan.headersNeeded) {
    kvbytes::SetU32(optional, kSizeOfHeadersAt, static_cast<std::uint32_t>(plan.room));
  }

  std::string headers = nt + optional + dataDirectories;
  for (SectionHeader section : sectionHeaders) {
    if (section.sizeOfRawData != 0) section.pointerToRawData += static_cast<std::uint32_t>(plan.shift);
    PutSectionHeader(headers, section);
  }
  PutSectionHeader(headers, plan.added);
  return headers;
}

bool KVExeFile::AppendSection(const std::string& outputPath, const std::string& payloadPath,
                              const std::string& sectionName, std::uint32_t characteristics) {
  if (!loaded || sectionHeaders.empty() || sectionHeaders.size() >= kMaxSections || sectionName.size() > 8 ||
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
      !Plan(inputLength, payloadLength, plan)) {
    return false;
  }
  std::copy(sectionName.begin(), sectionName.end(), plan.added.name.begin());
  plan.added.characteristics = characteristics;

  // DOS header and stub as they are, the new headers, then the raw data and what follows it
  // (moved down by the shift), then the payload.
  kvbuild::OutputFile output(outputPath);
  return output.IsOpen() && kvplatform::SeekFile(input.get(), 0) &&
         output.CopyFrom(input.get(), U32At(dosHeader, kLfanewAt)) &&
         output.Write(AppendedHeaders(plan, inputLength)) && output.PadTo(plan.rawStart + plan.shift) &&
         kvplatform::SeekFile(input.get(), plan.rawStart) && output.CopyFrom(input.get(), inputLength - plan.rawStart) &&
         output.PadTo(plan.added.pointerToRawData) && output.CopyFrom(payload.get(), payloadLength) &&
         output.PadTo(plan.outputLength) && output.Commit();
}
