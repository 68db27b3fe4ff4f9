// Small file utilities used by the editors and by the XML wrapper. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// The file's bytes followed by two zero bytes, so that 8-bit and 16-bit text are both
// terminated; empty when the file is empty or cannot be read.
std::string ReadWholeFile(const std::string& path);

// Writes text up to its first zero byte as the file's whole new content, atomically (see
// platform/AtomicFile.h); false, with the old file left as it was, when that fails.
bool WriteTextFile(const std::string& path, const std::string& text);

// Writes value as 4 bytes, least significant first.
bool WriteU32(std::uint32_t value, FILE* file);

// The file's bytes exactly; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& bytes);

// Replaces the file's content with bytes atomically, as WriteTextFile does; the mode is no
// longer used, every write goes to disk before it takes the file's place.
bool WriteFileBytes(const std::string& path, std::string_view bytes, const char* mode);
