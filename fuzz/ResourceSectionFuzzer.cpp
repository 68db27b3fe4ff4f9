// Feeds arbitrary bytes to the PE resource writer, as a whole image and as a bare resource
// tree. Whatever reads gets one resource added or replaced and is written again; the result
// must read back with that resource and every other one unchanged.
// Run: kv_fuzz_rsrc -max_total_time=60 <work folder> fuzz/corpus/rsrc
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "pe/ResourceImage.h"
#include "pe/ResourceSection.h"

namespace {

using kvpe::ResourceImage;
using kvpe::ResourceSection;
using Key = ResourceSection::Key;

// Aborts, naming the check that failed.
#define Require(condition) \
  do {                      \
    if (!(condition)) {     \
      std::fprintf(stderr, "ResourceSectionFuzzer.cpp:%d: %s\n", __LINE__, #condition); \
      std::abort();         \
    }                       \
  } while (false)

// The stamp: chosen from the input's length so that it sometimes replaces a resource there.
struct Stamp {
  Key type, name;
  std::string data;
};

Stamp MakeStamp(std::size_t size, const ResourceSection& resources) {
  Stamp stamp;
  if (!resources.Entries().empty() && size % 3 == 0) {
    const ResourceSection::Entry& existing = resources.Entries()[size % resources.Entries().size()];
    stamp.type = existing.type;
    stamp.name = existing.name;
  } else {
    stamp.type = Key::Id(static_cast<std::uint16_t>(size % 24 + 1));
    stamp.name = size % 2 ? Key::Name(u"LOGO.BMP") : Key::Id(static_cast<std::uint16_t>(size % 1000));
  }
  stamp.data.assign(size % 5000, static_cast<char>(size));
  return stamp;
}

// resources with the stamp applied, compared entry by entry with what was read back.
void RequireMerged(const ResourceSection& before, const Stamp& stamp, const ResourceSection& after) {
  ResourceSection expected = before;
  expected.Set(stamp.type, stamp.name, 1033, stamp.data);
  Require(after.Entries().size() == expected.Entries().size());
  for (std::size_t i = 0; i < expected.Entries().size(); ++i) {
    const ResourceSection::Entry& want = expected.Entries()[i];
    const ResourceSection::Entry& got = after.Entries()[i];
    Require(got.type == want.type && got.name == want.name && got.language == want.language);
    Require(got.size == want.data.size() && got.data == want.data);
    Require(got.codePage == want.codePage);
  }
}

void FuzzImage(std::string_view bytes) {
  ResourceImage image;
  ResourceSection resources;
  if (!image.Parse(bytes) || !image.ReadResources(resources)) return;
  const Stamp stamp = MakeStamp(bytes.size(), resources);
  ResourceSection merged = resources;
  merged.Set(stamp.type, stamp.name, 1033, stamp.data);
  std::string rebuilt;
  if (!image.Rebuild(merged, rebuilt)) return;  // refused: nothing to check
  ResourceImage again;
  ResourceSection read;
  Require(again.Parse(rebuilt));
  Require(again.ReadResources(read));
  RequireMerged(resources, stamp, read);
  // Written again with the same resources, the image does not change.
  std::string twice;
  Require(again.Rebuild(read, twice));
  Require(twice == rebuilt);
}

void FuzzTree(std::string_view bytes) {
  ResourceSection resources;
  if (!resources.ReadTree(bytes)) return;
  // Every resource gets bytes of its own size, within reason.
  std::uint64_t total = 0;
  for (ResourceSection::Entry& entry : resources.Entries()) {
    total += entry.size;
    if (total > (1u << 22)) return;
    entry.data.assign(entry.size, static_cast<char>(entry.dataRva));
  }
  const Stamp stamp = MakeStamp(bytes.size(), resources);
  ResourceSection merged = resources;
  merged.Set(stamp.type, stamp.name, 1033, stamp.data);
  constexpr std::uint32_t kRva = 0x3000;
  std::string tree;
  if (!merged.Build(kRva, tree)) return;
  ResourceSection read;
  Require(read.ReadTree(tree));
  for (ResourceSection::Entry& entry : read.Entries()) {
    Require(entry.dataRva >= kRva && entry.dataRva - kRva <= tree.size() && entry.size <= tree.size() - (entry.dataRva - kRva));
    entry.data = tree.substr(entry.dataRva - kRva, entry.size);
  }
  RequireMerged(resources, stamp, read);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  FuzzImage(bytes);
  FuzzTree(bytes);
  return 0;
}
