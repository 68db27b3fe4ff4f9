#include "designer/LogFont.h"

#include <gtest/gtest.h>

namespace {

TEST(LogFont, ParsesThirteenNumbersAndAFaceNameWithSpaces) {
  KVLogFont font;
  ASSERT_TRUE(KVLogFont::Parse("-16 0 0 0 700 1 0 0 0 3 2 1 34 Segoe UI Light", font));
  EXPECT_EQ(-16, font.height);
  EXPECT_EQ(700, font.weight);
  EXPECT_EQ(1, font.italic);
  EXPECT_EQ(3, font.outPrecision);
  EXPECT_EQ(2, font.clipPrecision);
  EXPECT_EQ(1, font.quality);
  EXPECT_EQ(34, font.pitchAndFamily);
  EXPECT_EQ("Segoe UI Light", font.faceName);
  EXPECT_EQ("-16 0 0 0 700 1 0 0 0 3 2 1 34 Segoe UI Light", font.Format());
}

TEST(LogFont, ByteMembersKeepTheirLowEightBitsAndAreWrittenUnsigned) {
  KVLogFont font;
  ASSERT_TRUE(KVLogFont::Parse("12 0 0 0 400 257 -1 0 204 0 0 0 0 \xD0\x90rial", font));
  EXPECT_EQ(1, font.italic);
  EXPECT_EQ(255, font.underline);
  EXPECT_EQ(204, font.charSet);
  EXPECT_EQ("12 0 0 0 400 1 255 0 204 0 0 0 0 \xD0\x90rial", font.Format());
}

TEST(LogFont, RefusesShortOrLooseText) {
  const char* const bad[] = {
      "",
      "-16 0 0 0 700 0 0 0 0 0 0 0 0",          // no face name
      "-16 0 0 0 700 0 0 0 0 0 0 0 0 ",         // empty face name
      "-16 0 0 0 700 0 0 0 0 0 0 0 Arial",      // twelve numbers
      "-16  0 0 0 700 0 0 0 0 0 0 0 0 Arial",   // two spaces
      "-16 0 0 0 bold 0 0 0 0 0 0 0 0 Arial",   // not a number
      "0x10 0 0 0 700 0 0 0 0 0 0 0 0 Arial",   // not decimal
      "99999999999 0 0 0 700 0 0 0 0 0 0 0 0 Arial",
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    KVLogFont font;
    font.faceName = "untouched";
    EXPECT_FALSE(KVLogFont::Parse(text, font));
    EXPECT_EQ("untouched", font.faceName);
  }
}

TEST(LogFont, LabelIsFaceAndWholePoints) {
  EXPECT_EQ("Segoe UI (9)", KVLogFont::Label("Segoe UI", 95));
  EXPECT_EQ("Consolas (12)", KVLogFont::Label("Consolas", 120));
}

}  // namespace
