// KVWinFileWriter: writes a model as .win text, refusing (see WinFile.h) whatever would not
// read back as it is.
#pragma once

#include <string>

#include "designer/IdTable.h"
#include "designer/WinFile.h"

class KVWinFileWriter {
public:
  KVWinResult Write(const KVWinFile& model, std::string& text);

private:
  bool WriteHeader(const KVControlRecord& window);
  // A whole header line: a double quote may stand there, a line end may not.
  bool HeaderText(const std::string& text, const char* what);
  bool WriteMenuLevel(const KVMenuItem& level, int depth);
  // The id must be one that reading, in the same order, would leave as it is.
  bool CheckId(std::int32_t id, const std::string& owner);
  void Line(std::string_view line);
  // The line that would be written next is at fault.
  bool Fail(std::string message);

  std::string out;
  int lineCount = 0;
  KVIdTable ids;
  KVWinResult result;
};
