// Finds a named section's raw data in a PE image held in memory. The runtime reads its own
// executable file this way to reach the payload that a build appended as a section.
#pragma once

#include <string_view>

namespace kvstub {

enum class SectionLookup {
  Found,
  NotFound,     // a well-formed image without such a section
  NotAnImage,   // headers missing, damaged or running past the end of the file
  OutsideFile,  // the section's raw data runs past the end of the file
};

// On Found, data is the section's contents: VirtualSize bytes from PointerToRawData, or
// SizeOfRawData bytes when VirtualSize is 0 or larger (it is the payload's exact length when
// the section was appended by the IDE; SizeOfRawData includes the alignment padding). With
// several sections of that name, the last one counts.
SectionLookup FindSection(std::string_view image, std::string_view name, std::string_view& data);

}  // namespace kvstub
