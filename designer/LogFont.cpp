#include "designer/LogFont.h"

#include "designer/FieldScanner.h"

bool KVLogFont::Parse(std::string_view text, KVLogFont& font) {
  KVFieldScanner scanner(text);
  std::int32_t numbers[13];
  for (std::int32_t& number : numbers) {
    if (!scanner.Number(number) || !scanner.Char(' ')) return false;
  }
  const std::string_view face = scanner.Rest();
  if (face.empty()) return false;

  const auto byte = [](std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); };
  font.height = numbers[0];
  font.width = numbers[1];
  font.escapement = numbers[2];
  font.orientation = numbers[3];
  font.weight = numbers[4];
  font.italic = byte(numbers[5]);
  font.underline = byte(numbers[6]);
  font.strikeOut = byte(numbers[7]);
  font.charSet = byte(numbers[8]);
  font.outPrecision = byte(numbers[9]);
  font.clipPrecision = byte(numbers[10]);
  font.quality = byte(numbers[11]);
  font.pitchAndFamily = byte(numbers[12]);
  font.faceName.assign(face);
  return true;
}

std::string KVLogFont::Format() const {
  std::string text;
  for (std::int32_t number : {height, width, escapement, orientation, weight}) {
    text += std::to_string(number);
    text += ' ';
  }
  for (std::uint8_t number : {italic, underline, strikeOut, charSet, outPrecision, clipPrecision, quality,
                              pitchAndFamily}) {
    text += std::to_string(static_cast<unsigned>(number));
    text += ' ';
  }
  return text + faceName;
}

std::string KVLogFont::Label(std::string_view faceName, int tenthsOfPoint) {
  return std::string(faceName) + " (" + std::to_string(tenthsOfPoint / 10) + ")";
}
