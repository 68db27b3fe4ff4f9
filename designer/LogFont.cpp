#include "designer/FontSpec.h"

#include "designer/FieldScanner.h"

bool KVFontSpec::Parse(std::string_view text, KVFontSpec& spec) {
  KVFieldScanner scanner(text);
  std::int32_t numbers[13];
  for (std::int32_t& number : numbers) {
    if (!scanner.Number(number) || !scanner.Char(' ')) return false;
  }
  const std::string_view face = scanner.Rest();
  if (face.empty()) return false;

  const auto byte = [](std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); };
  spec.height = numbers[0];
  spec.width = numbers[1];
  spec.escapement = numbers[2];
  spec.orientation = numbers[3];
  spec.weight = numbers[4];
  spec.italic = byte(numbers[5]);
  spec.underline = byte(numbers[6]);
  spec.strikeOut = byte(numbers[7]);
  spec.charSet = byte(numbers[8]);
  spec.outPrecision = byte(numbers[9]);
  spec.clipPrecision = byte(numbers[10]);
  spec.quality = byte(numbers[11]);
  spec.pitchAndFamily = byte(numbers[12]);
  spec.faceName.assign(face);
  return true;
}

std::string KVFontSpec::Format() const {
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

std::string KVFontSpec::Label(std::string_view faceName, int tenthsOfPoint) {
  return std::string(faceName) + " (" + std::to_string(tenthsOfPoint / 10) + ")";
}
