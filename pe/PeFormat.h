// The layout of a PE image's headers, as offsets inside each header and the values the
// readers and writers of this folder compare against. One place, so that the reader, the
// section appender and the resource writer cannot disagree about where a field is.
#pragma once

#include <cstdint>

namespace kvpe {

// DOS header.
constexpr std::uint16_t kDosMagic = 0x5A4D;  // "MZ"
constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kLfanewAt = 60;  // file offset of the NT headers

// NT headers: the signature, then the COFF file header. Offsets from the signature.
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint64_t kSignatureSize = 4;
constexpr std::uint64_t kMachineAt = 4;
constexpr std::uint64_t kNumberOfSectionsAt = 6;
constexpr std::uint64_t kTimeDateStampAt = 8;
constexpr std::uint64_t kPointerToSymbolTableAt = 12;
constexpr std::uint64_t kNumberOfSymbolsAt = 16;
constexpr std::uint64_t kSizeOfOptionalHeaderAt = 20;
constexpr std::uint64_t kFileCharacteristicsAt = 22;
constexpr std::uint64_t kNtHeadersSize = 24;  // signature and file header

// Machine codes.
constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kMachineArm64 = 0xAA64;

// File-header characteristics.
constexpr std::uint16_t kFileExecutable = 0x0002;
constexpr std::uint16_t kFileLargeAddressAware = 0x0020;
constexpr std::uint16_t kFileDll = 0x2000;

// Optional header. Offsets from its start; the fields up to SizeOfHeaders and CheckSum sit
// at the same places in PE32 and PE32+.
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint64_t kSizeOfInitializedDataAt = 8;
constexpr std::uint64_t kSectionAlignmentAt = 32;
constexpr std::uint64_t kFileAlignmentAt = 36;
constexpr std::uint64_t kSizeOfImageAt = 56;
constexpr std::uint64_t kSizeOfHeadersAt = 60;
constexpr std::uint64_t kCheckSumAt = 64;
constexpr std::uint64_t kNumberOfRvaAndSizesAt32 = 92;
constexpr std::uint64_t kNumberOfRvaAndSizesAt64 = 108;
// The optional header without its data directories, which follow it.
constexpr std::uint64_t kOptionalHeaderSize32 = 96;
constexpr std::uint64_t kOptionalHeaderSize64 = 112;

// Data directories: eight bytes each, RVA then size; indices of the ones we handle.
constexpr std::uint64_t kDataDirectorySize = 8;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kCertificateDirectory = 4;  // holds a file offset, not an RVA
constexpr std::uint32_t kRelocationDirectory = 5;
constexpr std::uint32_t kDebugDirectory = 6;

// Section table: forty bytes a section. Offsets inside one header.
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kSectionNameSize = 8;
constexpr std::uint64_t kSectionVirtualSizeAt = 8;
constexpr std::uint64_t kSectionVirtualAddressAt = 12;
constexpr std::uint64_t kSectionSizeOfRawDataAt = 16;
constexpr std::uint64_t kSectionPointerToRawDataAt = 20;
constexpr std::uint64_t kSectionRelocationsAt = 24;  // relocations and line numbers, 12 bytes
constexpr std::uint64_t kSectionCharacteristicsAt = 36;
constexpr std::uint64_t kMaxSections = 0xFFFF;  // NumberOfSections is 16 bits

// Section characteristics.
constexpr std::uint32_t kSectionCode = 0x00000020;
constexpr std::uint32_t kSectionInitializedData = 0x00000040;
constexpr std::uint32_t kSectionUninitializedData = 0x00000080;
constexpr std::uint32_t kSectionDiscardable = 0x02000000;
constexpr std::uint32_t kSectionExecute = 0x20000000;
constexpr std::uint32_t kSectionRead = 0x40000000;
constexpr std::uint32_t kSectionWrite = 0x80000000;

// Debug directory entries: AddressOfRawData (an RVA) and PointerToRawData (a file offset).
constexpr std::uint64_t kDebugEntrySize = 28;
constexpr std::uint64_t kDebugAddressOfRawDataAt = 20;
constexpr std::uint64_t kDebugPointerToRawDataAt = 24;

// Every header offset and size of an image is a 32-bit field.
constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;

}  // namespace kvpe
