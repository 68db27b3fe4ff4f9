// Small file utilities used by the editors and by the XML wrapper. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// The file's bytes followed by two zero bytes, so that 8-bit and 16-bit text are both
// terminated; empty when the file is empty or cannot be read.
std::string ReadWholeFile(const std::string& path);

// Writes text up to its first zero byte with mode "wbc" (committed to disk on flush).
// False when the file cannot be opened or not every byte reached it.
bool WriteTextFile(const std::string& path, const std::string& text);

// Writes value as 4 bytes, least significant first.
bool WriteU32(std::uint32_t value, FILE* file);

// The file's bytes exactly; false when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& bytes);

// Writes bytes to a file opened with mode; false unless every byte was written and the
// file closed cleanly.
bool WriteFileBytes(const std::string& path, std::string_view bytes, const char* mode);
