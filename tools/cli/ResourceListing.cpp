#include "tools/cli/ResourceListing.h"

#include <cinttypes>
#include <cstdio>

#include "build/IconFile.h"
#include "build/ResourceStamps.h"
#include "common/ByteIO.h"
#include "common/Text.h"
#include "pe/ResourceImage.h"
#include "pe/ResourceSection.h"
#include "project/FileUtil.h"

namespace kvcli {

namespace {

using kvpe::ResourceSection;

std::string KeyText(const ResourceSection::Key& key) {
  if (!key.isName) return std::to_string(key.id);
  return "\"" + Printable(kvtext::WideToUtf8(kvtext::WideString(key.name.begin(), key.name.end()))) + "\"";
}

// The caller has checked that four bytes are there.
std::uint32_t BigU32(std::string_view bytes, std::uint64_t at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void PrintIconGroup(std::string_view group) {
  kvbytes::ByteReader reader(group);
  std::uint16_t count = 0;
  if (!reader.seek(4) || !reader.u16(count) || group.size() < 6 + 14ull * count) {
    std::printf("icon group %u: damaged\n", kIconGroupId);
    return;
  }
  std::printf("icon group %u: %u images\n", kIconGroupId, count);
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint8_t width = 0, height = 0;
    std::uint16_t bits = 0, id = 0;
    std::uint32_t bytes = 0;
    reader.u8(width);
    reader.u8(height);
    reader.skip(4);
    reader.u16(bits);
    reader.u32(bytes);
    reader.u16(id);
    std::printf("  icon %u: %ux%u, %u bits, %" PRIu32 " bytes\n", id, width == 0 ? 256u : width,
                height == 0 ? 256u : height, bits, bytes);
  }
}

}  // namespace

std::string Printable(std::string_view text, bool rawBytes) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || (rawBytes && byte > 0x7F)) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

bool PrintResources(std::string_view bytes) {
  kvpe::ResourceImage image;
  ResourceSection tree;
  if (!image.Parse(bytes) || !image.ReadResources(tree)) {
    std::printf("resources: damaged\n");
    return false;
  }
  if (tree.Entries().empty()) {
    std::printf("resources: none\n");
    return true;
  }
  std::printf("resources:\n");
  for (const ResourceSection::Entry& entry : tree.Entries()) {
    std::printf("  type %s name %s language %u: %" PRIu32 " bytes\n", KeyText(entry.type).c_str(),
                KeyText(entry.name).c_str(), entry.language, entry.size);
  }
  const ResourceSection::Entry* group = nullptr;
  for (const ResourceSection::Entry& entry : tree.Entries()) {
    if (entry.type == ResourceSection::Key::Id(kResourceTypeGroupIcon) && entry.name == ResourceSection::Key::Id(kIconGroupId))
      group = &entry;
  }
  if (group != nullptr) PrintIconGroup(group->data);
  else std::printf("icon group %u: none\n", kIconGroupId);
  int bitmaps = 0;
  for (const ResourceSection::Entry& entry : tree.Entries()) {
    if (entry.type != ResourceSection::Key::Id(kvbuild::kResourceTypeBitmap)) continue;
    std::printf("bitmap %s: %" PRIu32 " bytes\n", KeyText(entry.name).c_str(), entry.size);
    ++bitmaps;
  }
  if (bitmaps == 0) std::printf("bitmaps: none\n");
  return true;
}

void PrintIcnsElements(const std::string& path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes)) {
    std::printf("icns: missing\n");
    return;
  }
  if (bytes.size() < 8 || bytes.compare(0, 4, "icns") != 0 || BigU32(bytes, 4) != bytes.size()) {
    std::printf("icns: damaged\n");
    return;
  }
  std::printf("icns: %zu bytes\n", bytes.size());
  for (std::uint64_t at = 8; at < bytes.size();) {
    const std::uint32_t elementLength = at + 8 <= bytes.size() ? BigU32(bytes, at + 4) : 0;
    if (elementLength < 8 || elementLength > bytes.size() - at) {
      std::printf("  damaged at %" PRIu64 "\n", at);
      return;
    }
    std::printf("  %s %" PRIu32 " bytes\n", Printable(bytes.substr(at, 4), true).c_str(), elementLength);
    at += elementLength;
  }
}

}  // namespace kvcli
