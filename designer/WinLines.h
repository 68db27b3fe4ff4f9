// KVWinLines: the lines of a .win text. The text ends at its first NUL byte; every line ends
// with CR LF, the last one also at the end of the text. A CR followed by anything but LF, or
// an LF without its CR, is refused rather than guessed at: read the usual way, a file saved
// with lone CRs would lose the first byte of every line, and one with lone LFs would be a
// single line.
#pragma once

#include <cstddef>
#include <string_view>

class KVWinLines {
public:
  enum class Step { Line, End, BadLineEnd };

  explicit KVWinLines(std::string_view text);

  // The next line without its line end. After BadLineEnd every call returns it again and
  // Number() is the line whose end is wrong.
  Step Next(std::string_view& line);
  // 1-based number of the line last returned (or at fault).
  int Number() const { return number; }

private:
  std::string_view data;
  std::size_t position = 0;
  int number = 0;
  bool broken = false;
};
