// The checked PE header reader: a small image of headers only, read whole, and the same
// image damaged in the ways a reader must refuse without reading past the end.
#include "pe/PeHeaders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "common/ByteIO.h"

namespace {

constexpr std::uint32_t kNtAt = 0x40;
constexpr std::uint32_t kFileHeaderAt = kNtAt + 4;
constexpr std::uint32_t kOptionalAt = kNtAt + 24;

std::uint32_t OptionalSize(bool pe32) { return (pe32 ? 96 : 112) + 16 * 8; }
std::uint32_t TableAt(bool pe32) { return kOptionalAt + OptionalSize(pe32); }

void Put16(std::string& bytes, std::size_t at, std::uint16_t value) { kvbytes::SetU16(bytes, at, value); }
void Put32(std::string& bytes, std::size_t at, std::uint32_t value) { kvbytes::SetU32(bytes, at, value); }

// DOS header, NT headers with 16 directories and two section headers, ending with the table:
// every cut of it is a cut inside the headers.
std::string Headers(bool pe32) {
  std::string bytes(TableAt(pe32) + 2 * 40, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  Put32(bytes, 60, kNtAt);
  bytes.replace(kNtAt, 4, std::string("PE\0\0", 4));
  Put16(bytes, kFileHeaderAt, pe32 ? 0x14C : 0x8664);
  Put16(bytes, kFileHeaderAt + 2, 2);
  Put32(bytes, kFileHeaderAt + 8, 0x1234);  // PointerToSymbolTable
  Put16(bytes, kFileHeaderAt + 16, static_cast<std::uint16_t>(OptionalSize(pe32)));
  Put16(bytes, kFileHeaderAt + 18, 0x0002);
  Put16(bytes, kOptionalAt, pe32 ? 0x10B : 0x20B);
  Put32(bytes, kOptionalAt + 8, 0x600);    // SizeOfInitializedData
  Put32(bytes, kOptionalAt + 32, 0x1000);  // SectionAlignment
  Put32(bytes, kOptionalAt + 36, 0x200);   // FileAlignment
  Put32(bytes, kOptionalAt + 56, 0x3000);  // SizeOfImage
  Put32(bytes, kOptionalAt + 60, 0x400);   // SizeOfHeaders
  Put32(bytes, kOptionalAt + 64, 0xABCD);  // CheckSum
  Put32(bytes, kOptionalAt + (pe32 ? 92 : 108), 16);
  Put32(bytes, kOptionalAt + (pe32 ? 96 : 112) + 2 * 8, 0x2000);  // resources
  Put32(bytes, kOptionalAt + (pe32 ? 96 : 112) + 2 * 8 + 4, 0x123);
  const char* names[] = {".text", ".rsrc"};
  for (std::uint32_t i = 0; i < 2; ++i) {
    const std::size_t at = TableAt(pe32) + 40 * i;
    bytes.replace(at, 5, names[i]);
    Put32(bytes, at + 8, 0x100 + i);               // VirtualSize
    Put32(bytes, at + 12, 0x1000 * (i + 1));       // VirtualAddress
    Put32(bytes, at + 16, 0x200);                  // SizeOfRawData
    Put32(bytes, at + 20, 0x400 + 0x200 * i);      // PointerToRawData
    bytes[at + 24] = static_cast<char>(0x11 + i);  // relocations: kept as they are
    Put32(bytes, at + 36, 0x40000040);
  }
  return bytes;
}

std::string Name(const kvpe::SectionHeader& section) {
  const std::string raw(section.name.begin(), section.name.end());
  return raw.substr(0, raw.find('\0'));
}

TEST(PeHeaders, ReadsPe32AndPe32Plus) {
  for (const bool pe32 : {true, false}) {
    SCOPED_TRACE(pe32 ? "PE32" : "PE32+");
    const std::string bytes = Headers(pe32);
    kvpe::PeHeaders headers;
    ASSERT_TRUE(headers.Parse(bytes));
    EXPECT_EQ(headers.Is32(), pe32);
    EXPECT_EQ(headers.NtAt(), kNtAt);
    EXPECT_EQ(headers.OptionalAt(), kOptionalAt);
    EXPECT_EQ(headers.DirectoriesAt(), kOptionalAt + (pe32 ? 96u : 112u));
    EXPECT_EQ(headers.SectionTableAt(), TableAt(pe32));
    EXPECT_EQ(headers.HeadersEnd(), bytes.size());
    EXPECT_EQ(headers.File().machine, pe32 ? 0x14C : 0x8664);
    EXPECT_EQ(headers.File().pointerToSymbolTable, 0x1234u);
    EXPECT_EQ(headers.File().characteristics, 0x0002);
    EXPECT_EQ(headers.Optional().sizeOfInitializedData, 0x600u);
    EXPECT_EQ(headers.Optional().sectionAlignment, 0x1000u);
    EXPECT_EQ(headers.Optional().fileAlignment, 0x200u);
    EXPECT_EQ(headers.Optional().sizeOfImage, 0x3000u);
    EXPECT_EQ(headers.Optional().sizeOfHeaders, 0x400u);
    EXPECT_EQ(headers.Optional().checkSum, 0xABCDu);
    ASSERT_EQ(headers.Directories().size(), 16u);
    EXPECT_EQ(headers.Directories()[2].rva, 0x2000u);
    EXPECT_EQ(headers.Directories()[2].size, 0x123u);
    ASSERT_EQ(headers.Sections().size(), 2u);
    const kvpe::SectionHeader& rsrc = headers.Sections()[1];
    EXPECT_EQ(Name(rsrc), ".rsrc");
    EXPECT_TRUE(rsrc.NameIs(".rsrc"));
    EXPECT_FALSE(rsrc.NameIs(".rsr"));
    EXPECT_EQ(rsrc.virtualSize, 0x101u);
    EXPECT_EQ(rsrc.virtualAddress, 0x2000u);
    EXPECT_EQ(rsrc.pointerToRawData, 0x600u);
    EXPECT_EQ(rsrc.characteristics, 0x40000040u);
    // The raw headers and every section header written back give the bytes read.
    std::string table;
    for (const kvpe::SectionHeader& section : headers.Sections()) section.AppendTo(table);
    EXPECT_EQ(headers.Raw(), bytes.substr(kNtAt));
    EXPECT_EQ(table, bytes.substr(TableAt(pe32)));
  }
}

struct Fault {
  const char* name;
  std::function<void(std::string&, bool pe32)> apply;
};

const Fault kFaults[] = {
    {"empty", [](std::string& b, bool) { b.clear(); }},
    {"cut inside the DOS header", [](std::string& b, bool) { b.resize(63); }},
    {"not MZ", [](std::string& b, bool) { b[1] = 'X'; }},
    {"e_lfanew far past the end", [](std::string& b, bool) { Put32(b, 60, 0xFFFFFFF0); }},
    {"e_lfanew at the end", [](std::string& b, bool) { Put32(b, 60, static_cast<std::uint32_t>(b.size())); }},
    {"e_lfanew at the largest offset", [](std::string& b, bool) { Put32(b, 60, 0xFFFFFFFF); }},
    {"NT headers cut", [](std::string& b, bool) { Put32(b, 60, static_cast<std::uint32_t>(b.size() - 20)); }},
    {"no PE signature", [](std::string& b, bool) { b[kNtAt + 2] = 'X'; }},
    {"cut inside the file header", [](std::string& b, bool) { b.resize(kFileHeaderAt + 10); }},
    {"ROM optional-header magic", [](std::string& b, bool) { Put16(b, kOptionalAt, 0x107); }},
    {"SizeOfOptionalHeader 0", [](std::string& b, bool) { Put16(b, kFileHeaderAt + 16, 0); }},
    {"SizeOfOptionalHeader short of the fixed fields",
     [](std::string& b, bool pe32) { Put16(b, kFileHeaderAt + 16, pe32 ? 95 : 111); }},
    {"SizeOfOptionalHeader moves the table past the end",
     [](std::string& b, bool pe32) {
       Put16(b, kFileHeaderAt + 16, static_cast<std::uint16_t>(OptionalSize(pe32) + 8));
     }},
    {"SizeOfOptionalHeader 0xFFFF", [](std::string& b, bool) { Put16(b, kFileHeaderAt + 16, 0xFFFF); }},
    {"one section more than the table holds", [](std::string& b, bool) { Put16(b, kFileHeaderAt + 2, 3); }},
    {"NumberOfSections 0xFFFF", [](std::string& b, bool) { Put16(b, kFileHeaderAt + 2, 0xFFFF); }},
    {"cut inside the optional header", [](std::string& b, bool) { b.resize(kOptionalAt + 40); }},
    {"cut inside the data directories", [](std::string& b, bool pe32) { b.resize(TableAt(pe32) - 4); }},
    {"cut inside the section table", [](std::string& b, bool) { b.resize(b.size() - 1); }},
};

class PeHeadersRefuses : public testing::TestWithParam<Fault> {};

TEST_P(PeHeadersRefuses, DamagedHeaders) {
  for (const bool pe32 : {true, false}) {
    std::string bytes = Headers(pe32);
    GetParam().apply(bytes, pe32);
    kvpe::PeHeaders headers;
    ASSERT_TRUE(headers.Parse(Headers(pe32)));
    // Read from a copy that is exactly as long as the damaged image: AddressSanitizer
    // reports any read past its end.
    const std::string exact(bytes);
    EXPECT_FALSE(headers.Parse(exact)) << (pe32 ? "PE32" : "PE32+");
    // A failed read leaves nothing of the image read before it.
    EXPECT_TRUE(headers.Sections().empty());
    EXPECT_TRUE(headers.Directories().empty());
    EXPECT_TRUE(headers.Raw().empty());
    EXPECT_EQ(headers.HeadersEnd(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, PeHeadersRefuses, testing::ValuesIn(kFaults),
                         [](const testing::TestParamInfo<Fault>& info) {
                           std::string name;
                           for (const char c : std::string(info.param.name)) {
                             if (std::isalnum(static_cast<unsigned char>(c))) name.push_back(c);
                           }
                           return name;
                         });

TEST(PeHeaders, EveryCutInsideTheHeadersIsRefused) {
  for (const bool pe32 : {true, false}) {
    const std::string bytes = Headers(pe32);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      kvpe::PeHeaders headers;
      EXPECT_FALSE(headers.Parse(bytes.substr(0, size))) << size;
    }
  }
}

// The loader takes SizeOfOptionalHeader for where the table is and reads no more
// directories than fit before it; the reader does the same.
TEST(PeHeaders, SizeOfOptionalHeaderPlacesTheTableAndBoundsTheDirectories) {
  const struct {
    const char* name;
    std::uint32_t declaredDirectories;
    int sizeChange;  // to SizeOfOptionalHeader, the table moved along with it
    std::size_t directories;
  } cases[] = {
      {"more directories declared than fit", 0xFFFFFFFF, 0, 16},
      {"fewer directories declared", 5, 0, 5},
      {"room for 14 only", 16, -16, 14},
      {"padding after the directories", 16, 24, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = Headers(false);
    std::string table = bytes.substr(TableAt(false));
    bytes.resize(TableAt(false));
    Put32(bytes, kOptionalAt + 108, c.declaredDirectories);
    Put16(bytes, kFileHeaderAt + 16, static_cast<std::uint16_t>(OptionalSize(false) + c.sizeChange));
    bytes.resize(TableAt(false) + c.sizeChange, '\0');
    bytes += table;
    kvpe::PeHeaders headers;
    ASSERT_TRUE(headers.Parse(bytes));
    EXPECT_EQ(headers.Directories().size(), c.directories);
    EXPECT_EQ(headers.Optional().numberOfRvaAndSizes, c.declaredDirectories);
    EXPECT_EQ(headers.SectionTableAt(), TableAt(false) + c.sizeChange);
    ASSERT_EQ(headers.Sections().size(), 2u);
    EXPECT_EQ(Name(headers.Sections()[1]), ".rsrc");
  }
}

// A file served in pieces, as the section appender reads one: a sparse image of a given
// length whose bytes are zero except for the blocks placed in it. Records the furthest byte
// the reader asked for.
struct SparseImage {
  std::uint64_t length = 0;
  std::map<std::uint64_t, std::string> blocks;
  std::uint64_t furthest = 0;

  kvpe::PeHeaders::ReadAt Reader() {
    return [this](std::uint64_t at, std::uint64_t count, std::string& out) {
      if (at > length || count > length - at) return false;
      furthest = std::max(furthest, at + count);
      out.assign(static_cast<std::size_t>(count), '\0');
      for (const auto& [start, block] : blocks) {
        for (std::size_t i = 0; i < block.size(); ++i) {
          if (start + i >= at && start + i < at + count) out[static_cast<std::size_t>(start + i - at)] = block[i];
        }
      }
      return true;
    };
  }
};

TEST(PeHeaders, ReadsOnlyTheHeadersOfAFile) {
  const std::string headers = Headers(true);
  SparseImage file;
  file.length = 0x40000000;  // a gigabyte of sections and overlay after them
  file.blocks[0] = headers;
  kvpe::PeHeaders read;
  ASSERT_TRUE(read.Read(file.Reader()));
  EXPECT_EQ(file.furthest, headers.size());
  EXPECT_EQ(read.Sections().size(), 2u);
}

// Offsets are widened before they are added: headers that would end beyond 4 GiB are
// refused even where the file is that long, and nothing that large is asked for.
TEST(PeHeaders, HeadersEndingBeyondFourGigabytesAreRefused) {
  const std::string headers = Headers(false);
  const std::uint32_t ntAt = 0xFFFFFF00;
  SparseImage file;
  file.length = 0x180000000ull;
  file.blocks[0] = headers.substr(0, kNtAt);
  Put32(file.blocks[0], 60, ntAt);
  file.blocks[ntAt] = headers.substr(kNtAt);
  kvpe::PeHeaders read;
  EXPECT_FALSE(read.Read(file.Reader()));
  EXPECT_LE(file.furthest, std::uint64_t{ntAt} + headers.size());
}

}  // namespace
