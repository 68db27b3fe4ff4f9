#include "tools/runtime-stub/PeSections.h"

#include "common/ByteIO.h"
#include "pe/PeHeaders.h"

namespace kvstub {

SectionLookup FindSection(std::string_view image, std::string_view name, std::string_view& data) {
  kvpe::PeHeaders headers;
  if (!headers.Parse(image)) return SectionLookup::NotAnImage;
  const kvpe::SectionHeader* match = nullptr;
  for (const kvpe::SectionHeader& section : headers.Sections()) {
    if (section.NameIs(name)) match = &section;
  }
  if (match == nullptr) return SectionLookup::NotFound;

  const std::uint32_t size =
      match->virtualSize != 0 && match->virtualSize <= match->sizeOfRawData ? match->virtualSize : match->sizeOfRawData;
  if (!kvbytes::ByteReader::slice(image, match->pointerToRawData, size, data)) return SectionLookup::OutsideFile;
  return SectionLookup::Found;
}

}  // namespace kvstub
