// KVWinFileReader: reads .win text into a model. It fills the model it is given as it goes;
// KVWinFile hands it a scratch model and keeps the result only when the read succeeds.
#pragma once

#include <string>
#include <string_view>

#include "designer/WinFile.h"
#include "designer/WinLines.h"

class KVWinFileReader {
public:
  KVWinFileReader(std::string_view text, KVWinFile& model) : lines(text), model(model) {}

  KVWinResult ReadFile();
  KVWinResult ReadControlLines();
  KVWinResult ReadMenuText();

private:
  enum class LevelEnd { Closed, TextEnded, Failed };

  bool ReadHeader();
  // Control lines and, with withMenu, menu blocks, up to an empty line or the end.
  void ReadBody(bool withMenu);
  bool ReadControl(std::string_view line, std::string_view kind);
  LevelEnd ReadMenuLevel(KVMenuItem& level, int depth);
  bool ReadCommand(std::string_view line, KVMenuItem& level);
  // The id a record gets; fails when the table has no free id left to replace wanted with.
  bool TakeId(std::int32_t& id);
  // False at the end of the text, and at a broken line end (which fails the read).
  bool NextLine(std::string_view& line);
  bool Fail(int line, std::string message);
  bool Fail(std::string message) { return Fail(lines.Number(), std::move(message)); }

  KVWinLines lines;
  KVWinFile& model;
  KVWinResult result;
};
