#include "designer/WinLines.h"

KVWinLines::KVWinLines(std::string_view text) : data(text.substr(0, text.find('\0'))) {}

KVWinLines::Step KVWinLines::Next(std::string_view& line) {
  if (broken) return Step::BadLineEnd;
  if (position >= data.size()) return Step::End;
  const std::size_t end = data.find_first_of("\r\n", position);
  if (end == std::string_view::npos) {
    line = data.substr(position);
    position = data.size();
    ++number;
    return Step::Line;
  }
  const bool crlf = data[end] == '\r' && (end + 1 == data.size() || data[end + 1] == '\n');
  if (!crlf) {
    broken = true;
    ++number;
    return Step::BadLineEnd;
  }
  line = data.substr(position, end - position);
  position = end + 2 < data.size() ? end + 2 : data.size();
  ++number;
  return Step::Line;
}
