#include "editing/ExtDeclarations.h"

#include <limits>
#include <memory>
#include <utility>

#include "common/ByteIO.h"
#include "platform/LineReader.h"
#include "platform/Platform.h"

namespace kvext {
namespace {

constexpr std::int32_t kWindows64 = 1;  // BuildTarget::Windows64

struct TypeWord {
  std::string_view word;  // with its trailing blank
  std::uint8_t code;
  std::uint8_t code64;
};

// Tried in this order; the first match wins.
constexpr TypeWord kResultWords[] = {
    {"int ", kInt, kInt},
    {"int_ptr ", kInt, kPointerSized},
    {"bool ", kBool, kBool},
    {"long ", kLong, kLong},
    {"long_ptr ", kLong, kPointerSized},
    {"lparam ", kLong, kPointerSized},
    {"lresult ", kLong, kPointerSized},
    {"handle ", kUInt, kPointerSized},
    {"hinstance ", kUInt, kPointerSized},
    {"hwnd ", kUInt, kPointerSized},
    {"uint ", kUInt, kUInt},
    {"uint_ptr ", kUInt, kPointerSized},
    {"dword ", kUInt, kUInt},
    {"dword_ptr ", kUInt, kPointerSized},
    {"ulong ", kUInt, kUInt},
    {"ulong_ptr ", kUInt, kPointerSized},
    {"wparam ", kUInt, kPointerSized},
    {"short ", kShort, kShort},
    {"ushort ", kUShort, kUShort},
    {"word ", kUShort, kUShort},
    {"char ", kChar, kChar},
    {"uchar ", kUChar, kUChar},
    {"byte ", kUChar, kUChar},
    {"float ", kFloat, kFloat},
    {"double ", kDouble, kDouble},
    {"lpstr ", kString, kString},
    {"lpwstr ", kWideString, kWideString},
    {"void ", kVoid, kVoid},
};

// "long" is code 5 as a result but 4 as a parameter.
constexpr TypeWord kParameterWords[] = {
    {"bool ", kBool, kBool},
    {"int ", kInt, kInt},
    {"long ", kInt, kInt},
    {"int_ptr ", kInt, kPointerSized},
    {"long_ptr ", kInt, kPointerSized},
    {"lparam ", kInt, kPointerSized},
    {"lresult ", kInt, kPointerSized},
    {"uint ", kUInt, kUInt},
    {"dword ", kUInt, kUInt},
    {"ulong ", kUInt, kUInt},
    {"uint_ptr ", kUInt, kPointerSized},
    {"dword_ptr ", kUInt, kPointerSized},
    {"ulong_ptr ", kUInt, kPointerSized},
    {"wparam ", kUInt, kPointerSized},
    {"handle ", kUInt, kPointerSized},
    {"hinstance ", kUInt, kPointerSized},
    {"hwnd ", kUInt, kPointerSized},
    {"short ", kShort, kShort},
    {"ushort ", kUShort, kUShort},
    {"word ", kUShort, kUShort},
    {"char ", kChar, kChar},
    {"uchar ", kUChar, kUChar},
    {"byte ", kUChar, kUChar},
    {"float ", kFloat, kFloat},
    {"double ", kDouble, kDouble},
    {"pint ", kPointer, kPointer},
    {"pbool ", kPointer, kPointer},
    {"plong ", kPointer, kPointer},
    {"phandle ", kPointer, kPointer},
    {"puint ", kPointer, kPointer},
    {"pdword ", kPointer, kPointer},
    {"pulong ", kPointer, kPointer},
    {"pshort ", kPointer, kPointer},
    {"pushort ", kPointer, kPointer},
    {"pword ", kPointer, kPointer},
    {"pchar ", kPointer, kPointer},
    {"puchar ", kPointer, kPointer},
    {"pbyte ", kPointer, kPointer},
    {"pfloat ", kPointer, kPointer},
    {"pdouble ", kPointer, kPointer},
    {"pvoid ", kPointer, kPointer},
    {"lpstr ", kString, kString},
    {"lpwstr ", kWideString, kWideString},
};

// isspace in the C locale, without the locale and without the sign trouble of plain char.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when text begins with word, ASCII letters in either case. The end of text reads as a
// blank, as if the byte after the text had been set to one.
bool StartsWithWord(std::string_view text, std::string_view word) {
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    if (i > text.size() || AsciiLower(c) != AsciiLower(word[i])) return false;
  }
  return true;
}

// The code of the first word text begins with, and the word's length; nothing when none does.
template <std::size_t N>
bool MatchWord(std::string_view text, const TypeWord (&words)[N], bool windows64, std::uint8_t& code,
               std::size_t& length) {
  for (const TypeWord& w : words) {
    if (StartsWithWord(text, w.word)) {
      code = windows64 ? w.code64 : w.code;
      length = w.word.size();
      return true;
    }
  }
  return false;
}

using File = kvplatform::UniqueFile;

bool WriteAll(FILE* file, const std::string& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// Hands the declarations of an open declaration file to accept in line order, skipping the
// first line; stops early when accept returns false.
template <typename Accept>
void ForEachDeclaration(FILE* input, std::int32_t target, Accept accept) {
  KVLineReader reader(input);
  reader.Next();  // the library path
  Declaration declaration;
  while (reader.Next()) {
    if (reader.Cut() || !Parse(reader.Line(), target, declaration)) continue;
    if (!accept(declaration)) return;
  }
}

}  // namespace

bool Parse(std::string_view line, std::int32_t target, Declaration& out) {
  std::string text(line);
  std::size_t at = 0;
  while (at < text.size() && IsSpace(text[at])) ++at;
  const std::size_t open = text.find('(', at);
  if (open == std::string::npos) return false;

  Declaration declaration;
  const bool windows64 = target == kWindows64;
  std::uint8_t code = 0;
  std::size_t length = 0;

  // The convention word takes exactly one blank after it; with a tab it is part of the name.
  if (StartsWithWord(std::string_view(text).substr(at), "cdecl ")) {
    declaration.usesCdecl = true;
    at += 6;
  }
  // The first white space from here on becomes a blank, so that "int<TAB>f(" reads as "int f(".
  for (std::size_t i = at; i < text.size(); ++i) {
    if (IsSpace(text[i])) {
      text[i] = ' ';
      break;
    }
  }
  if (MatchWord(std::string_view(text).substr(at), kResultWords, windows64, code, length)) {
    declaration.result = code;
    at += length;
  }
  declaration.name = text.substr(at, open - at);

  for (std::size_t p = open + 1;;) {
    while (p < text.size() && IsSpace(text[p])) ++p;
    if (p == text.size() || text[p] == ')' || text[p] == ';') break;
    // A comma anywhere further on the line ends the parameter before a parenthesis does.
    std::size_t separator = text.find(',', p);
    if (separator == std::string::npos) separator = text.find(')', p);
    std::size_t end = separator == std::string::npos ? text.size() : separator;
    while (end > p && IsSpace(text[end - 1])) --end;
    // The byte after the parameter's last non-blank counts as a blank, so "int)" is "int ".
    if (!MatchWord(std::string_view(text).substr(p, end - p), kParameterWords, windows64, code, length)) {
      code = kInt;
    }
    if (declaration.parameters.size() == kMaxParameters) return false;
    declaration.parameters.push_back(code);
    if (separator == std::string::npos) break;
    p = separator + 1;
  }
  out = std::move(declaration);
  return true;
}

std::optional<std::string> FunctionName(std::string_view line) {
  Declaration declaration;
  if (!Parse(line, kWindows64, declaration)) return std::nullopt;
  return std::move(declaration.name);
}

std::vector<std::string> FunctionNames(const std::string& path) {
  std::vector<std::string> names;
  const File input(kvplatform::OpenFile(path, "rb"));
  if (!input) return names;
  ForEachDeclaration(input.get(), kWindows64, [&names](Declaration& declaration) {
    names.push_back(std::move(declaration.name));
    return true;
  });
  return names;
}

bool Compile(std::int32_t target, FILE* output, const std::string& path, std::uint64_t& size) {
  const File input(kvplatform::OpenFile(path, "rb"));
  if (!input) return false;
  std::uint64_t start = 0;
  if (std::fseek(output, 0, SEEK_END) != 0 || !kvplatform::TellFile(output, start)) return false;
  std::string bytes;
  kvbytes::PutU32(bytes, 0);
  if (!WriteAll(output, bytes)) return false;
  size += bytes.size();

  std::uint32_t count = 0;
  bool written = true;
  ForEachDeclaration(input.get(), target, [&](const Declaration& declaration) {
    bytes.clear();
    bytes.push_back(declaration.usesCdecl ? 1 : 0);
    bytes.push_back(static_cast<char>(declaration.result));
    kvbytes::PutU32(bytes, static_cast<std::uint32_t>(declaration.name.size()));
    bytes += declaration.name;
    bytes.push_back(static_cast<char>(declaration.parameters.size()));
    bytes.append(declaration.parameters.begin(), declaration.parameters.end());
    written = WriteAll(output, bytes);
    if (!written) return false;
    size += bytes.size();
    // The count has 32 bits; a file with more declarations than that ends here.
    return ++count < std::numeric_limits<std::uint32_t>::max();
  });
  if (!written) return false;

  bytes.clear();
  kvbytes::PutU32(bytes, count);
  return kvplatform::SeekFile(output, start) && WriteAll(output, bytes) && std::fseek(output, 0, SEEK_END) == 0;
}

}  // namespace kvext
