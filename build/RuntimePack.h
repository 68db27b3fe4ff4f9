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

namespace kvbuild {

enum class PackEntry : int { DefaultIcon = 0, Windows64 = 1, Windows32 = 2, MacOS = 3 };

// The runtime entry a build target uses: 1 Windows 64, 3 Windows 32, anything else macOS.
PackEntry RuntimeEntryFor(std::int32_t target);

// Creates destinationPath ("wb") and copies up to count bytes from the current position of
// source, stopping early at its end. True when the destination could be created and written.
bool CopyBytes(FILE* source, const std::string& destinationPath, std::uint32_t count);

// Decompresses the target's runtime from the pack of the executable ideExecutablePath to
// destinationPath, replacing it. On any failure, a damaged or truncated stream included,
// false, and neither the destination nor the temporary ".kvs_" file is left behind.
bool ExtractRuntime(const std::string& ideExecutablePath, std::int32_t target, const std::string& destinationPath);

// True when the executable ends with a runtime pack (a development build of the IDE or a
// test program carries none).
bool HasRuntimePack(const std::string& ideExecutablePath);

// Copies the pack's default project icon to destinationPath. False, with no file left,
// when the executable carries no pack.
bool CopyDefaultIcon(const std::string& ideExecutablePath, const std::string& destinationPath);

}  // namespace kvbuild
