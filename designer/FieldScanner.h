// KVFieldScanner: checked reading of the fields of one .win line. Every step either consumes
// exactly what it reports or leaves the position where it was; nothing is read past the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class KVFieldScanner {
public:
  explicit KVFieldScanner(std::string_view line, std::size_t start = 0)
      : line(line), position(start < line.size() ? start : line.size()) {}

  // A decimal number: optional sign and at least one digit, within the 32-bit signed range.
  // Files are written with "%d"; anything looser is refused rather than half read.
  bool Number(std::int32_t& value);
  bool Char(char expected);
  // A double quote, the text up to the next double quote, and that closing quote.
  bool Quoted(std::string_view& text);
  // The rest of the line from the position, consumed.
  std::string_view Rest();
  bool AtEnd() const { return position == line.size(); }

private:
  std::string_view line;
  std::size_t position;
};
