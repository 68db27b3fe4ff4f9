#include "pe/ResourceSection.h"

#include <algorithm>
#include <set>
#include <utility>

#include "common/ByteIO.h"

namespace kvpe {

namespace {

using kvbytes::ByteReader;

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint32_t kDirectorySize = 16;
constexpr std::uint32_t kDirectoryEntrySize = 8;
constexpr std::uint32_t kDataEntrySize = 16;
constexpr int kLanguageLevel = 2;

char16_t Upper(char16_t unit) { return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit; }

// <0, 0, >0 as a before b; names folded to upper case first, the exact units breaking ties.
int CompareNames(const std::u16string& a, const std::u16string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const char16_t x = Upper(a[i]), y = Upper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

int CompareKeys(const ResourceSection::Key& a, const ResourceSection::Key& b) {
  if (a.isName != b.isName) return a.isName ? -1 : 1;
  if (a.isName) return CompareNames(a.name, b.name);
  if (a.id != b.id) return a.id < b.id ? -1 : 1;
  return 0;
}

std::uint64_t Align4(std::uint64_t value) { return (value + 3) & ~static_cast<std::uint64_t>(3); }

void PutKeyEntry(std::string& out, std::uint64_t at, const ResourceSection::Key& key, std::uint32_t stringOffset,
                 std::uint32_t target) {
  kvbytes::SetU32(out, at, key.isName ? (kHighBit | stringOffset) : key.id);
  kvbytes::SetU32(out, at + 4, target);
}

// A directory header with Wine's fields: no characteristics or time stamp, version 4.0.
void PutDirectory(std::string& out, std::uint64_t at, std::uint16_t named, std::uint16_t ids) {
  kvbytes::SetU16(out, at + 8, 4);
  kvbytes::SetU16(out, at + 12, named);
  kvbytes::SetU16(out, at + 14, ids);
}

}  // namespace

ResourceSection::Key ResourceSection::Key::Id(std::uint16_t id) {
  Key key;
  key.id = id;
  return key;
}

ResourceSection::Key ResourceSection::Key::Name(std::u16string name) {
  Key key;
  key.isName = true;
  key.name = std::move(name);
  return key;
}

bool ResourceSection::Key::operator==(const Key& other) const { return CompareKeys(*this, other) == 0; }

bool ResourceSection::Before(const Key& a, const Key& b) { return CompareKeys(a, b) < 0; }

bool ResourceSection::Before(const Entry& a, const Entry& b) {
  if (const int type = CompareKeys(a.type, b.type)) return type < 0;
  if (const int name = CompareKeys(a.name, b.name)) return name < 0;
  return a.language < b.language;
}

bool ResourceSection::ReadName(std::string_view tree, std::uint32_t offset, std::u16string& name) {
  ByteReader reader(tree);
  std::uint16_t length = 0;
  if (!reader.seek(offset) || !reader.u16(length)) return false;
  if (static_cast<std::uint64_t>(length) * 2 > reader.remaining()) return false;
  name.clear();
  name.reserve(length);
  for (std::uint16_t i = 0; i < length; ++i) {
    std::uint16_t unit = 0;
    reader.u16(unit);
    name.push_back(static_cast<char16_t>(unit));
  }
  return true;
}

bool ResourceSection::ReadDirectory(std::string_view tree, std::uint32_t offset, int level, Entry& path,
                                    std::set<std::uint32_t>& visited, std::uint64_t& budget) {
  // Each directory is reached once: a second visit is a loop or a shared subtree, which no
  // writer of resources produces and which could multiply the entries beyond any bound.
  if (!visited.insert(offset).second) return false;
  ByteReader reader(tree);
  std::uint16_t named = 0, ids = 0;
  if (!reader.seek(offset) || !reader.skip(12) || !reader.u16(named) || !reader.u16(ids)) return false;
  const std::uint64_t count = static_cast<std::uint64_t>(named) + ids;
  // The entries must be there before any is read: an absurd count fails here.
  if (count * kDirectoryEntrySize > reader.remaining()) return false;
  if (count > budget) return false;
  budget -= count;
  for (std::uint64_t i = 0; i < count; ++i) {
    std::uint32_t nameField = 0, target = 0;
    reader.u32(nameField);
    reader.u32(target);
    Key key;
    if (nameField & kHighBit) {
      if (level == kLanguageLevel) return false;  // languages are ids
      key.isName = true;
      if (!ReadName(tree, nameField & ~kHighBit, key.name)) return false;
    } else {
      if (nameField > 0xFFFF) return false;
      key.id = static_cast<std::uint16_t>(nameField);
    }
    const bool isDirectory = (target & kHighBit) != 0;
    if (isDirectory != (level < kLanguageLevel)) return false;
    if (level == 0) {
      path.type = std::move(key);
    } else if (level == 1) {
      path.name = std::move(key);
    } else {
      path.language = key.id;
    }
    if (isDirectory) {
      if (!ReadDirectory(tree, target & ~kHighBit, level + 1, path, visited, budget)) return false;
      continue;
    }
    ByteReader data(tree);
    std::uint32_t reserved = 0;
    if (!data.seek(target) || !data.u32(path.dataRva) || !data.u32(path.size) || !data.u32(path.codePage) ||
        !data.u32(reserved))
      return false;
    entries.push_back(path);
  }
  return true;
}

bool ResourceSection::ReadTree(std::string_view tree) {
  entries.clear();
  std::set<std::uint32_t> visited;
  // No tree holds more entries than it has room for.
  std::uint64_t budget = tree.size() / kDirectoryEntrySize;
  Entry path;
  if (!ReadDirectory(tree, 0, 0, path, visited, budget)) {
    entries.clear();
    return false;
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return Before(a, b); });
  for (std::size_t i = 1; i < entries.size(); ++i) {
    if (!Before(entries[i - 1], entries[i])) {  // the same resource twice
      entries.clear();
      return false;
    }
  }
  return true;
}

void ResourceSection::Set(const Key& type, const Key& name, std::uint16_t language, std::string data) {
  Entry entry;
  entry.type = type;
  entry.name = name;
  entry.language = language;
  entry.size = static_cast<std::uint32_t>(data.size());
  entry.data = std::move(data);
  const auto at = std::lower_bound(entries.begin(), entries.end(), entry,
                                   [](const Entry& a, const Entry& b) { return Before(a, b); });
  if (at != entries.end() && !Before(entry, *at)) {
    *at = std::move(entry);
  } else {
    entries.insert(at, std::move(entry));
  }
}

const ResourceSection::Entry* ResourceSection::Find(const Key& type, const Key& name, std::uint16_t language) const {
  for (const Entry& entry : entries) {
    if (entry.type == type && entry.name == name && entry.language == language) return &entry;
  }
  return nullptr;
}

bool ResourceSection::Remove(const Key& type, const Key& name, std::uint16_t language) {
  const Entry* found = Find(type, name, language);
  if (found == nullptr) return false;
  entries.erase(entries.begin() + (found - entries.data()));
  return true;
}

void ResourceSection::AppendPadding(std::string& out, std::uint64_t count) {
  static const char kPattern[] = "PADDINGXXPADDING";
  for (std::uint64_t i = 0; i < count; ++i) out.push_back(kPattern[i % 16]);
}

bool ResourceSection::Build(std::uint32_t sectionRva, std::string& out) const {
  // Counts and sizes of each level, as the layout needs them before anything is placed.
  std::uint64_t types = 0, names = 0, strings = 0, data = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& entry = entries[i];
    if (entry.data.size() != entry.size) return false;  // not loaded
    const bool newType = i == 0 || entry.type != entries[i - 1].type;
    const bool newName = newType || entry.name != entries[i - 1].name;
    if (newType) {
      ++types;
      if (entry.type.isName) strings += 2 + 2 * static_cast<std::uint64_t>(entry.type.name.size());
    }
    if (newName) {
      ++names;
      if (entry.name.isName) strings += 2 + 2 * static_cast<std::uint64_t>(entry.name.name.size());
    }
    data += Align4(entry.size);
  }
  const std::uint64_t languages = entries.size();
  // Every count of a directory is 16 bits wide, and so is every name's length.
  if (languages > 0xFFFF) return false;
  for (const Entry& entry : entries) {
    if (entry.type.name.size() > 0xFFFF || entry.name.name.size() > 0xFFFF) return false;
  }
  std::uint64_t namesAt = kDirectorySize + kDirectoryEntrySize * types;
  std::uint64_t languagesAt = namesAt + kDirectorySize * types + kDirectoryEntrySize * names;
  std::uint64_t dataEntriesAt = languagesAt + kDirectorySize * names + kDirectoryEntrySize * languages;
  std::uint64_t stringsAt = dataEntriesAt + kDataEntrySize * languages;
  std::uint64_t dataAt = stringsAt + Align4(strings);
  const std::uint64_t total = dataAt + data;
  // Name offsets carry a flag in their top bit; data entries hold RVAs.
  if (total >= kHighBit || sectionRva > 0xFFFFFFFFull - total) return false;

  out.assign(static_cast<std::size_t>(dataAt), '\0');
  out.reserve(static_cast<std::size_t>(total));
  std::uint64_t typeEntryAt = kDirectorySize;
  std::uint16_t rootNamed = 0, rootIds = 0;
  std::size_t i = 0;
  while (i < entries.size()) {
    const Key& type = entries[i].type;
    // The type's entry in the root, then its name directory.
    std::uint32_t typeString = 0;
    if (type.isName) {
      typeString = static_cast<std::uint32_t>(stringsAt);
      kvbytes::SetU16(out, stringsAt, static_cast<std::uint16_t>(type.name.size()));
      for (std::size_t u = 0; u < type.name.size(); ++u) kvbytes::SetU16(out, stringsAt + 2 + 2 * u, type.name[u]);
      stringsAt += 2 + 2 * type.name.size();
      ++rootNamed;
    } else {
      ++rootIds;
    }
    PutKeyEntry(out, typeEntryAt, type, typeString, kHighBit | static_cast<std::uint32_t>(namesAt));
    typeEntryAt += kDirectoryEntrySize;
    const std::uint64_t nameDirectory = namesAt;
    namesAt += kDirectorySize;
    std::uint16_t named = 0, ids = 0;
    while (i < entries.size() && entries[i].type == type) {
      const Key& name = entries[i].name;
      std::uint32_t nameString = 0;
      if (name.isName) {
        nameString = static_cast<std::uint32_t>(stringsAt);
        kvbytes::SetU16(out, stringsAt, static_cast<std::uint16_t>(name.name.size()));
        for (std::size_t u = 0; u < name.name.size(); ++u) kvbytes::SetU16(out, stringsAt + 2 + 2 * u, name.name[u]);
        stringsAt += 2 + 2 * name.name.size();
        ++named;
      } else {
        ++ids;
      }
      PutKeyEntry(out, namesAt, name, nameString, kHighBit | static_cast<std::uint32_t>(languagesAt));
      namesAt += kDirectoryEntrySize;
      const std::uint64_t languageDirectory = languagesAt;
      languagesAt += kDirectorySize;
      std::uint16_t languageCount = 0;
      while (i < entries.size() && entries[i].type == type && entries[i].name == name) {
        const Entry& entry = entries[i];
        PutKeyEntry(out, languagesAt, Key::Id(entry.language), 0, static_cast<std::uint32_t>(dataEntriesAt));
        languagesAt += kDirectoryEntrySize;
        ++languageCount;
        kvbytes::SetU32(out, dataEntriesAt, static_cast<std::uint32_t>(sectionRva + out.size()));
        kvbytes::SetU32(out, dataEntriesAt + 4, entry.size);
        kvbytes::SetU32(out, dataEntriesAt + 8, entry.codePage);
        dataEntriesAt += kDataEntrySize;
        out += entry.data;
        // Wine pads each resource with the start of its padding pattern.
        AppendPadding(out, Align4(out.size()) - out.size());
        ++i;
      }
      PutDirectory(out, languageDirectory, 0, languageCount);
    }
    PutDirectory(out, nameDirectory, named, ids);
  }
  PutDirectory(out, 0, rootNamed, rootIds);
  return out.size() == total;
}

}  // namespace kvpe
