// Reads text files line by line by the rule that code assistance, the declaration compiler
// and find in files share, so that all three see the same lines with the same numbers:
// a line ends at a CR, and the byte after the CR is read and dropped whatever it is (the LF of
// the CR LF pair the editor writes); the end of the file ends the last line. A lone LF ends
// nothing: it is an ordinary byte of the line, so a file with LF line ends is one line.
//
// A line is held in a 4,096-byte buffer and keeps at most 4,095 bytes, followed by a NUL. The
// rest of a longer line is read and thrown away up to its CR, and the line is marked as cut.
// Cutting rather than splitting keeps every later line where it is: a split would turn the
// tail into a line of its own, which the compiler would take for one more declaration and
// which would shift every line number after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

class KVLineReader {
public:
  static constexpr std::size_t kBufferSize = 4096;
  static constexpr std::size_t kMaxLineLength = kBufferSize - 1;

  // Reads from the file's current position. The file stays the caller's.
  explicit KVLineReader(FILE* file) : file(file) {}
  KVLineReader(const KVLineReader&) = delete;
  KVLineReader& operator=(const KVLineReader&) = delete;

  // Reads the next line. False, with an empty line, once nothing is left to read; a read
  // error counts as the end of the file.
  bool Next();

  // The current line without its line end; NUL-terminated. Valid until the next call of Next.
  std::string_view Line() const { return std::string_view(buffer, length); }

  // True when the line was longer than kMaxLineLength bytes; Line() then holds its start.
  bool Cut() const { return cut; }

  // Number of the current line, from 1; 0 before the first line.
  std::uint64_t Number() const { return number; }

private:
  FILE* file;
  char buffer[kBufferSize] = {};
  std::size_t length = 0;
  bool cut = false;
  std::uint64_t number = 0;
};
