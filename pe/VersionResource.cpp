#include "pe/VersionResource.h"

#include <cstdint>
#include <utility>

#include "common/ByteIO.h"
#include "common/Text.h"
#include "pe/ResourceImage.h"
#include "pe/ResourceSection.h"

namespace kvpe {

namespace {

using kvbytes::ByteReader;

constexpr std::uint16_t kRtVersion = 16;

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

}  // namespace

bool FindVersionResource(std::string_view image, std::string_view& block) {
  // The tree is read by the same reader the resource writer uses; only the version's data
  // must be in the file, so an image cut after it still reads.
  ResourceImage pe;
  std::string_view tree;
  ResourceSection resources;
  if (!pe.Parse(image) || !pe.ResourceTree(tree) || !resources.ReadTree(tree)) return false;
  for (const ResourceSection::Entry& entry : resources.Entries()) {
    // Entries are in directory order: the first of the type is its first name and language.
    if (!entry.type.isName && entry.type.id == kRtVersion) return pe.Slice(entry.dataRva, entry.size, block);
  }
  return false;
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

}  // namespace kvpe
