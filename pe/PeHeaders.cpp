#include "pe/PeHeaders.h"

#include <algorithm>

#include "common/ByteIO.h"

namespace kvpe {

namespace {

using kvbytes::ByteReader;

// Where e_lfanew points, when the DOS header is all there and is one.
bool DosHeader(std::string_view dos, std::uint32_t& ntAt) {
  ByteReader reader(dos);
  std::uint16_t magic = 0;
  return dos.size() >= kDosHeaderSize && reader.u16(magic) && magic == kDosMagic && reader.seek(kLfanewAt) &&
         reader.u32(ntAt);
}

// The length of the headers from the NT signature on, as the file header declares them;
// false when not even the file header is there.
bool DeclaredSpan(std::string_view nt, std::uint64_t& span) {
  ByteReader reader(nt);
  std::uint16_t sectionCount = 0, optionalSize = 0;
  if (!reader.seek(kNumberOfSectionsAt) || !reader.u16(sectionCount) || !reader.seek(kSizeOfOptionalHeaderAt) ||
      !reader.u16(optionalSize))
    return false;
  span = kNtHeadersSize + optionalSize + kSectionHeaderSize * sectionCount;
  return true;
}

bool ReadSection(ByteReader& reader, SectionHeader& section) {
  return reader.bytes(section.name.data(), section.name.size()) && reader.u32(section.virtualSize) &&
         reader.u32(section.virtualAddress) && reader.u32(section.sizeOfRawData) &&
         reader.u32(section.pointerToRawData) &&
         reader.bytes(section.relocationsAndLineNumbers.data(), section.relocationsAndLineNumbers.size()) &&
         reader.u32(section.characteristics);
}

}  // namespace

bool SectionHeader::NameIs(std::string_view wanted) const {
  if (wanted.size() > name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char expected = i < wanted.size() ? wanted[i] : '\0';
    if (static_cast<char>(name[i]) != expected) return false;
  }
  return true;
}

void SectionHeader::SetName(std::string_view newName) {
  name.fill(0);
  std::copy_n(newName.begin(), std::min(newName.size(), name.size()), name.begin());
}

void SectionHeader::AppendTo(std::string& out) const {
  out.append(reinterpret_cast<const char*>(name.data()), name.size());
  kvbytes::PutU32(out, virtualSize);
  kvbytes::PutU32(out, virtualAddress);
  kvbytes::PutU32(out, sizeOfRawData);
  kvbytes::PutU32(out, pointerToRawData);
  out.append(reinterpret_cast<const char*>(relocationsAndLineNumbers.data()), relocationsAndLineNumbers.size());
  kvbytes::PutU32(out, characteristics);
}

std::uint64_t PeHeaders::DirectoriesAt() const {
  return OptionalAt() + (Is32() ? kOptionalHeaderSize32 : kOptionalHeaderSize64);
}

void PeHeaders::Clear() {
  ntAt = 0;
  headersEnd = 0;
  file = FileHeader();
  optional = OptionalHeader();
  directories.clear();
  sections.clear();
  raw.clear();
}

bool PeHeaders::Parse(std::string_view image) {
  return Read([image](std::uint64_t at, std::uint64_t count, std::string& out) {
    std::string_view slice;
    if (!ByteReader::slice(image, at, count, slice)) return false;
    out.assign(slice);
    return true;
  });
}

bool PeHeaders::Read(const ReadAt& readAt) {
  Clear();
  // Three reads: the DOS header, the file header that sizes the rest, and the rest.
  std::string dos, fileHeader, headers;
  std::uint32_t at = 0;
  std::uint64_t span = 0;
  if (!readAt(0, kDosHeaderSize, dos) || !DosHeader(dos, at) || !readAt(at, kNtHeadersSize, fileHeader) ||
      !DeclaredSpan(fileHeader, span) || !readAt(at, span, headers) || !ParseNt(at, headers)) {
    Clear();
    return false;
  }
  return true;
}

bool PeHeaders::ParseNt(std::uint32_t at, std::string_view headers) {
  ByteReader reader(headers);
  std::uint32_t signature = 0;
  std::uint64_t span = 0;
  if (!reader.u32(signature) || signature != kPeSignature || !DeclaredSpan(headers, span)) return false;
  // Every declared header must be there before any of it is read, and the table must end
  // where 32-bit header fields can point.
  if (span > headers.size() || at + span > kMax32) return false;
  if (!reader.u16(file.machine) || !reader.u16(file.numberOfSections) || !reader.u32(file.timeDateStamp) ||
      !reader.u32(file.pointerToSymbolTable) || !reader.u32(file.numberOfSymbols) ||
      !reader.u16(file.sizeOfOptionalHeader) || !reader.u16(file.characteristics) || !reader.u16(optional.magic))
    return false;
  std::uint64_t fixedSize = 0;
  if (optional.magic == kPe32Magic) {
    fixedSize = kOptionalHeaderSize32;
  } else if (optional.magic == kPe32PlusMagic) {
    fixedSize = kOptionalHeaderSize64;
  } else {
    return false;
  }
  // The loader finds the section table through SizeOfOptionalHeader: one that does not even
  // cover the fixed fields makes the table overlap them.
  if (file.sizeOfOptionalHeader < fixedSize) return false;
  const auto fieldAt = [&](std::uint64_t offset, std::uint32_t& value) {
    return reader.seek(kNtHeadersSize + offset) && reader.u32(value);
  };
  if (!fieldAt(kSizeOfInitializedDataAt, optional.sizeOfInitializedData) ||
      !fieldAt(kSectionAlignmentAt, optional.sectionAlignment) || !fieldAt(kFileAlignmentAt, optional.fileAlignment) ||
      !fieldAt(kSizeOfImageAt, optional.sizeOfImage) || !fieldAt(kSizeOfHeadersAt, optional.sizeOfHeaders) ||
      !fieldAt(kCheckSumAt, optional.checkSum) ||
      !fieldAt(fixedSize == kOptionalHeaderSize32 ? kNumberOfRvaAndSizesAt32 : kNumberOfRvaAndSizesAt64,
               optional.numberOfRvaAndSizes))
    return false;

  const std::uint64_t room = (file.sizeOfOptionalHeader - fixedSize) / kDataDirectorySize;
  directories.resize(static_cast<std::size_t>(std::min<std::uint64_t>(optional.numberOfRvaAndSizes, room)));
  for (DataDirectory& directory : directories) {
    if (!reader.u32(directory.rva) || !reader.u32(directory.size)) return false;
  }
  if (!reader.seek(kNtHeadersSize + std::uint64_t{file.sizeOfOptionalHeader})) return false;
  sections.resize(file.numberOfSections);
  for (SectionHeader& section : sections) {
    if (!ReadSection(reader, section)) return false;
  }
  ntAt = at;
  headersEnd = static_cast<std::uint32_t>(at + span);
  raw.assign(headers.substr(0, static_cast<std::size_t>(span)));
  return true;
}

}  // namespace kvpe
