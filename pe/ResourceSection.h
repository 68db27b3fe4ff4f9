// The resource tree of a PE image (the contents of its .rsrc section) as a model: read from
// the bytes of an existing tree, changed entry by entry, and written again as a new section.
// Three levels, as the loader walks them: type, name, language; a type or name is a 16-bit
// id or a UTF-16 string. Every read of outside bytes is checked; a damaged tree (out of
// bounds, a directory reached twice, a loop, an absurd count, a level of the wrong kind)
// fails instead of reading outside the bytes given.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kvpe {

class ResourceSection {
public:
  // A resource type or name: an id, or a UTF-16 string (in the file: a length and units).
  struct Key {
    bool isName = false;
    std::uint16_t id = 0;
    std::u16string name;

    static Key Id(std::uint16_t id);
    static Key Name(std::u16string name);
    bool operator==(const Key& other) const;
    bool operator!=(const Key& other) const { return !(*this == other); }
  };

  // One resource: where the tree says its data is, and its bytes once they are read.
  struct Entry {
    Key type;
    Key name;
    std::uint16_t language = 0;
    std::uint32_t codePage = 0;
    std::uint32_t dataRva = 0;  // as read; not used when writing
    std::uint32_t size = 0;
    std::string data;           // size bytes once loaded or set
  };

  // Directory order: named entries first, by their names compared as the loader's binary
  // search compares them (ASCII letters folded to upper case, then code units, then the
  // exact units), then id entries by ascending id; languages by ascending id.
  static bool Before(const Key& a, const Key& b);
  static bool Before(const Entry& a, const Entry& b);

  // Reads the tree whose root directory starts at offset 0 of tree: every type, name and
  // language with its data entry (RVA, size, code page); the data itself is not read
  // (see Entry::data and LoadData). Entries come out in directory order; a tree whose
  // directories are not sorted is taken as it is and sorted. False on damage.
  bool ReadTree(std::string_view tree);

  // Adds or replaces the resource (type, name, language) with data and code page 0, as
  // UpdateResourceW does.
  void Set(const Key& type, const Key& name, std::uint16_t language, std::string data);
  // Removes it; false when there is no such resource.
  bool Remove(const Key& type, const Key& name, std::uint16_t language);
  // The resource, or null.
  const Entry* Find(const Key& type, const Key& name, std::uint16_t language) const;

  std::vector<Entry>& Entries() { return entries; }
  const std::vector<Entry>& Entries() const { return entries; }

  // The new tree with every entry's data (all of which must be loaded), for a section whose
  // first byte is at sectionRva; laid out as Wine's EndUpdateResourceW lays it out:
  //   root directory and its entries; every name directory (one per type) with its
  //   entries; every language directory (one per name) with its entries; the data entries;
  //   the name strings (length, then units, no terminator) in tree order, the whole block
  //   padded with zeros to a multiple of 4; the data, each resource padded to a multiple of
  //   4 with the start of "PADDINGXX...". Directories carry major version 4 and no time
  //   stamp. False when the result would not fit 32-bit offsets at that RVA.
  bool Build(std::uint32_t sectionRva, std::string& out) const;

  // Appends count bytes of Wine's section padding "PADDINGXXPADDING", repeated.
  static void AppendPadding(std::string& out, std::uint64_t count);

private:
  bool ReadDirectory(std::string_view tree, std::uint32_t offset, int level, Entry& path,
                     std::set<std::uint32_t>& visited, std::uint64_t& budget);
  static bool ReadName(std::string_view tree, std::uint32_t offset, std::u16string& name);

  std::vector<Entry> entries;  // always in directory order, no duplicate keys
};

}  // namespace kvpe
