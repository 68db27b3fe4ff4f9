// A PE32 or PE32+ image in memory as far as its resources concern it: the headers (read by
// PeHeaders) and the resource directory, read with every offset checked; and the same image
// written again with a new resource section, as EndUpdateResourceW writes it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pe/PeHeaders.h"
#include "pe/ResourceSection.h"

namespace kvpe {

class ResourceImage {
public:
  // Reads the headers and the section table of image, which must outlive this object. False
  // for anything that is not a PE32 or PE32+ image whose headers the bytes hold whole.
  bool Parse(std::string_view image);

  // The resource tree: from the resource directory's RVA to the end of the section holding
  // it, as far as the file holds that section. False when the image has no resources.
  bool ResourceTree(std::string_view& tree) const;

  // count bytes at an RVA, when one section's raw data in the file holds all of them.
  bool Slice(std::uint32_t rva, std::uint64_t count, std::string_view& out) const;

  // Every resource with its data. An image without a resource directory gives an empty
  // model; a damaged tree or data outside the file fails.
  bool ReadResources(ResourceSection& resources) const;

  // The whole image again with resources as its resource section (see the .cpp for the
  // layout rules). False, with out unspecified, for what cannot be written safely.
  bool Rebuild(const ResourceSection& resources, std::string& out) const;

private:
  const std::vector<SectionHeader>& Sections() const { return headers.Sections(); }
  const std::vector<DataDirectory>& Directories() const { return headers.Directories(); }

  int SectionOfRva(std::uint32_t rva) const;  // index, or -1
  bool RebuildExisting(const ResourceSection& resources, int index, std::string& out) const;
  bool MoveSections(int index, std::uint64_t tailFrom, std::uint64_t fileDelta, std::uint64_t rvaDelta,
                    std::vector<SectionHeader>& moved) const;
  bool MoveDirectories(int index, std::uint64_t total, std::uint64_t tailFrom, std::uint64_t fileDelta,
                       std::uint64_t rvaDelta, std::vector<DataDirectory>& newDirectories) const;
  bool RebuildAdded(const ResourceSection& resources, std::string& out) const;
  bool BaseRelocationsOutside(std::uint32_t fromRva) const;
  static bool DirectoriesOutside(const std::vector<DataDirectory>& newDirectories, std::uint64_t start,
                                 std::uint64_t extent);
  static bool FixDebugDirectory(std::string& out, const std::vector<SectionHeader>& newSections,
                                const std::vector<DataDirectory>& newDirectories, std::uint32_t rvaFrom,
                                std::uint32_t rvaDelta, std::uint64_t fileFrom, std::uint64_t fileDelta);
  void WriteHeaders(std::string& out, const std::vector<SectionHeader>& newSections,
                    const std::vector<DataDirectory>& newDirectories, std::uint32_t newSizeOfImage,
                    std::uint32_t newSizeOfInitializedData, std::uint32_t newSymbolTable) const;

  std::string_view image;
  PeHeaders headers;
};

}  // namespace kvpe
