#include "pe/ResourceImage.h"

#include <algorithm>

#include "common/ByteIO.h"
#include "pe/PeFormat.h"

// How a new resource section is placed, compared with Wine's EndUpdateResourceW (the
// implementation our cross-check runs; see tests/e2e/resource-stamp.sh):
// - The tree is laid out by ResourceSection::Build exactly as Wine lays it out, and the
//   section's raw data is padded with Wine's "PADDINGXXPADDING" pattern.
// - When the new tree fits the section's raw data and the room before the next section in
//   memory, the section is rewritten in place and keeps its raw size (Wine shrinks the
//   section to the new size rounded to FileAlignment, moving what follows down; keeping the
//   size means repeated stamps never move anything).
// - Otherwise the section grows: its raw size becomes the tree's size rounded up to
//   FileAlignment, and everything after its raw data in the file (the following sections
//   and any overlay) moves down by whole FileAlignment units; the following sections move
//   in memory by whole SectionAlignment units, only as far as the new tree needs. Section
//   headers, SizeOfImage, SizeOfInitializedData, the resource directory, and the data
//   directories that pointed into a moved section (base relocations, debug) follow; the
//   symbol-table pointer, the certificate table (file offsets) and the debug entries' file
//   offsets follow the moved bytes. Wine 8 moves the sections and the relocation directory
//   the same way (the cross-check compares them) but leaves the symbol-table pointer stale.
// - The resource directory's size is always the tree's size (Wine leaves the old size when
//   the section keeps its raw size).
// - A section moved in memory must be one whose contents hold no RVA that would need
//   rebasing: the base-relocation section, or a discardable section, neither executable,
//   with no data directory but the relocations or debug data in it and no base relocation
//   for a page in it. Anything else (e.g. .data after .rsrc) is refused.
// - An image without resources gets a new section ".rsrc" (initialised data, readable)
//   after the last section's raw data, the overlay following it, when the section table
//   has room for one more header (Wine writes the header without checking, and places the
//   section after the overlay).
// - The section's VirtualSize grows to the tree's exact size when the tree needs more, as
//   linkers write it (Wine rounds it up to SectionAlignment then), and never shrinks, as
//   Wine leaves it: a smaller one would open a gap before the next section in memory, and
//   the Windows loader refuses such an image.
// - The checksum is recomputed when the image had one, and stays 0 otherwise (Wine leaves
//   the old value, which no longer matches). The time stamp is kept, as Wine keeps it.

namespace kvpe {

namespace {

using kvbytes::ByteReader;

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

bool PowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// The PE checksum: 16-bit words summed with their carries folded in, the checksum field
// itself left out, plus the file's length.
std::uint32_t CheckSum(const std::string& bytes, std::uint64_t fieldAt) {
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    if (i == fieldAt || i == fieldAt + 2) continue;
    std::uint32_t word = static_cast<unsigned char>(bytes[i]);
    if (i + 1 < bytes.size()) word |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + bytes.size());
}

}  // namespace

bool ResourceImage::Parse(std::string_view bytes) {
  image = bytes;
  return headers.Parse(bytes);
}

int ResourceImage::SectionOfRva(std::uint32_t rva) const {
  for (std::size_t i = 0; i < Sections().size(); ++i) {
    const SectionHeader& section = Sections()[i];
    const std::uint64_t extent = std::max(section.virtualSize, section.sizeOfRawData);
    if (rva >= section.virtualAddress && rva - section.virtualAddress < extent) return static_cast<int>(i);
  }
  return -1;
}

bool ResourceImage::Slice(std::uint32_t rva, std::uint64_t count, std::string_view& out) const {
  for (const SectionHeader& section : Sections()) {
    const std::uint64_t start = section.virtualAddress;
    if (rva < start) continue;
    const std::uint64_t delta = rva - start;
    // An empty slice may start where the raw data ends: the writer puts an empty resource's
    // data there when it comes last.
    if (delta > section.sizeOfRawData || count > section.sizeOfRawData - delta) continue;
    if (ByteReader::slice(image, static_cast<std::uint64_t>(section.pointerToRawData) + delta, count, out)) return true;
  }
  return false;
}

bool ResourceImage::ResourceTree(std::string_view& tree) const {
  if (Directories().size() <= kResourceDirectory) return false;
  const DataDirectory& resources = Directories()[kResourceDirectory];
  if (resources.rva == 0 || resources.size == 0) return false;
  // Directory offsets are relative to the tree's start; take what of its section the file
  // holds, however the declared size compares: every read in it is checked.
  for (const SectionHeader& section : Sections()) {
    if (resources.rva < section.virtualAddress) continue;
    const std::uint64_t delta = resources.rva - section.virtualAddress;
    if (delta >= section.sizeOfRawData) continue;
    const std::uint64_t start = static_cast<std::uint64_t>(section.pointerToRawData) + delta;
    if (start >= image.size()) return false;
    const std::uint64_t held = image.size() - start;
    const std::uint64_t wanted = section.sizeOfRawData - delta;
    return ByteReader::slice(image, start, std::min(wanted, held), tree);
  }
  return false;
}

bool ResourceImage::ReadResources(ResourceSection& resources) const {
  resources.Entries().clear();
  if (Directories().size() <= kResourceDirectory || Directories()[kResourceDirectory].rva == 0 ||
      Directories()[kResourceDirectory].size == 0)
    return true;
  std::string_view tree;
  if (!ResourceTree(tree) || !resources.ReadTree(tree)) return false;
  // Resources that do not overlap fit the image: more data than that is a damaged tree
  // pointing many entries at the same bytes, refused before it is copied.
  std::uint64_t total = 0;
  for (const ResourceSection::Entry& entry : resources.Entries()) total += entry.size;
  if (total > image.size()) return false;
  for (ResourceSection::Entry& entry : resources.Entries()) {
    std::string_view data;
    if (!Slice(entry.dataRva, entry.size, data)) return false;
    entry.data.assign(data);
  }
  return true;
}

bool ResourceImage::BaseRelocationsOutside(std::uint32_t fromRva) const {
  if (Directories().size() <= kRelocationDirectory) return true;
  const DataDirectory& relocations = Directories()[kRelocationDirectory];
  if (relocations.rva == 0 || relocations.size == 0) return true;
  std::string_view blocks;
  if (!Slice(relocations.rva, relocations.size, blocks)) return false;
  ByteReader reader(blocks);
  while (reader.remaining() >= 8) {
    std::uint32_t page = 0, blockSize = 0;
    reader.u32(page);
    reader.u32(blockSize);
    if (blockSize < 8 || !reader.skip(blockSize - 8)) return false;
    if (blockSize > 8 && page >= fromRva) return false;
  }
  return true;
}

void ResourceImage::WriteHeaders(std::string& out, const std::vector<SectionHeader>& newSections,
                                 const std::vector<DataDirectory>& newDirectories, std::uint32_t newSizeOfImage,
                                 std::uint32_t newSizeOfInitializedData, std::uint32_t newSymbolTable) const {
  const std::uint64_t ntAt = headers.NtAt();
  const std::uint64_t optionalAt = headers.OptionalAt();
  kvbytes::SetU16(out, ntAt + kNumberOfSectionsAt, static_cast<std::uint16_t>(newSections.size()));
  kvbytes::SetU32(out, ntAt + kPointerToSymbolTableAt, newSymbolTable);
  kvbytes::SetU32(out, optionalAt + kSizeOfInitializedDataAt, newSizeOfInitializedData);
  kvbytes::SetU32(out, optionalAt + kSizeOfImageAt, newSizeOfImage);
  for (std::size_t i = 0; i < newDirectories.size(); ++i) {
    const std::uint64_t at = headers.DirectoriesAt() + kDataDirectorySize * i;
    kvbytes::SetU32(out, at, newDirectories[i].rva);
    kvbytes::SetU32(out, at + 4, newDirectories[i].size);
  }
  // Whole headers: a moved section keeps the bytes it had, a new one has zeros where
  // nothing is set.
  std::string table;
  for (const SectionHeader& section : newSections) section.AppendTo(table);
  out.replace(static_cast<std::size_t>(headers.SectionTableAt()), table.size(), table);
}

// Moves the debug entries' data along with the bytes and sections they point into: their
// RVAs from rvaFrom on by rvaDelta, their file offsets from fileFrom on by fileDelta. False
// when something moved and the debug directory cannot be found in the new image.
bool ResourceImage::FixDebugDirectory(std::string& out, const std::vector<SectionHeader>& newSections,
                                      const std::vector<DataDirectory>& newDirectories, std::uint32_t rvaFrom,
                                      std::uint32_t rvaDelta, std::uint64_t fileFrom, std::uint64_t fileDelta) {
  if (newDirectories.size() <= kDebugDirectory) return true;
  const DataDirectory& debug = newDirectories[kDebugDirectory];
  if (debug.rva == 0 || debug.size < kDebugEntrySize || (rvaDelta == 0 && fileDelta == 0)) return true;
  std::uint64_t directoryAt = 0;
  bool found = false;
  // The whole directory must lie in one section's raw data: entries read past it would be
  // other bytes, the new resources among them, and would be rewritten as debug entries.
  for (const SectionHeader& section : newSections) {
    if (debug.rva >= section.virtualAddress && debug.rva - section.virtualAddress < section.sizeOfRawData) {
      const std::uint64_t offset = debug.rva - section.virtualAddress;
      if (debug.size > section.sizeOfRawData - offset) return false;
      directoryAt = section.pointerToRawData + offset;
      found = true;
      break;
    }
  }
  if (!found) return false;
  for (std::uint64_t at = 0; at + kDebugEntrySize <= debug.size; at += kDebugEntrySize) {
    const std::uint64_t entry = directoryAt + at;
    if (entry + kDebugEntrySize > out.size()) return false;
    ByteReader reader(out);
    std::uint32_t address = 0, pointer = 0;
    reader.seek(entry + kDebugAddressOfRawDataAt);
    reader.u32(address);
    reader.u32(pointer);
    if (address != 0 && address >= rvaFrom) {
      if (static_cast<std::uint64_t>(address) + rvaDelta > kMax32) return false;
      kvbytes::SetU32(out, entry + kDebugAddressOfRawDataAt, address + rvaDelta);
    }
    if (pointer != 0 && pointer >= fileFrom) {
      if (pointer + fileDelta > kMax32) return false;
      kvbytes::SetU32(out, entry + kDebugPointerToRawDataAt, static_cast<std::uint32_t>(pointer + fileDelta));
    }
  }
  return true;
}

// No data directory but the resources' may point into the range the new resource section
// covers; one that pointed at nothing before would point into the resources afterwards.
bool ResourceImage::DirectoriesOutside(const std::vector<DataDirectory>& newDirectories, std::uint64_t start,
                                       std::uint64_t extent) {
  for (std::size_t d = 0; d < newDirectories.size(); ++d) {
    if (d == kResourceDirectory || d == kCertificateDirectory || newDirectories[d].rva == 0) continue;
    if (newDirectories[d].rva >= start && newDirectories[d].rva - start < extent) return false;
  }
  return true;
}

bool ResourceImage::Rebuild(const ResourceSection& resources, std::string& out) const {
  const OptionalHeader& optional = headers.Optional();
  if (!PowerOfTwo(optional.fileAlignment) || !PowerOfTwo(optional.sectionAlignment) ||
      optional.fileAlignment > optional.sectionAlignment)
    return false;
  if (Directories().size() <= kResourceDirectory) return false;
  // Every section's raw data must be in the file after the headers, and the sections in
  // ascending order in memory, as the loader wants them.
  const std::uint64_t tableEnd = headers.HeadersEnd();
  for (std::size_t i = 0; i < Sections().size(); ++i) {
    const SectionHeader& section = Sections()[i];
    if (section.sizeOfRawData != 0 &&
        (static_cast<std::uint64_t>(section.pointerToRawData) + section.sizeOfRawData > image.size() ||
         section.pointerToRawData < tableEnd || section.pointerToRawData < optional.sizeOfHeaders))
      return false;
    if (i > 0 && section.virtualAddress <= Sections()[i - 1].virtualAddress) return false;
  }
  const DataDirectory& resourceDirectory = Directories()[kResourceDirectory];
  // As ReadResources: no RVA or no size is no resources.
  if (resourceDirectory.rva == 0 || resourceDirectory.size == 0) {
    for (const SectionHeader& section : Sections()) {
      if (section.NameIs(".rsrc")) return false;  // there, but not in use
    }
    return RebuildAdded(resources, out);
  }
  const int index = SectionOfRva(resourceDirectory.rva);
  // The tree must start the section, whose raw data the file holds: a section that holds
  // other data before it cannot be rewritten.
  if (index < 0 || Sections()[static_cast<std::size_t>(index)].virtualAddress != resourceDirectory.rva ||
      Sections()[static_cast<std::size_t>(index)].sizeOfRawData == 0)
    return false;
  return RebuildExisting(resources, index, out);
}

// The section table after the resource section at index grows: sections after it in the
// file move by fileDelta, sections after it in memory by rvaDelta, and those must be safe to
// move. False for a layout that cannot be moved so.
bool ResourceImage::MoveSections(int index, std::uint64_t tailFrom, std::uint64_t fileDelta, std::uint64_t rvaDelta,
                                 std::vector<SectionHeader>& moved) const {
  const SectionHeader& old = Sections()[static_cast<std::size_t>(index)];
  // In the file every other section lies before the resources or after them, never between.
  moved = Sections();
  const std::vector<DataDirectory>& dirs = Directories();
  for (std::size_t i = 0; i < moved.size(); ++i) {
    if (static_cast<int>(i) == index) continue;
    SectionHeader& section = moved[i];
    if (section.sizeOfRawData != 0) {
      const std::uint64_t start = section.pointerToRawData;
      if (start >= tailFrom) {
        if (start + fileDelta > kMax32) return false;
        section.pointerToRawData = static_cast<std::uint32_t>(start + fileDelta);
      } else if (start + section.sizeOfRawData > old.pointerToRawData) {
        return false;
      }
    }
    if (i > static_cast<std::size_t>(index) && rvaDelta != 0) {
      bool holdsRelocations = false;
      for (std::size_t d = 0; d < dirs.size(); ++d) {
        if (d == kCertificateDirectory || dirs[d].rva == 0) continue;
        if (SectionOfRva(dirs[d].rva) != static_cast<int>(i)) continue;
        if (d == kRelocationDirectory) {
          holdsRelocations = true;
        } else if (d != kDebugDirectory) {
          return false;
        }
      }
      if ((section.characteristics & (kSectionCode | kSectionExecute)) != 0) return false;
      if (!holdsRelocations && (section.characteristics & kSectionDiscardable) == 0) return false;
      if (section.virtualAddress + rvaDelta > kMax32) return false;
      section.virtualAddress = static_cast<std::uint32_t>(section.virtualAddress + rvaDelta);
    }
  }
  return true;
}

// The data directories after the same move; the resource directory names the new tree.
bool ResourceImage::MoveDirectories(int index, std::uint64_t total, std::uint64_t tailFrom, std::uint64_t fileDelta,
                                    std::uint64_t rvaDelta, std::vector<DataDirectory>& newDirectories) const {
  const SectionHeader& old = Sections()[static_cast<std::size_t>(index)];
  newDirectories = Directories();
  for (std::size_t d = 0; d < newDirectories.size(); ++d) {
    DataDirectory& directory = newDirectories[d];
    if (d == kResourceDirectory) {
      directory = {old.virtualAddress, static_cast<std::uint32_t>(total)};
    } else if (d == kCertificateDirectory) {
      if (directory.rva != 0 && directory.rva >= tailFrom) {
        if (directory.rva + fileDelta > kMax32) return false;
        directory.rva = static_cast<std::uint32_t>(directory.rva + fileDelta);
      }
    } else if (directory.rva != 0) {
      // Into the resource section: its contents are replaced, so nothing else may be there;
      // into a section after it: moves with that section; anywhere else: stays.
      const int holder = SectionOfRva(directory.rva);
      if (holder == index) return false;
      if (holder > index) directory.rva = static_cast<std::uint32_t>(directory.rva + rvaDelta);
    }
  }
  return true;
}

bool ResourceImage::RebuildExisting(const ResourceSection& resources, int index, std::string& out) const {
  const OptionalHeader& optional = headers.Optional();
  const std::uint32_t symbolTable = headers.File().pointerToSymbolTable;
  const SectionHeader& old = Sections()[static_cast<std::size_t>(index)];
  std::string tree;
  if (!resources.Build(old.virtualAddress, tree)) return false;
  const std::uint64_t total = tree.size();
  const std::uint64_t neededRaw = RoundUp(total, optional.fileAlignment);

  // Room in memory: up to the next section.
  const bool hasNext = static_cast<std::size_t>(index) + 1 < Sections().size();
  const std::uint64_t nextRva = hasNext ? Sections()[static_cast<std::size_t>(index) + 1].virtualAddress : 0;
  std::uint64_t rvaDelta = 0;
  if (hasNext && old.virtualAddress + total > nextRva) {
    const std::uint64_t alignment = optional.sectionAlignment;
    rvaDelta = RoundUp(RoundUp(old.virtualAddress + total, alignment) - nextRva, alignment);
  }
  // Room in the file: the section's raw data, or more, moving what follows.
  const std::uint64_t oldEnd = static_cast<std::uint64_t>(old.pointerToRawData) + old.sizeOfRawData;
  std::uint64_t newRawSize = old.sizeOfRawData;
  std::uint64_t tailFrom = oldEnd;
  std::uint64_t fileDelta = 0;
  if (neededRaw > old.sizeOfRawData) {
    if (old.pointerToRawData % optional.fileAlignment != 0) return false;
    newRawSize = neededRaw;
    tailFrom = std::min<std::uint64_t>(RoundUp(oldEnd, optional.fileAlignment), image.size());
    fileDelta = old.pointerToRawData + newRawSize - tailFrom;
  }

  std::vector<SectionHeader> moved;
  if (!MoveSections(index, tailFrom, fileDelta, rvaDelta, moved)) return false;
  // Base relocations describe the pages of sections that do not move, so the relocation
  // section's contents stay as they are when it moves; a relocation for a page of a moved
  // section would need rebasing, and is refused.
  if (rvaDelta != 0 && !BaseRelocationsOutside(static_cast<std::uint32_t>(nextRva))) return false;
  SectionHeader& resourceSection = moved[static_cast<std::size_t>(index)];
  resourceSection.virtualSize = static_cast<std::uint32_t>(std::max<std::uint64_t>(old.virtualSize, total));
  resourceSection.sizeOfRawData = static_cast<std::uint32_t>(newRawSize);

  std::vector<DataDirectory> newDirectories;
  if (!MoveDirectories(index, total, tailFrom, fileDelta, rvaDelta, newDirectories)) return false;
  if (!DirectoriesOutside(newDirectories, old.virtualAddress, std::max<std::uint64_t>(total, newRawSize))) return false;
  std::uint32_t newSymbolTable = symbolTable;
  if (symbolTable != 0 && symbolTable >= tailFrom) {
    if (symbolTable + fileDelta > kMax32) return false;
    newSymbolTable = static_cast<std::uint32_t>(symbolTable + fileDelta);
  }
  std::uint64_t end = 0;
  for (const SectionHeader& section : moved) {
    end = std::max<std::uint64_t>(end, static_cast<std::uint64_t>(section.virtualAddress) +
                                           (section.virtualSize ? section.virtualSize : section.sizeOfRawData));
  }
  const std::uint64_t newSizeOfImage =
      std::max<std::uint64_t>(optional.sizeOfImage + rvaDelta, RoundUp(end, optional.sectionAlignment));
  std::uint64_t newInitialized = optional.sizeOfInitializedData;
  if (old.characteristics & kSectionInitializedData) newInitialized += newRawSize - old.sizeOfRawData;
  if (newSizeOfImage > kMax32 || newInitialized > kMax32) return false;

  const std::uint64_t newLength =
      static_cast<std::uint64_t>(old.pointerToRawData) + newRawSize + (image.size() - tailFrom);
  if (newLength > kMax32) return false;
  out.clear();
  out.reserve(static_cast<std::size_t>(newLength));
  out.append(image.substr(0, old.pointerToRawData));
  out += tree;
  ResourceSection::AppendPadding(out, newRawSize - total);
  out.append(image.substr(static_cast<std::size_t>(tailFrom)));
  WriteHeaders(out, moved, newDirectories, static_cast<std::uint32_t>(newSizeOfImage),
               static_cast<std::uint32_t>(newInitialized), newSymbolTable);

  if (!FixDebugDirectory(out, moved, newDirectories, static_cast<std::uint32_t>(hasNext ? nextRva : kMax32),
                         static_cast<std::uint32_t>(rvaDelta), tailFrom, fileDelta))
    return false;
  if (optional.checkSum != 0) {
    const std::uint64_t checkSumAt = headers.OptionalAt() + kCheckSumAt;
    kvbytes::SetU32(out, checkSumAt, CheckSum(out, checkSumAt));
  }
  return true;
}

bool ResourceImage::RebuildAdded(const ResourceSection& resources, std::string& out) const {
  const OptionalHeader& optional = headers.Optional();
  const std::uint32_t symbolTable = headers.File().pointerToSymbolTable;
  // Room for one more header after the table, inside the headers and before any raw data,
  // and nothing there yet (a bound-import table may sit after the section table).
  const std::uint64_t tableEnd = headers.HeadersEnd();
  const std::uint64_t newTableEnd = tableEnd + kSectionHeaderSize;
  if (newTableEnd > optional.sizeOfHeaders || newTableEnd > image.size() || Sections().size() >= kMaxSections)
    return false;
  std::uint64_t rawEnd = optional.sizeOfHeaders;
  // The headers take the image's first page in memory too: a section never starts at RVA 0.
  std::uint64_t virtualEnd = std::max<std::uint64_t>({optional.sizeOfImage, optional.sizeOfHeaders, 1});
  for (const SectionHeader& section : Sections()) {
    if (section.sizeOfRawData != 0) {
      if (section.pointerToRawData < newTableEnd) return false;
      rawEnd =
          std::max<std::uint64_t>(rawEnd, static_cast<std::uint64_t>(section.pointerToRawData) + section.sizeOfRawData);
    }
    // A section takes at least one byte of memory, so that the new one comes after it.
    virtualEnd = std::max<std::uint64_t>(
        virtualEnd, static_cast<std::uint64_t>(section.virtualAddress) +
                        std::max<std::uint64_t>(std::max(section.virtualSize, section.sizeOfRawData), 1));
  }
  for (std::uint64_t at = tableEnd; at < newTableEnd; ++at) {
    if (image[static_cast<std::size_t>(at)] != '\0') return false;
  }
  if (rawEnd > image.size()) return false;
  const std::uint64_t rva = RoundUp(virtualEnd, optional.sectionAlignment);
  if (rva > kMax32) return false;
  std::string tree;
  if (!resources.Build(static_cast<std::uint32_t>(rva), tree)) return false;
  const std::uint64_t total = tree.size();
  const std::uint64_t rawAt = RoundUp(rawEnd, optional.fileAlignment);
  const std::uint64_t rawSize = RoundUp(total, optional.fileAlignment);
  const std::uint64_t overlayShift = rawAt + rawSize - rawEnd;
  const std::uint64_t newSizeOfImage = rva + RoundUp(total, optional.sectionAlignment);
  const std::uint64_t newInitialized = static_cast<std::uint64_t>(optional.sizeOfInitializedData) + rawSize;
  const std::uint64_t newLength = image.size() + overlayShift;
  if (newSizeOfImage > kMax32 || newInitialized > kMax32 || newLength > kMax32) return false;

  std::vector<SectionHeader> withNew = Sections();
  SectionHeader added;
  added.SetName(".rsrc");
  added.virtualSize = static_cast<std::uint32_t>(total);
  added.virtualAddress = static_cast<std::uint32_t>(rva);
  added.sizeOfRawData = static_cast<std::uint32_t>(rawSize);
  added.pointerToRawData = static_cast<std::uint32_t>(rawAt);
  added.characteristics = kSectionInitializedData | kSectionRead;
  withNew.push_back(added);
  std::vector<DataDirectory> newDirectories = Directories();
  newDirectories[kResourceDirectory] = {static_cast<std::uint32_t>(rva), static_cast<std::uint32_t>(total)};
  if (newDirectories.size() > kCertificateDirectory) {
    DataDirectory& certificates = newDirectories[kCertificateDirectory];
    if (certificates.rva != 0 && certificates.rva >= rawEnd) {
      certificates.rva = static_cast<std::uint32_t>(certificates.rva + overlayShift);
    }
  }
  if (!DirectoriesOutside(newDirectories, added.virtualAddress, rawSize)) return false;
  std::uint32_t newSymbolTable = symbolTable;
  if (symbolTable != 0 && symbolTable >= rawEnd)
    newSymbolTable = static_cast<std::uint32_t>(symbolTable + overlayShift);

  out.clear();
  out.reserve(static_cast<std::size_t>(newLength));
  out.append(image.substr(0, static_cast<std::size_t>(rawEnd)));
  out.append(static_cast<std::size_t>(rawAt - rawEnd), '\0');
  out += tree;
  ResourceSection::AppendPadding(out, rawSize - total);
  out.append(image.substr(static_cast<std::size_t>(rawEnd)));
  WriteHeaders(out, withNew, newDirectories, static_cast<std::uint32_t>(newSizeOfImage),
               static_cast<std::uint32_t>(newInitialized), newSymbolTable);
  if (!FixDebugDirectory(out, withNew, newDirectories, static_cast<std::uint32_t>(kMax32), 0, rawEnd, overlayShift))
    return false;
  if (optional.checkSum != 0) {
    const std::uint64_t checkSumAt = headers.OptionalAt() + kCheckSumAt;
    kvbytes::SetU32(out, checkSumAt, CheckSum(out, checkSumAt));
  }
  return true;
}

}  // namespace kvpe
