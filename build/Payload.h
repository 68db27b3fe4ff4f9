// The project payload: the project's sources (XZ-compressed), dialog windows and compiled
// library declarations in one file beside the built executable, which the build then attaches
// to the executable or leaves in the bundle. Its layout is in build/PayloadFormat.h.
#pragma once

#include <cstdint>
#include <string>

class KVProject;

namespace kvbuild {

// Writes the payload of the loaded project, for its own target, to executablePath + ".bin" and returns that path.
// A source or window whose file does not open gets an entry without data, a library whose
// declaration file does not open an empty block. Returns "" and leaves no file behind when
// the payload cannot be created or completely written, or when a file or the payload as a
// whole would not fit the format's 32-bit offsets and sizes: a wrapped size would hand the
// runtime a damaged project.
std::string WritePayload(const KVProject& project, const std::string& executablePath);

// The same with sizeLimit, when lower than kvpayload::kMaxPayloadSize, as the ceiling of the
// payload's size and of every entry's dataSize; lets the refusal be exercised with small files.
std::string WritePayload(const KVProject& project, const std::string& executablePath, std::uint64_t sizeLimit);

// The same for a build target other than the project's own: library declarations are compiled
// for the runtime being built, whose word sizes differ between targets.
std::string WritePayloadFor(const KVProject& project, std::int32_t target, const std::string& executablePath,
                            std::uint64_t sizeLimit);

}  // namespace kvbuild
