// The runtime pack in the last section of the IDE's own executable, named "kvrsrc": the
// default project icon and one XZ-compressed runtime executable per build target.
//
// Pack layout, all numbers u32 little-endian, offsets relative to the pack start:
//   0  entry 0 offset, 4 entry 0 size   default project icon (.ico bytes)
//   8  entry 1 offset, 12 entry 1 size  runtime for Windows 64 (XZ)
//   16 entry 2 offset, 20 entry 2 size  runtime for Windows 32 (XZ)
//   24 entry 3 offset, 28 entry 3 size  runtime for macOS (XZ)
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/AtomicFile.h"

namespace kvbuild {

enum class PackEntry : int { DefaultIcon = 0, Windows64 = 1, Windows32 = 2, MacOS = 3 };

// The runtime entry a build target uses: 1 Windows 64, 3 Windows 32, anything else macOS.
PackEntry RuntimeEntryFor(std::int32_t target);

// Writes destinationPath as exactly count bytes from the current position of source. The bytes
// go to a temporary file beside it that replaces it only when complete: a source that ends
// early or a failed write gives false, with destinationPath as it was and no temporary left.
// error, when given, says why.
bool CopyBytes(FILE* source, const std::string& destinationPath, std::uint32_t count,
               kvplatform::FileError* error = nullptr);

// Decompresses the target's runtime from the pack of the executable ideExecutablePath to
// destinationPath, replacing it in one step. On any failure, a damaged or truncated stream
// included, false: destinationPath keeps what it held (the previous build stays) and no
// temporary file is left. error, when given, says why (inUse: the destination is running).
bool ExtractRuntime(const std::string& ideExecutablePath, std::int32_t target, const std::string& destinationPath,
                    kvplatform::FileError* error = nullptr);

// True when the executable ends with a runtime pack (a development build of the IDE or a
// test program carries none).
bool HasRuntimePack(const std::string& ideExecutablePath);

// Copies the pack's default project icon to destinationPath. False, with no file left,
// when the executable carries no pack.
bool CopyDefaultIcon(const std::string& ideExecutablePath, const std::string& destinationPath,
                     kvplatform::FileError* error = nullptr);

}  // namespace kvbuild
