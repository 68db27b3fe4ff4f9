#include "common/LineReader.h"

bool KVLineReader::Next() {
  length = 0;
  cut = false;
  buffer[0] = '\0';
  int c = std::getc(file);
  if (c == EOF) return false;
  for (; c != EOF; c = std::getc(file)) {
    if (c == '\r') {
      std::getc(file);
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
