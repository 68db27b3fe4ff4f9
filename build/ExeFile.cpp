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
constexpr std::uint64_t kU32Max = std::numeric_limits<std::uint32_t>::max();

// No linker we meet aligns beyond 64 KiB; larger values only come from damaged headers and
// would have us write gigabytes of padding.
constexpr std::uint64_t kMaxAlignment = 0x10000;

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

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
  if (!kvbytes::FileLength(file.get(), length)) return false;
  auto readAt = [&](std::uint64_t at, std::uint64_t count, std::string& out) {
    return kvbytes::ReadAt(file.get(), length, at, count, out);
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
  std::vector<SectionHeader> sections(U16At(nt, kNumberOfSectionsAt));
  if (!readAt(tableAt, kSectionHeaderSize * sections.size(), table)) return false;
  const std::uint64_t tableEnd = tableAt + table.size();
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

bool KVExeFile::AppendSection(const std::string& outputPath, const std::string& payloadPath,
                              const std::string& sectionName, std::uint32_t characteristics) {
  if (!loaded || sectionHeaders.empty() || sectionName.size() > 8 || outputPath == path) return false;
  const std::uint64_t fileAlign = FileAlignment();
  const std::uint64_t sectAlign = SectionAlignment();
  if (!IsPowerOfTwo(fileAlign) || !IsPowerOfTwo(sectAlign) || fileAlign > sectAlign || sectAlign > kMaxAlignment) {
    return false;
  }

  File input(kvplatform::OpenFile(path, "rb"));
  File payload(kvplatform::OpenFile(payloadPath, "rb"));
  std::uint64_t inputLength = 0;
  std::uint64_t payloadLength = 0;
  if (!input || !payload || !kvbytes::FileLength(input.get(), inputLength) ||
      !kvbytes::FileLength(payload.get(), payloadLength) || payloadLength > kU32Max) {
    return false;
  }

  // Section raw data is copied as one block, from the first byte any section owns to the end
  // of the file: sections without raw data (uninitialised data) take no part, and whatever
  // follows the last section (a symbol table, say) is kept.
  std::uint64_t rawStart = inputLength;
  std::uint64_t virtualEnd = 0;
  std::uint64_t lowestAddress = kU32Max;
  for (const SectionHeader& section : sectionHeaders) {
    if (section.sizeOfRawData != 0) {
      const std::uint64_t rawEnd = std::uint64_t{section.pointerToRawData} + section.sizeOfRawData;
      if (rawEnd > inputLength) return false;
      rawStart = std::min<std::uint64_t>(rawStart, section.pointerToRawData);
    }
    const std::uint64_t extent = section.virtualSize != 0 ? section.virtualSize : section.sizeOfRawData;
    virtualEnd = std::max(virtualEnd, section.virtualAddress + extent);
    lowestAddress = std::min<std::uint64_t>(lowestAddress, section.virtualAddress);
  }

  // The headers with one more section header must still end before the first section in
  // memory; on disk the raw data moves down when the new header would overrun it.
  const std::uint64_t headersNeeded = std::uint64_t{headersEnd} + kSectionHeaderSize;
  if (headersNeeded > lowestAddress) return false;
  const std::uint64_t room = RoundUp(headersNeeded, fileAlign);
  const std::uint64_t shift = rawStart < room ? room - rawStart : 0;

  SectionHeader added;
  std::copy(sectionName.begin(), sectionName.end(), added.name.begin());
  const std::uint64_t newAddress = RoundUp(virtualEnd, sectAlign);
  const std::uint64_t newPointer = RoundUp(inputLength + shift, fileAlign);
  const std::uint64_t newRawSize = RoundUp(payloadLength, fileAlign);
  const std::uint64_t sizeOfImage = RoundUp(newAddress + payloadLength, sectAlign);
  const std::uint64_t outputLength = RoundUp(newPointer + payloadLength, sectAlign);
  if (sizeOfImage > kU32Max || outputLength > kU32Max) return false;
  added.virtualSize = static_cast<std::uint32_t>(payloadLength);
  added.virtualAddress = static_cast<std::uint32_t>(newAddress);
  added.sizeOfRawData = static_cast<std::uint32_t>(newRawSize);
  added.pointerToRawData = static_cast<std::uint32_t>(newPointer);
  added.characteristics = characteristics;

  std::string nt = ntHeader;
  kvbytes::SetU16(nt, kNumberOfSectionsAt, static_cast<std::uint16_t>(sectionHeaders.size() + 1));
  kvbytes::SetU32(nt, kTimeDateStampAt, static_cast<std::uint32_t>(std::time(nullptr)));
  const std::uint32_t symbolTable = U32At(nt, kPointerToSymbolTableAt);
  if (symbolTable != 0 && symbolTable >= rawStart && symbolTable <= inputLength) {
    kvbytes::SetU32(nt, kPointerToSymbolTableAt, static_cast<std::uint32_t>(symbolTable + shift));
  }

  std::string optional = optionalHeader;
  kvbytes::SetU32(optional, kSizeOfImageAt, static_cast<std::uint32_t>(sizeOfImage));
  if (U32At(optional, kSizeOfHeadersAt) < headersNeeded) {
    kvbytes::SetU32(optional, kSizeOfHeadersAt, static_cast<std::uint32_t>(room));
  }

  std::string table;
  for (SectionHeader section : sectionHeaders) {
    if (section.sizeOfRawData != 0) section.pointerToRawData += static_cast<std::uint32_t>(shift);
    PutSectionHeader(table, section);
  }
  PutSectionHeader(table, added);

  kvbuild::OutputFile output(outputPath);
  const std::uint64_t ntAt = U32At(dosHeader, kLfanewAt);
  return output.IsOpen() && kvbytes::SeekFile(input.get(), 0) && output.CopyFrom(input.get(), ntAt) &&
         output.Write(nt) && output.Write(optional) && output.Write(dataDirectories) && output.Write(table) &&
         output.PadTo(rawStart + shift) && kvbytes::SeekFile(input.get(), rawStart) &&
         output.CopyFrom(input.get(), inputLength - rawStart) && output.PadTo(newPointer) &&
         kvbytes::SeekFile(payload.get(), 0) && output.CopyFrom(payload.get(), payloadLength) &&
         output.PadTo(outputLength) && output.Commit();
}
