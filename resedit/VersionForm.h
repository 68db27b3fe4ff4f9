// The values of the version editor's form and how they reach version.xml: the four version
// numbers (Release, Major, Minor, Build) and five texts, in the order of the form. Values are
// UTF-8; the XML library escapes them on the way out, so "&", "<" and any other text read
// back unchanged.
#pragma once

#include <array>
#include <string>

namespace kvversionform {

inline constexpr int kFieldCount = 9;
inline constexpr int kNumberCount = 4;
using Values = std::array<std::string, kFieldCount>;

// Where each field's value lives in version.xml, in the order of the form.
extern const std::array<const char*, kFieldCount> kXPaths;
// The element names, in the same order; the first four sit inside FixedFileVersion.
extern const std::array<const char*, kFieldCount> kElements;

// The values of the file; false, all values empty, when it cannot be read as XML.
bool Load(const std::string& path, Values& values);

// The version.xml text for the values: a Version element holding FixedFileVersion with the
// four numbers, then the five texts; an empty value gives an empty element.
std::string XmlText(const Values& values);

// Writes the values as the file's whole new content in one step; the old file stays when it
// fails, and why says so in the system's words.
bool Save(const std::string& path, const Values& values, std::string* why = nullptr);

}  // namespace kvversionform
