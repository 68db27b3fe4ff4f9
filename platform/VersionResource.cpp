#include "platform/VersionResource.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

#include "common/ByteIO.h"
#include "common/Text.h"

namespace kvplatform {

namespace {

using kvbytes::ByteReader;

constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::size_t kFixedInfoSize = 52;

struct Section {
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawOffset = 0;
};

// count bytes at an RVA, when a section holds all of them in the file.
bool SliceAtRva(std::string_view image, const std::vector<Section>& sections, std::uint32_t rva, std::uint64_t count,
                std::string_view& out) {
  for (const Section& section : sections) {
    const std::uint64_t start = section.virtualAddress;
    if (rva < start) continue;
    const std::uint64_t delta = rva - start;
    if (delta >= section.rawSize || count > section.rawSize - delta) continue;
    return ByteReader::slice(image, static_cast<std::uint64_t>(section.rawOffset) + delta, count, out);
  }
  return false;
}

// The offset field of the wanted entry of the resource directory at dirOffset: the entry
// with this id, or the first entry of any kind when anyEntry is true.
bool DirectoryEntry(std::string_view resources, std::uint32_t dirOffset, bool anyEntry, std::uint32_t id,
                    std::uint32_t& target) {
  ByteReader reader(resources);
  std::uint16_t named = 0, ids = 0;
  if (!reader.seek(dirOffset) || !reader.skip(12) || !reader.u16(named) || !reader.u16(ids)) return false;
  const std::uint32_t count = static_cast<std::uint32_t>(named) + ids;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t name = 0, offset = 0;
    if (!reader.u32(name) || !reader.u32(offset)) return false;
    if (anyEntry || (i >= named && name == id)) {
      target = offset;
      return true;
    }
  }
  return false;
}

std::uint64_t Align4(std::uint64_t offset) { return (offset + 3) & ~static_cast<std::uint64_t>(3); }

// One node of the version tree: header, key, value and the range its children occupy.
struct Node {
  std::uint16_t type = 0;
  std::string key;  // UTF-8
  std::string_view value;
  std::uint64_t childrenStart = 0;
  std::uint64_t end = 0;
};

// Offsets are from the start of the block, to which all alignment is counted; the node must
// end at or before limit.
bool ReadNode(std::string_view block, std::uint64_t start, std::uint64_t limit, Node& node) {
  ByteReader reader(block.substr(0, static_cast<std::size_t>(limit)));
  std::uint16_t length = 0, valueLength = 0;
  if (!reader.seek(start) || !reader.u16(length) || !reader.u16(valueLength) || !reader.u16(node.type)) return false;
  if (length < 6 || length > limit - start) return false;
  node.end = start + length;
  reader = ByteReader(block.substr(0, static_cast<std::size_t>(node.end)));
  if (!reader.seek(start + 6)) return false;
  kvtext::WideString key;
  for (;;) {
    std::uint16_t unit = 0;
    if (!reader.u16(unit)) return false;  // a key must end inside its node
    if (unit == 0) break;
    key.push_back(static_cast<kvtext::WideChar>(unit));
  }
  node.key = kvtext::WideToUtf8(key);
  const std::uint64_t valueStart = Align4(reader.position());
  std::uint64_t valueBytes = node.type == 1 ? static_cast<std::uint64_t>(valueLength) * 2 : valueLength;
  const std::uint64_t room = valueStart < node.end ? node.end - valueStart : 0;
  if (valueBytes > room) {
    // Some writers count a text value in bytes rather than characters; what the node holds is
    // what there is. A binary value that does not fit is damage.
    if (node.type != 1) return false;
    valueBytes = room;
  }
  node.value = valueBytes ? block.substr(static_cast<std::size_t>(valueStart), static_cast<std::size_t>(valueBytes))
                          : std::string_view();
  node.childrenStart = valueBytes ? Align4(valueStart + valueBytes) : valueStart;
  return true;
}

bool FindChild(std::string_view block, const Node& parent, const std::string& key, Node& found) {
  std::uint64_t at = parent.childrenStart;
  // Less than a header left is the parent's own trailing padding.
  while (at < parent.end && parent.end - at >= 6) {
    Node child;
    if (!ReadNode(block, at, parent.end, child)) return false;
    if (kvtext::EqualsNoCase(child.key, key)) {
      found = std::move(child);
      return true;
    }
    at = Align4(child.end);
  }
  return false;
}

std::optional<std::string> QueryText(std::string_view block, const std::vector<std::string>& path) {
  std::string_view value;
  bool isText = false;
  if (!QueryVersionValue(block, path, value, isText)) return std::nullopt;
  kvtext::WideString text;
  ByteReader reader(value);
  std::uint16_t unit = 0;
  while (reader.u16(unit) && unit != 0) text.push_back(static_cast<kvtext::WideChar>(unit));
  return kvtext::WideToUtf8(text);
}

}  // namespace

bool FindVersionResource(std::string_view image, std::string_view& block) {
  ByteReader reader(image);
  std::uint16_t mz = 0;
  std::uint32_t peOffset = 0, signature = 0;
  if (!reader.u16(mz) || mz != 0x5A4D || !reader.seek(0x3C) || !reader.u32(peOffset)) return false;
  if (!reader.seek(peOffset) || !reader.u32(signature) || signature != 0x00004550) return false;
  std::uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
  if (!reader.skip(2) || !reader.u16(sectionCount) || !reader.skip(12) || !reader.u16(optionalSize) ||
      !reader.skip(2))
    return false;
  const std::uint64_t optionalStart = reader.position();
  if (!reader.u16(magic)) return false;
  std::uint64_t directories = 0;
  if (magic == 0x10B) {
    directories = 96;
  } else if (magic == 0x20B) {
    directories = 112;
  } else {
    return false;
  }
  // The resource directory is entry 2 of the data directories.
  std::uint32_t directoryCount = 0, resourceRva = 0, resourceSize = 0;
  if (optionalSize < directories + 3 * 8) return false;
  if (!reader.seek(optionalStart + directories - 4) || !reader.u32(directoryCount) || directoryCount < 3) return false;
  if (!reader.seek(optionalStart + directories + 2 * 8) || !reader.u32(resourceRva) || !reader.u32(resourceSize))
    return false;
  if (resourceRva == 0 || resourceSize == 0) return false;

  std::vector<Section> sections;
  if (!reader.seek(optionalStart + optionalSize)) return false;
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    Section section;
    if (!reader.skip(8) || !reader.u32(section.virtualSize) || !reader.u32(section.virtualAddress) ||
        !reader.u32(section.rawSize) || !reader.u32(section.rawOffset) || !reader.skip(16))
      return false;
    sections.push_back(section);
  }

  // Directory offsets are relative to the resource section's start; take what of it the file
  // holds, however the declared size compares; every read in it is checked.
  std::string_view resources;
  bool found = false;
  for (const Section& section : sections) {
    if (resourceRva < section.virtualAddress) continue;
    const std::uint64_t delta = resourceRva - section.virtualAddress;
    if (delta >= section.rawSize) continue;
    const std::uint64_t start = static_cast<std::uint64_t>(section.rawOffset) + delta;
    if (start >= image.size()) return false;
    const std::uint64_t held = image.size() - start;
    const std::uint64_t wanted = section.rawSize - delta;
    found = ByteReader::slice(image, start, wanted < held ? wanted : held, resources);
    break;
  }
  if (!found) return false;

  std::uint32_t nameDirectory = 0, languageDirectory = 0, dataEntry = 0;
  if (!DirectoryEntry(resources, 0, false, kRtVersion, nameDirectory) || !(nameDirectory & kSubdirectory)) return false;
  if (!DirectoryEntry(resources, nameDirectory & ~kSubdirectory, true, 0, languageDirectory) ||
      !(languageDirectory & kSubdirectory))
    return false;
  if (!DirectoryEntry(resources, languageDirectory & ~kSubdirectory, true, 0, dataEntry) ||
      (dataEntry & kSubdirectory))
    return false;
  ByteReader entry(resources);
  std::uint32_t dataRva = 0, dataSize = 0;
  if (!entry.seek(dataEntry) || !entry.u32(dataRva) || !entry.u32(dataSize)) return false;
  return SliceAtRva(image, sections, dataRva, dataSize, block);
}

bool QueryVersionValue(std::string_view block, const std::vector<std::string>& path, std::string_view& value,
                       bool& isText) {
  Node node;
  if (!ReadNode(block, 0, block.size(), node) || node.key != "VS_VERSION_INFO") return false;
  for (const std::string& key : path) {
    Node child;
    if (!FindChild(block, node, key, child)) return false;
    node = std::move(child);
  }
  value = node.value;
  isText = node.type == 1;
  return true;
}

bool ParseVersionBlock(std::string_view block, FileVersionInfo& info) {
  std::string_view fixed, translation;
  bool isText = false;
  if (!QueryVersionValue(block, {}, fixed, isText) || fixed.size() < kFixedInfoSize) return false;
  if (!QueryVersionValue(block, {"VarFileInfo", "Translation"}, translation, isText) || translation.size() < 4)
    return false;
  ByteReader fixedReader(fixed);
  std::uint32_t signature = 0, structVersion = 0;
  FileVersionInfo result;
  if (!fixedReader.u32(signature) || signature != kFixedInfoSignature || !fixedReader.u32(structVersion) ||
      !fixedReader.u32(result.fileVersionMS) || !fixedReader.u32(result.fileVersionLS) ||
      !fixedReader.u32(result.productVersionMS) || !fixedReader.u32(result.productVersionLS))
    return false;
  ByteReader translationReader(translation);
  std::uint16_t language = 0, codePage = 0;
  if (!translationReader.u16(language) || !translationReader.u16(codePage)) return false;
  char table[16];
  std::snprintf(table, sizeof table, "%04x%04x", language, codePage);
  const auto text = [&](const char* key) { return QueryText(block, {"StringFileInfo", table, key}); };
  result.companyName = text("CompanyName");
  result.fileDescription = text("FileDescription");
  result.legalCopyright = text("LegalCopyright");
  result.originalFilename = text("OriginalFilename");
  result.productName = text("ProductName");
  info = std::move(result);
  return true;
}

}  // namespace kvplatform
