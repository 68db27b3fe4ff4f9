#include "platform/LineReader.h"

#include "platform/Platform.h"

bool KVLineReader::Next() {
  length = 0;
  cut = false;
  buffer[0] = '\0';
  int c = kvplatform::GetByteUnlocked(file);
  if (c == EOF) return false;
  for (; c != EOF; c = kvplatform::GetByteUnlocked(file)) {
    if (c == '\r') {
      kvplatform::GetByteUnlocked(file);
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
