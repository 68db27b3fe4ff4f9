// The system's LOGFONTW of a font as a dialog window file stores it (KVLogFont), and back.
#pragma once

#include <windows.h>

#include "common/Text.h"
#include "designer/LogFont.h"

namespace kvdesigner {

inline LOGFONTW ToSystemLogFont(const KVLogFont& font) {
  LOGFONTW log = {};
  log.lfHeight = font.height;
  log.lfWidth = font.width;
  log.lfEscapement = font.escapement;
  log.lfOrientation = font.orientation;
  log.lfWeight = font.weight;
  log.lfItalic = font.italic;
  log.lfUnderline = font.underline;
  log.lfStrikeOut = font.strikeOut;
  log.lfCharSet = font.charSet;
  log.lfOutPrecision = font.outPrecision;
  log.lfClipPrecision = font.clipPrecision;
  log.lfQuality = font.quality;
  log.lfPitchAndFamily = font.pitchAndFamily;
  // lfFaceName holds 31 characters and its NUL.
  kvtext::Utf8ToWide(font.faceName).copy(log.lfFaceName, LF_FACESIZE - 1);
  return log;
}

inline KVLogFont FromSystemLogFont(const LOGFONTW& log) {
  KVLogFont font;
  font.height = log.lfHeight;
  font.width = log.lfWidth;
  font.escapement = log.lfEscapement;
  font.orientation = log.lfOrientation;
  font.weight = log.lfWeight;
  font.italic = log.lfItalic;
  font.underline = log.lfUnderline;
  font.strikeOut = log.lfStrikeOut;
  font.charSet = log.lfCharSet;
  font.outPrecision = log.lfOutPrecision;
  font.clipPrecision = log.lfClipPrecision;
  font.quality = log.lfQuality;
  font.pitchAndFamily = log.lfPitchAndFamily;
  font.faceName = kvtext::WideToUtf8(log.lfFaceName);
  return font;
}

}  // namespace kvdesigner
