#include "designer/FontSpec.h"

#include <gtest/gtest.h>

namespace {

TEST(FontSpec, ParsesThirteenNumbersAndAFaceNameWithSpaces) {
  KVFontSpec spec;
  ASSERT_TRUE(KVFontSpec::Parse("-16 0 0 0 700 1 0 0 0 3 2 1 34 Segoe UI Light", spec));
  EXPECT_EQ(-16, spec.height);
  EXPECT_EQ(700, spec.weight);
  EXPECT_EQ(1, spec.italic);
  EXPECT_EQ(3, spec.outPrecision);
  EXPECT_EQ(2, spec.clipPrecision);
  EXPECT_EQ(1, spec.quality);
  EXPECT_EQ(34, spec.pitchAndFamily);
  EXPECT_EQ("Segoe UI Light", spec.faceName);
  EXPECT_EQ("-16 0 0 0 700 1 0 0 0 3 2 1 34 Segoe UI Light", spec.Format());
}

TEST(FontSpec, ByteMembersKeepTheirLowEightBitsAndAreWrittenUnsigned) {
  KVFontSpec spec;
  ASSERT_TRUE(KVFontSpec::Parse("12 0 0 0 400 257 -1 0 204 0 0 0 0 \xD0\x90rial", spec));
  EXPECT_EQ(1, spec.italic);
  EXPECT_EQ(255, spec.underline);
  EXPECT_EQ(204, spec.charSet);
  EXPECT_EQ("12 0 0 0 400 1 255 0 204 0 0 0 0 \xD0\x90rial", spec.Format());
}

TEST(FontSpec, RefusesShortOrLooseSpecifications) {
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
    KVFontSpec spec;
    spec.faceName = "untouched";
    EXPECT_FALSE(KVFontSpec::Parse(text, spec));
    EXPECT_EQ("untouched", spec.faceName);
  }
}

TEST(FontSpec, LabelIsFaceAndWholePoints) {
  EXPECT_EQ("Segoe UI (9)", KVFontSpec::Label("Segoe UI", 95));
  EXPECT_EQ("Consolas (12)", KVFontSpec::Label("Consolas", 120));
}

}  // namespace
