// Text functions shared by every subsystem. Text is held as UTF-8 everywhere and converted to
// UTF-16 only where a wide platform function is called.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvtext {

#ifdef _WIN32
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif
using WideString = std::basic_string<WideChar>;
using WideStringView = std::basic_string_view<WideChar>;

// Invalid sequences become U+FFFD, one for each maximal ill-formed subpart.
WideString Utf8ToWide(std::string_view utf8);

// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(WideStringView wide);

// Case-insensitive for ASCII letters only, as file names are compared.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// The decimal number at the start of text as atol reads it (leading blanks, optional sign,
// digits up to the first other character); 0 when there is none. Values beyond the 32-bit
// range are clamped rather than left undefined.
std::int32_t LeadingInt32(std::string_view text);

}  // namespace kvtext
