// The portable reader behind ReadFileVersionInfo where VERSION.dll is not available: finds
// the version resource in a PE image and answers the queries VerQueryValueW answers. Every
// read is checked; damaged input fails instead of reading outside the data.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/VersionInfo.h"

namespace kvplatform {

// The bytes of the first RT_VERSION resource (first name, first language) of a PE image.
bool FindVersionResource(std::string_view image, std::string_view& block);

// The value of a node addressed by its keys below the root, compared without regard to
// ASCII case, e.g. {"StringFileInfo", "040904b0", "CompanyName"}; an empty path is the
// root. Text values (type 1) end at their first terminator.
bool QueryVersionValue(std::string_view block, const std::vector<std::string>& path, std::string_view& value,
                       bool& isText);

// The fixed info and the strings of the first translation, as ReadFileVersionInfo gives them.
bool ParseVersionBlock(std::string_view block, FileVersionInfo& info);

}  // namespace kvplatform
