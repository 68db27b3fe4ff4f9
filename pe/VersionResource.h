// The version resource of a PE image: found through the resource tree and queried as
// VerQueryValueW queries it. Every read is checked; damaged input fails instead of reading
// outside the data.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvpe {

// The bytes of the first RT_VERSION resource (first name, first language) of a PE image.
bool FindVersionResource(std::string_view image, std::string_view& block);

// The value of a node addressed by its keys below the root, compared without regard to
// ASCII case, e.g. {"StringFileInfo", "040904b0", "CompanyName"}; an empty path is the
// root. Text values (type 1) end at their first terminator.
bool QueryVersionValue(std::string_view block, const std::vector<std::string>& path, std::string_view& value,
                       bool& isText);

}  // namespace kvpe
