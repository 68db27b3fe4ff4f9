// The project's icon and bitmaps written into a built Windows executable as resources, each
// with language 1033, next to the runtime's own resources.
#pragma once

#include <cstdint>
#include <string>

#include "build/BuildReport.h"

class KVProject;

namespace kvbuild {

inline constexpr std::uint16_t kResourceTypeBitmap = 2;  // RT_BITMAP

// Writes the icon named by the project file's Icon element (in the Resources folder) as
// RT_ICON 1..n, exactly as its images are stored, and the group RT_GROUP_ICON 107 naming
// them, in one update. Skipped, leaving the runtime's own icon, when the project names no
// icon; Failed when the named file is missing or not an icon, or the update fails.
StepReport StampIcon(const KVProject& project, const std::string& executablePath);

// Writes every bitmap item, in item order, as RT_BITMAP named by its display name: the file
// without its 14-byte file header, each in its own update. Files of 14 bytes or less hold no
// image and are passed over. Ends at the first bitmap that cannot be read or written.
StepReport StampBitmaps(const KVProject& project, const std::string& executablePath);

}  // namespace kvbuild
