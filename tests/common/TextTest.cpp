#include "common/Text.h"

#include <climits>

#include <gtest/gtest.h>

namespace {

kvtext::WideString Wide(std::initializer_list<unsigned> units) {
  kvtext::WideString text;
  for (unsigned unit : units) text.push_back(static_cast<kvtext::WideChar>(unit));
  return text;
}

struct ConversionCase {
  std::string utf8;
  kvtext::WideString utf16;
};

}  // namespace

TEST(Text, ConvertsValidTextBothWays) {
  const ConversionCase cases[] = {
      {"", {}},
      {"abc", Wide({'a', 'b', 'c'})},
      {"\xC3\xA9", Wide({0xE9})},
      {"\xE2\x82\xAC", Wide({0x20AC})},
      {"\xF0\x9D\x84\x9E", Wide({0xD834, 0xDD1E})},
      {std::string("a\0b", 3), Wide({'a', 0, 'b'})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kvtext::Utf8ToWide(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(kvtext::WideToUtf8(c.utf16), c.utf8) << c.utf8;
  }
}

TEST(Text, InvalidSequencesBecomeReplacementCharacters) {
  const ConversionCase cases[] = {
      {"\x80", Wide({0xFFFD})},
      {"\xFF", Wide({0xFFFD})},
      {"a\x80z", Wide({'a', 0xFFFD, 'z'})},
      // One replacement per maximal ill-formed subpart, on every platform.
      {"a\xC3", Wide({'a', 0xFFFD})},
      {"\xE2\x82" "A", Wide({0xFFFD, 'A'})},
      {"\xC0\xAF", Wide({0xFFFD, 0xFFFD})},                   // overlong
      {"\xED\xA0\x80", Wide({0xFFFD, 0xFFFD, 0xFFFD})},       // surrogate
      {"\xF4\x90\x80\x80", Wide({0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD})},  // past U+10FFFF
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kvtext::Utf8ToWide(c.utf8), c.utf16);
  }
  EXPECT_EQ(kvtext::WideToUtf8(Wide({'x', 0xD800, 'y'})), "x\xEF\xBF\xBDy");
  EXPECT_EQ(kvtext::WideToUtf8(Wide({0xDC00})), "\xEF\xBF\xBD");
}

TEST(Text, ComparesAsciiLettersWithoutCase) {
  EXPECT_TRUE(kvtext::EqualsNoCase("C:\\A\\X.kvproj", "c:\\a\\x.KVPROJ"));
  EXPECT_FALSE(kvtext::EqualsNoCase("abc", "abd"));
  EXPECT_FALSE(kvtext::EqualsNoCase("abc", "ab"));
  EXPECT_FALSE(kvtext::EqualsNoCase("\xC3\x89", "\xC3\xA9"));  // only ASCII folds
  EXPECT_TRUE(kvtext::EndsWithNoCase("main.JS", ".js"));
  EXPECT_TRUE(kvtext::EndsWithNoCase(".js", ".js"));
  EXPECT_FALSE(kvtext::EndsWithNoCase("js", ".js"));
  EXPECT_FALSE(kvtext::EndsWithNoCase("main.jsx", ".js"));
}

TEST(Text, ReadsLeadingNumbersAsAtolDoes) {
  const std::pair<std::string, std::int32_t> cases[] = {
      {"42", 42},         {"  -7x", -7},  {"+3", 3},         {"", 0},
      {"abc", 0},         {"1 2", 1},     {"-", 0},          {"2147483647", INT32_MAX},
      {"99999999999999999999", INT32_MAX}, {"-99999999999", INT32_MIN},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(kvtext::LeadingInt32(text), expected) << text;
  }
}
