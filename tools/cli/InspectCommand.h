// `kvcli inspect App.exe|App.app`: what a build put into an application. For a Windows
// executable its sections, the payload of its "snapshot" section (each entry with its sizes
// and the CRC-32 of its decompressed data), its version resource, icon group and bitmaps; for
// a macOS bundle its PkgInfo, Info.plist, icon file elements and the payload beside the runtime.
#pragma once

#include <string>
#include <vector>

namespace kvcli {

int RunInspectCommand(const std::vector<std::string>& arguments);

}  // namespace kvcli
