// The PE resource writer: the tree model (ResourceSection), its placement in an image
// (ResourceImage) and, on POSIX, the resource-update wrapper built on them. Images come from
// PeFixture with a real resource tree and base relocations; results are read back by pefile
// (python3-pefile), an independent reader, when this machine has it.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pe/ResourceImage.h"
#include "pe/ResourceSection.h"
#include "platform/ResourceUpdate.h"
#include "tests/build/PeFixture.h"
#include "tests/common/TempFolder.h"

using kvpe::ResourceImage;
using kvpe::ResourceSection;
using kvtest::TempFolder;
using Key = ResourceSection::Key;

namespace {

constexpr std::uint16_t kManifest = 24;
constexpr std::uint16_t kBitmap = 2;
constexpr std::uint16_t kRcData = 10;  // opaque bytes to pefile, which parses RT_VERSION

std::string Bytes(std::size_t count, char seed) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>(seed + i * 7));
  return bytes;
}

const std::string kManifestText =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<assembly "
    "xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"/>\r\n";

// The resources every test image starts with: a manifest, and a string table in two
// languages, one of them not 1033.
ResourceSection StartingResources() {
  ResourceSection resources;
  resources.Set(Key::Id(kManifest), Key::Id(1), 1033, kManifestText);
  resources.Set(Key::Id(6), Key::Id(7), 1033, Bytes(33, 'e'));
  resources.Set(Key::Id(6), Key::Id(7), 1031, Bytes(35, 'd'));
  return resources;
}

struct ImageOptions {
  bool is32 = false;
  bool withResources = true;
  bool dataAfterResources = false;  // a writable, not discardable section after .rsrc
  std::uint32_t checkSum = 0;
  std::string overlay;
};

// .text, .rsrc (0x400 raw bytes) and .reloc, in that order in the file and in memory, as
// mingw lays out a stripped program; the relocations describe one page of .text.
std::string MakeImage(const ImageOptions& options) {
  kvtest::PeFixture fixture;
  fixture.is32 = options.is32;
  const auto add = [&fixture](const char* name, std::uint32_t rva, std::uint32_t raw, char fill) {
    kvtest::PeFixtureSection section;
    section.name = name;
    section.virtualAddress = rva;
    section.sizeOfRawData = raw;
    section.virtualSize = raw - 0x10;
    section.fill = fill;
    fixture.sections.push_back(section);
  };
  add(".text", 0x1000, 0x200, 't');
  std::uint32_t rva = 0x2000;
  if (options.withResources) {
    add(".rsrc", rva, 0x400, 'r');
    rva += 0x1000;
  }
  if (options.dataAfterResources) {
    add(".data", rva, 0x200, 'd');
    rva += 0x1000;
  }
  add(".reloc", rva, 0x200, 'l');
  fixture.LayOutRawData(0x400);
  fixture.trailer = options.overlay;
  std::string bytes = fixture.Bytes();
  const kvtest::ParsedPe parsed = kvtest::ParsePe(bytes);
  const std::size_t optional = parsed.lfanew + 24;
  const std::size_t directories = optional + fixture.OptionalHeaderSize();
  kvtest::SetLeU32(bytes, directories + 8 * 8, 0);  // no global pointer
  if (options.checkSum) kvtest::SetLeU32(bytes, optional + 64, options.checkSum);
  for (std::size_t i = 0; i < parsed.sections.size(); ++i) {
    const kvtest::ParsedSection& section = parsed.sections[i];
    const std::size_t header = parsed.sectionTableAt + 40 * i;
    if (section.name == ".text") kvtest::SetLeU32(bytes, header + 36, 0x60000020);
    if (section.name == ".data") kvtest::SetLeU32(bytes, header + 36, 0xC0000040);
    if (section.name == ".reloc") {
      kvtest::SetLeU32(bytes, header + 36, 0x42000040);
      kvtest::SetLeU32(bytes, header + 8, 12);
      std::string block;
      for (std::uint32_t v : {0x1000u, 12u}) block += std::string(reinterpret_cast<const char*>(&v), 4);
      block += std::string("\x10\xA0\x00\x00", 4);
      bytes.replace(section.pointerToRawData, block.size(), block);
      kvtest::SetLeU32(bytes, directories + 5 * 8, section.virtualAddress);
      kvtest::SetLeU32(bytes, directories + 5 * 8 + 4, 12);
    }
    if (section.name == ".rsrc") {
      std::string tree;
      EXPECT_TRUE(StartingResources().Build(section.virtualAddress, tree));
      EXPECT_LE(tree.size(), section.sizeOfRawData);
      bytes.replace(section.pointerToRawData, section.sizeOfRawData, tree + std::string(0x400 - tree.size(), '\0'));
      kvtest::SetLeU32(bytes, header + 8, static_cast<std::uint32_t>(tree.size()));
      kvtest::SetLeU32(bytes, directories + 2 * 8, section.virtualAddress);
      kvtest::SetLeU32(bytes, directories + 2 * 8 + 4, static_cast<std::uint32_t>(tree.size()));
    }
  }
  return bytes;
}

// ---------------------------------------------------------------------------------------
// pefile, run as a separate program.

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool RunCommand(const std::string& command, std::string& output) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return false;
  output.clear();
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  return pclose(pipe) == 0;
}

const char kListing[] = R"(import sys, hashlib, pefile
pe = pefile.PE(sys.argv[1])
def key(e):
    return ("'%s'" % str(e.name)) if e.name is not None else "%d" % e.id
oh = pe.OPTIONAL_HEADER
print("image size %x init %x checksum %s" % (oh.SizeOfImage, oh.SizeOfInitializedData,
      "zero" if oh.CheckSum == 0 else ("ok" if pe.verify_checksum() else "bad")))
for s in pe.sections:
    print("section %s va %x vs %x raw %x at %x flags %x" % (s.Name.rstrip(b"\0").decode("latin-1"),
          s.VirtualAddress, s.Misc_VirtualSize, s.SizeOfRawData, s.PointerToRawData, s.Characteristics))
for i, d in enumerate(oh.DATA_DIRECTORY):
    if d.VirtualAddress or d.Size:
        print("directory %d %x %x" % (i, d.VirtualAddress, d.Size))
for b in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", []):
    print("relocations page %x entries %d" % (b.struct.VirtualAddress, len(b.entries)))
resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
for t in (resources.entries if resources else []):
    for n in t.directory.entries:
        for l in n.directory.entries:
            d = l.data.struct
            data = pe.get_data(d.OffsetToData, d.Size)
            print("resource %s %s %d size %d sha %s" % (key(t), key(n), l.id, d.Size,
                  hashlib.sha256(data).hexdigest()[:16]))
for w in pe.get_warnings():
    print("warning " + w.replace("\n", " "))
)";

// pefile's listing of the image, or nothing when there is no python3 with pefile.
bool Pefile(const std::string& path, std::vector<std::string>& lines) {
  TempFolder scripts;
  const std::string script = scripts / "listing.py";
  TempFolder::Write(script, kListing);
  std::string output;
  bool ran = false;
  for (const char* python : {"python3", "/usr/bin/python3"}) {
    if (RunCommand(std::string(python) + " " + Quote(script) + " " + Quote(path), output)) {
      ran = true;
      break;
    }
  }
  if (!ran) return false;
  lines.clear();
  std::istringstream stream(output);
  std::string line;
  while (std::getline(stream, line)) lines.push_back(line);
  return true;
}

std::vector<std::string> Matching(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& line : lines) {
    if (line.rfind(prefix, 0) == 0) found.push_back(line);
  }
  return found;
}

std::string Sha(const std::string& bytes) {
  TempFolder temp;
  TempFolder::Write(temp / "data", bytes);
  std::string output;
  if (!RunCommand("sha256sum " + Quote(temp / "data"), output)) return "?";
  return output.substr(0, 16);
}

// The resource lines pefile must print for resources, in directory order.
std::vector<std::string> Expected(const ResourceSection& resources) {
  std::vector<std::string> lines;
  const auto key = [](const Key& k) {
    return k.isName ? "'" + std::string(k.name.begin(), k.name.end()) + "'" : std::to_string(k.id);
  };
  for (const ResourceSection::Entry& entry : resources.Entries()) {
    lines.push_back("resource " + key(entry.type) + " " + key(entry.name) + " " + std::to_string(entry.language) +
                    " size " + std::to_string(entry.data.size()) + " sha " + Sha(entry.data));
  }
  return lines;
}

bool Stamp(const std::string& path, const std::vector<std::pair<std::pair<kvplatform::ResourceId, kvplatform::ResourceId>, std::string>>& stamps) {
  kvplatform::ResourceUpdate update = kvplatform::BeginResourceUpdate(path);
  if (!update) return false;
  for (const auto& stamp : stamps) {
    if (!kvplatform::UpdateResourceEntry(update, stamp.first.first, stamp.first.second, stamp.second.data(),
                                         static_cast<std::uint32_t>(stamp.second.size())))
      return false;
  }
  return kvplatform::EndResourceUpdate(update, false);
}

// ---------------------------------------------------------------------------------------
// The tree model.

TEST(ResourceSection, BuildsInDirectoryOrderAndReadsBack) {
  ResourceSection resources;
  resources.Set(Key::Id(kRcData), Key::Id(300), 1033, "three hundred");
  resources.Set(Key::Id(kBitmap), Key::Name(u"logo.bmp"), 1033, Bytes(5, 'b'));
  resources.Set(Key::Name(u"KV_DATA"), Key::Id(111), 1033, "kv");
  resources.Set(Key::Id(kRcData), Key::Id(2), 1031, "zwei");
  resources.Set(Key::Id(kRcData), Key::Id(2), 1033, "two");
  resources.Set(Key::Id(kBitmap), Key::Name(u"Banner.bmp"), 1033, Bytes(6, 'c'));
  resources.Set(Key::Id(kRcData), Key::Id(2), 1033, "two again");  // replaces
  ASSERT_EQ(resources.Entries().size(), 6u);

  std::string tree;
  ASSERT_TRUE(resources.Build(0x5000, tree));
  // Named types first, then ids ascending; in a type, named entries sorted, then ids.
  ResourceSection read;
  ASSERT_TRUE(read.ReadTree(tree));
  std::vector<std::string> order;
  for (const ResourceSection::Entry& entry : read.Entries()) {
    std::string text = entry.type.isName ? std::string(entry.type.name.begin(), entry.type.name.end())
                                         : std::to_string(entry.type.id);
    text += "/" + (entry.name.isName ? std::string(entry.name.name.begin(), entry.name.name.end())
                                     : std::to_string(entry.name.id));
    text += "/" + std::to_string(entry.language);
    order.push_back(text);
    ASSERT_GE(entry.dataRva, 0x5000u);
    EXPECT_EQ(tree.substr(entry.dataRva - 0x5000, entry.size), resources.Find(entry.type, entry.name, entry.language)->data);
    EXPECT_EQ((entry.dataRva - 0x5000) % 4, 0u);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"KV_DATA/111/1033", "2/Banner.bmp/1033", "2/logo.bmp/1033",
                                             "10/2/1031", "10/2/1033", "10/300/1033"}));
  // The root: one named and two id entries, version 4 as Wine writes it.
  EXPECT_EQ(kvtest::LeU16(tree, 8), 4);
  EXPECT_EQ(kvtest::LeU16(tree, 12), 1);
  EXPECT_EQ(kvtest::LeU16(tree, 14), 2);
  // Padding after data that does not end on 4 bytes is Wine's pattern.
  EXPECT_EQ(tree.substr(tree.size() - 3), "PAD");  // "three hundred": 13 bytes
}

TEST(ResourceSection, DamagedTreesAreRefused) {
  ResourceSection resources = StartingResources();
  resources.Set(Key::Id(kBitmap), Key::Name(u"logo.bmp"), 1033, "bmp");
  std::string tree;
  ASSERT_TRUE(resources.Build(0x1000, tree));
  ResourceSection read;
  // Cut anywhere before the data: every structure must be whole.
  const std::uint32_t firstData = [&] {
    ResourceSection whole;
    EXPECT_TRUE(whole.ReadTree(tree));
    std::uint32_t first = 0xFFFFFFFF;
    for (const auto& entry : whole.Entries()) first = std::min(first, entry.dataRva - 0x1000);
    return first;
  }();
  // (the string block's zero padding, at most 3 bytes before the data, may go).
  for (std::uint32_t size = 0; size + 3 < firstData; ++size) {
    EXPECT_FALSE(read.ReadTree(std::string_view(tree).substr(0, size))) << size;
  }
  // A subdirectory pointing back at the root: a loop.
  std::string loop = tree;
  kvtest::SetLeU32(loop, 16 + 4, 0x80000000u);
  EXPECT_FALSE(read.ReadTree(loop));
  // Absurd counts.
  std::string counts = tree;
  kvtest::SetLeU16(counts, 14, 0xFFFF);
  EXPECT_FALSE(read.ReadTree(counts));
  // A data entry where a directory belongs.
  std::string flat = tree;
  kvtest::SetLeU32(flat, 16 + 4, kvtest::LeU32(flat, 16 + 4) & 0x7FFFFFFF);
  EXPECT_FALSE(read.ReadTree(flat));
  // A name outside the tree.
  std::string name = tree;
  const std::uint32_t nameDirectory = kvtest::LeU32(tree, 16 + 4) & 0x7FFFFFFF;  // type 2's names
  kvtest::SetLeU32(name, nameDirectory + 16, 0x80000000u | 0x7FFFFFF0u);
  EXPECT_FALSE(read.ReadTree(name));
  // The same type twice, sharing its name directory.
  std::string twice = tree;
  kvtest::SetLeU32(twice, 16 + 8, kvtest::LeU32(twice, 16));
  kvtest::SetLeU32(twice, 16 + 12, kvtest::LeU32(twice, 16 + 4));
  EXPECT_FALSE(read.ReadTree(twice));
  // And the original still reads.
  EXPECT_TRUE(read.ReadTree(tree));
}

// An empty resource whose data comes last starts where the section's raw data ends; the
// image written with it must read back, the empty resource included.
TEST(ResourceSection, AnEmptyResourceAtTheEndOfTheRawDataReadsBack) {
  const std::string bytes = MakeImage(ImageOptions());
  ResourceImage image;
  ASSERT_TRUE(image.Parse(bytes));
  constexpr std::uint16_t kLastType = 100;  // sorts after every other type, so its data is last
  ResourceSection resources = StartingResources();
  resources.Set(Key::Id(kLastType), Key::Id(1), 1033, "");
  // Padding of one more resource makes the tree fill the section's 0x400 raw bytes exactly.
  std::string tree;
  for (std::size_t padding = 0; tree.size() != 0x400; padding += 4) {
    resources.Set(Key::Id(kRcData), Key::Id(1), 1033, Bytes(padding, 'p'));
    ASSERT_TRUE(resources.Build(0x2000, tree));
    ASSERT_LE(tree.size(), 0x400u);
  }
  std::string rebuilt;
  ASSERT_TRUE(image.Rebuild(resources, rebuilt));
  ResourceImage again;
  ResourceSection read;
  ASSERT_TRUE(again.Parse(rebuilt));
  ASSERT_TRUE(again.ReadResources(read));
  const ResourceSection::Entry* empty = read.Find(Key::Id(kLastType), Key::Id(1), 1033);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->dataRva, 0x2000u + 0x400u);
  EXPECT_TRUE(empty->data.empty());
  EXPECT_EQ(read.Entries().size(), resources.Entries().size());
}

// ---------------------------------------------------------------------------------------
// Images.

class ResourceWriter : public testing::TestWithParam<bool> {
protected:
  std::string Write(const ImageOptions& options) {
    TempFolder::Write(path, MakeImage(options));
    return TempFolder::Read(path);
  }
  std::vector<std::string> Listing() {
    std::vector<std::string> lines;
    if (!Pefile(path, lines)) return {};
    // The fixture's sections are filled with one byte each, which pefile remarks on.
    for (const std::string& warning : Matching(lines, "warning")) {
      if (warning.find("makes up") == std::string::npos) ADD_FAILURE() << warning;
    }
    return lines;
  }
  ResourceSection ReadBack() {
    const std::string bytes = TempFolder::Read(path);
    ResourceImage image;
    ResourceSection resources;
    EXPECT_TRUE(image.Parse(bytes));
    EXPECT_TRUE(image.ReadResources(resources));
    return resources;
  }

  TempFolder temp;
  const std::string path = temp / "program.exe";
};

TEST_P(ResourceWriter, SmallStampIsWrittenInPlace) {
  ImageOptions options;
  options.is32 = GetParam();
  options.overlay = "overlay bytes at the end";
  const std::string before = Write(options);
  const std::string version = Bytes(92, 'v');
  ASSERT_TRUE(kvplatform::UpdateSingleResource(path, kRcData, 1, version.data(), 92));
  const std::string after = TempFolder::Read(path);
  ASSERT_EQ(after.size(), before.size());
  const kvtest::ParsedPe a = kvtest::ParsePe(before), b = kvtest::ParsePe(after);
  ASSERT_EQ(b.sections.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(b.sections[i].virtualAddress, a.sections[i].virtualAddress);
    EXPECT_EQ(b.sections[i].pointerToRawData, a.sections[i].pointerToRawData);
    EXPECT_EQ(b.sections[i].sizeOfRawData, a.sections[i].sizeOfRawData);
  }
  // Only the resource section and its headers changed.
  EXPECT_EQ(after.substr(0x600 + 0x400), before.substr(0x600 + 0x400));
  EXPECT_EQ(after.substr(0x400, 0x200), before.substr(0x400, 0x200));
  ResourceSection expected = StartingResources();
  expected.Set(Key::Id(kRcData), Key::Id(1), 1033, version);
  const ResourceSection read = ReadBack();
  ASSERT_EQ(read.Entries().size(), expected.Entries().size());
  const std::vector<std::string> lines = Listing();
  if (lines.empty()) GTEST_SKIP() << "no python3 with pefile here";
  EXPECT_EQ(Matching(lines, "resource"), Expected(expected));
  EXPECT_EQ(Matching(lines, "relocations"), std::vector<std::string>{"relocations page 1000 entries 2"});
}

TEST_P(ResourceWriter, GrowthMovesTheRelocationsAndTheOverlay) {
  ImageOptions options;
  options.is32 = GetParam();
  options.overlay = "overlay: kept after the moved sections";
  options.checkSum = 0x1234;
  const std::string before = Write(options);
  const std::string bitmap = Bytes(5001, 'B');
  const std::string version = Bytes(92, 'v');
  ASSERT_TRUE(Stamp(path, {{{kBitmap, "logo.bmp"}, bitmap}, {{kRcData, 1}, version}}));
  const std::string after = TempFolder::Read(path);
  const kvtest::ParsedPe b = kvtest::ParsePe(after);
  ASSERT_EQ(b.sections.size(), 3u);
  const kvtest::ParsedSection& rsrc = b.sections[1];
  const kvtest::ParsedSection& reloc = b.sections[2];
  EXPECT_EQ(rsrc.pointerToRawData, 0x600u);
  EXPECT_EQ(rsrc.sizeOfRawData % 0x200, 0u);
  EXPECT_GE(rsrc.sizeOfRawData, 5001u + 92u + kManifestText.size());
  EXPECT_EQ(reloc.pointerToRawData, rsrc.pointerToRawData + rsrc.sizeOfRawData);
  EXPECT_EQ(reloc.virtualAddress % 0x1000, 0u);
  EXPECT_GE(reloc.virtualAddress, rsrc.virtualAddress + rsrc.virtualSize);
  EXPECT_EQ(b.sizeOfImage, reloc.virtualAddress + 0x1000);
  // The relocations' bytes moved whole; the overlay follows them.
  EXPECT_EQ(after.substr(reloc.pointerToRawData, 0x200), before.substr(0xA00, 0x200));
  EXPECT_EQ(after.size(), reloc.pointerToRawData + 0x200 + options.overlay.size());
  EXPECT_EQ(after.substr(after.size() - options.overlay.size()), options.overlay);

  ResourceSection expected = StartingResources();
  expected.Set(Key::Id(kBitmap), Key::Name(u"LOGO.BMP"), 1033, bitmap);
  expected.Set(Key::Id(kRcData), Key::Id(1), 1033, version);
  EXPECT_EQ(ReadBack().Entries().size(), expected.Entries().size());
  const std::vector<std::string> lines = Listing();
  if (lines.empty()) GTEST_SKIP() << "no python3 with pefile here";
  EXPECT_EQ(Matching(lines, "resource"), Expected(expected));
  // pefile follows the moved relocation directory to the same block.
  EXPECT_EQ(Matching(lines, "relocations"), std::vector<std::string>{"relocations page 1000 entries 2"});
  ASSERT_FALSE(Matching(lines, "image").empty());
  EXPECT_NE(Matching(lines, "image")[0].find("checksum ok"), std::string::npos) << Matching(lines, "image")[0];
}

TEST_P(ResourceWriter, RepeatedStampsDoNotGrowTheFile) {
  ImageOptions options;
  options.is32 = GetParam();
  Write(options);
  const std::string bitmap = Bytes(3000, 'x');
  ASSERT_TRUE(Stamp(path, {{{kBitmap, "logo.bmp"}, bitmap}}));
  const std::string first = TempFolder::Read(path);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(Stamp(path, {{{kBitmap, "logo.bmp"}, bitmap}}));
  EXPECT_EQ(TempFolder::Read(path), first);
  // A smaller one later fits in place too.
  ASSERT_TRUE(Stamp(path, {{{kBitmap, "logo.bmp"}, "small"}}));
  EXPECT_EQ(TempFolder::Read(path).size(), first.size());
  const ResourceSection read = ReadBack();
  const ResourceSection::Entry* small = read.Find(Key::Id(kBitmap), Key::Name(u"LOGO.BMP"), 1033);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->data, "small");
}

// The Windows loader refuses an image with a gap between sections in memory, so a rewrite
// that needs less room must not shrink the section's virtual size across a page.
TEST_P(ResourceWriter, SectionsStayContiguousInMemoryAsStampsGrowAndShrink) {
  ImageOptions options;
  options.is32 = GetParam();
  Write(options);
  for (const std::size_t size : {5000u, 5u, 9000u, 100u, 4096u, 1u}) {
    SCOPED_TRACE(size);
    ASSERT_TRUE(Stamp(path, {{{kBitmap, "logo.bmp"}, Bytes(size, 'c')}}));
    const kvtest::ParsedPe pe = kvtest::ParsePe(TempFolder::Read(path));
    ASSERT_EQ(pe.sections.size(), 3u);
    for (std::size_t i = 1; i < pe.sections.size(); ++i) {
      const kvtest::ParsedSection& previous = pe.sections[i - 1];
      const std::uint32_t span = (previous.virtualSize + 0xFFFu) / 0x1000u * 0x1000u;
      EXPECT_EQ(pe.sections[i].virtualAddress, previous.virtualAddress + span) << pe.sections[i].name;
    }
    EXPECT_EQ(pe.sizeOfImage, pe.sections.back().virtualAddress + 0x1000u);
    const ResourceSection::Entry* stamped = ReadBack().Find(Key::Id(kBitmap), Key::Name(u"LOGO.BMP"), 1033);
    ASSERT_NE(stamped, nullptr);
    EXPECT_EQ(stamped->data.size(), size);
  }
}

TEST_P(ResourceWriter, ImageWithoutResourcesGetsASection) {
  ImageOptions options;
  options.is32 = GetParam();
  options.withResources = false;
  options.overlay = "tail";
  const std::string before = Write(options);
  const std::string version = Bytes(92, 'v');
  ASSERT_TRUE(kvplatform::UpdateSingleResource(path, kRcData, 1, version.data(), 92));
  const std::string after = TempFolder::Read(path);
  const kvtest::ParsedPe b = kvtest::ParsePe(after);
  ASSERT_EQ(b.sections.size(), 3u);
  EXPECT_EQ(b.sections[2].name, ".rsrc");
  EXPECT_EQ(b.sections[2].virtualAddress, 0x3000u);
  EXPECT_EQ(b.sections[2].pointerToRawData, 0x800u);
  EXPECT_EQ(b.sections[2].characteristics, 0x40000040u);
  EXPECT_EQ(b.sizeOfImage, 0x4000u);
  EXPECT_EQ(after.substr(0, 0x800).substr(0x400), before.substr(0x400, 0x400));
  EXPECT_EQ(after.substr(after.size() - 4), "tail");
  const std::vector<std::string> lines = Listing();
  if (lines.empty()) GTEST_SKIP() << "no python3 with pefile here";
  ResourceSection expected;
  expected.Set(Key::Id(kRcData), Key::Id(1), 1033, version);
  EXPECT_EQ(Matching(lines, "resource"), Expected(expected));
}

TEST_P(ResourceWriter, WhatCannotBeMovedSafelyIsRefused) {
  ImageOptions options;
  options.is32 = GetParam();
  options.dataAfterResources = true;
  const std::string before = Write(options);
  // A small stamp fits in place: nothing moves, so this works.
  ASSERT_TRUE(kvplatform::UpdateSingleResource(path, kRcData, 1, "small", 5));
  const std::string stamped = TempFolder::Read(path);
  EXPECT_EQ(stamped.size(), before.size());
  // Growing would move .data, whose contents the code addresses by RVA.
  const std::string big = Bytes(8000, 'q');
  EXPECT_FALSE(kvplatform::UpdateSingleResource(path, kRcData, 2, big.data(), 8000));
  EXPECT_EQ(TempFolder::Read(path), stamped);
}

// A debug directory longer than the raw data of the section holding it: its entries would be
// read from, and rewritten into, whatever follows, the new resources among it.
TEST_P(ResourceWriter, ADebugDirectoryPastItsSectionIsRefused) {
  ImageOptions options;
  options.is32 = GetParam();
  options.withResources = false;
  std::string bytes = MakeImage(options);
  const kvtest::ParsedPe parsed = kvtest::ParsePe(bytes);
  const std::size_t debugDirectory = parsed.lfanew + 24 + (options.is32 ? 96 : 112) + 6 * 8;
  kvtest::SetLeU32(bytes, debugDirectory, 0x1000);  // in .text, whose raw data is 0x200 bytes
  kvtest::SetLeU32(bytes, debugDirectory + 4, 0x800);
  TempFolder::Write(path, bytes);
  const std::string data = Bytes(2048, 'd');
  EXPECT_FALSE(kvplatform::UpdateSingleResource(path, kRcData, 1, data.data(), 2048));
  EXPECT_EQ(TempFolder::Read(path), bytes);
}

TEST_P(ResourceWriter, DamagedImagesAreLeftAlone) {
  ImageOptions options;
  options.is32 = GetParam();
  std::string bytes = MakeImage(options);
  // The root's first type entry pointing at the root again.
  std::string loop = bytes;
  kvtest::SetLeU32(loop, 0x600 + 16 + 4, 0x80000000u);
  // A data entry pointing outside the image.
  std::string outside = bytes;
  {
    ResourceSection tree;
    ASSERT_TRUE(tree.ReadTree(std::string_view(bytes).substr(0x600, 0x400)));
    std::size_t at = bytes.find(std::string(reinterpret_cast<const char*>(&tree.Entries()[0].dataRva), 4), 0x600);
    ASSERT_NE(at, std::string::npos);
    kvtest::SetLeU32(outside, at, 0x7FFFFF00);
  }
  for (const std::string& damaged : {loop, outside, bytes.substr(0, 0x700)}) {
    TempFolder::Write(path, damaged);
    EXPECT_FALSE(kvplatform::UpdateSingleResource(path, kRcData, 1, "x", 1));
    EXPECT_EQ(TempFolder::Read(path), damaged);
  }
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, ResourceWriter, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Pe32" : "Pe32Plus"; });

// An image of headers alone that claims no memory at all: the new section still comes after
// the headers' page, never at RVA 0, where the resource directory would read as absent.
TEST(ResourceSection, HeadersOnlyImageGetsItsSectionAfterTheHeaders) {
  kvtest::PeFixture fixture;
  std::string bytes = fixture.Bytes();
  const kvtest::ParsedPe parsed = kvtest::ParsePe(bytes);
  kvtest::SetLeU32(bytes, parsed.lfanew + 24 + 56, 0);  // SizeOfImage
  ResourceImage image;
  ASSERT_TRUE(image.Parse(bytes));
  ResourceSection resources;
  resources.Set(Key::Id(kRcData), Key::Name(u"LOGO.BMP"), 1033, std::string(1087, 'x'));
  std::string rebuilt;
  ASSERT_TRUE(image.Rebuild(resources, rebuilt));
  const kvtest::ParsedPe after = kvtest::ParsePe(rebuilt);
  ASSERT_EQ(after.sections.size(), 1u);
  EXPECT_EQ(after.sections[0].virtualAddress, 0x1000u);
  ResourceImage again;
  ResourceSection read;
  ASSERT_TRUE(again.Parse(rebuilt));
  ASSERT_TRUE(again.ReadResources(read));
  ASSERT_EQ(read.Entries().size(), 1u);
  EXPECT_EQ(read.Entries()[0].data, std::string(1087, 'x'));
}

// As UpdateResourceW (Wine's, observed): new type and name strings are stored in upper case,
// whole Unicode letters included; names already in the file keep their case.
TEST(ResourceUpdatePosix, NewNamesAreUpperCaseAndOldOnesKept) {
  TempFolder temp;
  const std::string path = temp / "program.exe";
  ImageOptions options;
  std::string bytes = MakeImage(options);
  {
    ResourceImage image;
    ResourceSection resources = StartingResources();
    resources.Set(Key::Id(kBitmap), Key::Name(u"old.bmp"), 1033, "old");
    ASSERT_TRUE(image.Parse(bytes));
    std::string rebuilt;
    ASSERT_TRUE(image.Rebuild(resources, rebuilt));
    bytes = rebuilt;
  }
  TempFolder::Write(path, bytes);
  ASSERT_TRUE(kvplatform::UpdateSingleResource(path, "mytype", "na\xc3\xafve\xc3\xbf\xc5\x93.bmp", "new", 3));
  ResourceImage image;
  ResourceSection resources;
  const std::string stamped = TempFolder::Read(path);
  ASSERT_TRUE(image.Parse(stamped));
  ASSERT_TRUE(image.ReadResources(resources));
  EXPECT_NE(resources.Find(Key::Id(kBitmap), Key::Name(u"old.bmp"), 1033), nullptr);
  const ResourceSection::Entry* named = resources.Find(Key::Name(u"MYTYPE"), Key::Name(u"NA\u00CFVE\u0178\u0152.BMP"), 1033);
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(named->data, "new");
}

// As Wine's UpdateResourceW: no data and no size removes a resource; data without bytes,
// or a size without data, is refused.
TEST(ResourceUpdatePosix, RemovalAndEmptyData) {
  TempFolder temp;
  const std::string path = temp / "program.exe";
  TempFolder::Write(path, MakeImage(ImageOptions()));
  kvplatform::ResourceUpdate update = kvplatform::BeginResourceUpdate(path);
  ASSERT_TRUE(update);
  EXPECT_FALSE(kvplatform::UpdateResourceEntry(update, kRcData, 1, "", 0));
  EXPECT_FALSE(kvplatform::UpdateResourceEntry(update, kRcData, 1, nullptr, 4));
  EXPECT_TRUE(kvplatform::UpdateResourceEntry(update, 6, 7, nullptr, 0));
  ASSERT_TRUE(kvplatform::EndResourceUpdate(update, false));
  ResourceImage image;
  ResourceSection resources;
  const std::string bytes = TempFolder::Read(path);
  ASSERT_TRUE(image.Parse(bytes));
  ASSERT_TRUE(image.ReadResources(resources));
  EXPECT_EQ(resources.Find(Key::Id(6), Key::Id(7), 1033), nullptr);
  EXPECT_NE(resources.Find(Key::Id(6), Key::Id(7), 1031), nullptr);  // another language stays
  EXPECT_NE(resources.Find(Key::Id(kManifest), Key::Id(1), 1033), nullptr);
}

TEST(ResourceUpdatePosix, ALinkStaysALink) {
  TempFolder temp;
  const std::string path = temp / "program.exe";
  const std::string link = temp / "link.exe";
  TempFolder::Write(path, MakeImage(ImageOptions()));
  ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
  ASSERT_TRUE(kvplatform::UpdateSingleResource(link, kRcData, 9, "via link", 8));
  struct stat info;
  ASSERT_EQ(lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ResourceImage image;
  ResourceSection resources;
  const std::string bytes = TempFolder::Read(path);
  ASSERT_TRUE(image.Parse(bytes));
  ASSERT_TRUE(image.ReadResources(resources));
  EXPECT_NE(resources.Find(Key::Id(kRcData), Key::Id(9), 1033), nullptr);
}

TEST(ResourceUpdatePosix, KeepsPermissionsAndDiscardsWhenAsked) {
  TempFolder temp;
  const std::string path = temp / "program.exe";
  const std::string before = MakeImage(ImageOptions());
  TempFolder::Write(path, before);
  ASSERT_EQ(chmod(path.c_str(), 0751), 0);
  {
    kvplatform::ResourceUpdate update = kvplatform::BeginResourceUpdate(path);
    ASSERT_TRUE(update);
    EXPECT_TRUE(kvplatform::UpdateResourceEntry(update, kRcData, 3, "gone", 4));
    EXPECT_TRUE(kvplatform::EndResourceUpdate(update, true));
    EXPECT_FALSE(update);
  }
  {
    kvplatform::ResourceUpdate update = kvplatform::BeginResourceUpdate(path);
    ASSERT_TRUE(update);
    EXPECT_TRUE(kvplatform::UpdateResourceEntry(update, kRcData, 4, "abandoned", 9));
    kvplatform::ResourceUpdate moved = std::move(update);
    EXPECT_TRUE(moved);
  }
  EXPECT_EQ(TempFolder::Read(path), before);
  ASSERT_TRUE(kvplatform::UpdateSingleResource(path, kRcData, "name", "kept", 4));
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0751u);
  // No temporary file is left beside it.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(temp.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

}  // namespace
