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
  // A number as the C library's atol reads one: leading blanks, an optional sign and the
  // digits up to the first other character, which is left unread. At least one digit is
  // required, and the value must fit 32 bits: a field with no number, or one too large, is
  // not read as 0 or as a wrapped value.
  bool LeadingNumber(std::int32_t& value);
  // Moves just past the next occurrence of c; false, staying put, when there is none.
  bool SkipPast(char c);
  // Moves onto the next occurrence of c; false, staying put, when there is none.
  bool SkipTo(char c);
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
