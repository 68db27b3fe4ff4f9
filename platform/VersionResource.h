// The portable answer of ReadFileVersionInfo where VERSION.dll is not available, from the
// version resource's bytes (see pe/VersionResource.h for finding them in an image).
#pragma once

#include <string_view>

#include "platform/VersionInfo.h"

namespace kvplatform {

// The fixed info and the strings of the first translation, as ReadFileVersionInfo gives them.
bool ParseVersionBlock(std::string_view block, FileVersionInfo& info);

}  // namespace kvplatform
