// KVLogFont: a chosen font as a .win file stores it: the thirteen numbers of a LOGFONT and
// its face name, "%d %d %d %d %d %d %d %d %d %d %d %d %d %s". The designer turns it into a
// LOGFONT; lfFaceName holds 31 characters, so a longer face name must be cut there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct KVLogFont {
  std::int32_t height = 0;
  std::int32_t width = 0;
  std::int32_t escapement = 0;
  std::int32_t orientation = 0;
  std::int32_t weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strikeOut = 0;
  std::uint8_t charSet = 0;
  std::uint8_t outPrecision = 0;
  std::uint8_t clipPrecision = 0;
  std::uint8_t quality = 0;
  std::uint8_t pitchAndFamily = 0;
  std::string faceName;

  // Thirteen numbers, each followed by one space, then a face name of at least one byte that
  // runs to the end (spaces included). Of the last eight numbers, the byte-sized LOGFONT
  // members, the low eight bits are kept. False, leaving font alone, for anything shorter.
  static bool Parse(std::string_view text, KVLogFont& font);
  // The byte-sized members are written as 0 to 255.
  std::string Format() const;
  // The label shown for a chosen font, "%s (%d)": the face name and the size in whole points
  // from the font dialog's size in tenths of a point.
  static std::string Label(std::string_view faceName, int tenthsOfPoint);
};
