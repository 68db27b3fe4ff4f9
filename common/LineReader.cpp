#include "common/LineReader.h"

namespace {

// The IDE has one thread, so the stream's lock is of no use here; taking it for every byte
// costs more than the reading itself.
inline int NextByte(FILE* file) {
#ifdef _WIN32
  return _getc_nolock(file);
#else
  return getc_unlocked(file);
#endif
}

}  // namespace

bool KVLineReader::Next() {
  length = 0;
  cut = false;
  buffer[0] = '\0';
  int c = NextByte(file);
  if (c == EOF) return false;
  for (; c != EOF; c = NextByte(file)) {
    if (c == '\r') {
      NextByte(file);
      break;
    }
    if (length < kMaxLineLength) {
      buffer[length++] = static_cast<char>(c);
    } else {
      cut = true;
    }
  }
  buffer[length] = '\0';
  ++number;
  return true;
}
