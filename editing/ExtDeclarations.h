// External-library declaration files (".ext") and their compiled form, which the build
// stores in the project payload for the runtime.
//
// The first line of a file is the path of the library and is never parsed. Every further
// line that is not blank declares one function:
//     [cdecl ]<result word> <name>(<type word> [name], ...)
// for example  int MessageBoxA(hwnd h, lpstr text, lpstr caption, uint type).
// Unknown result words give code 0 and stay part of the name; unknown parameter words give
// code 4. There is no comment syntax; a line without "(" declares nothing.
//
// Compiled form, little-endian, no alignment:
//     u32 N, then N records:  u8 cdecl (1/0), u8 result code, u32 L, L name bytes,
//                             u8 P, P parameter codes.
//
// Lines are read by KVLineReader. Two kinds of line are left out as if they had no "(":
// a cut line (over 4,095 bytes), because its parameter list is incomplete, and a declaration
// of more than 255 parameters, which the count byte cannot hold. Compiling either would
// hand the runtime a function with the wrong parameters, and a wrapped count would make
// every record after it unreadable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvext {

// Type codes as the runtime reads them.
enum TypeCode : std::uint8_t {
  kVoid = 0,
  kBool = 1,
  kChar = 2,
  kShort = 3,
  kInt = 4,
  kLong = 5,
  kPointerSized = 6,  // only for Windows 64
  kFloat = 7,
  kDouble = 8,
  kPointer = 9,
  kString = 10,
  kWideString = 11,
  kUChar = 12,
  kUShort = 13,
  kUInt = 14,
};

inline constexpr std::size_t kMaxParameters = 255;

struct Declaration {
  bool usesCdecl = false;  // the C calling convention, not the library's standard one
  std::uint8_t result = kVoid;
  std::string name;
  std::vector<std::uint8_t> parameters;
};

// Parses one declaration line (without its line end) for a BuildTarget code: Windows 64 (1)
// gives pointer-sized words code 6, every other target their 32-bit codes. False when the line
// declares nothing.
bool Parse(std::string_view line, std::int32_t target, Declaration& out);

// The function name a line declares, as Compile would write it; nothing when it declares none.
std::optional<std::string> FunctionName(std::string_view line);

// The names of every function a declaration file declares, in line order, read exactly as
// Compile reads the file. Empty when the file does not open.
std::vector<std::string> FunctionNames(const std::string& path);

// Appends the compiled form of the declaration file at path to output at its current end and
// adds the number of bytes written to size; the output is left positioned at its end. When
// the file does not open nothing is written and size is unchanged. False on that and on a
// failed write or seek of output.
bool Compile(std::int32_t target, FILE* output, const std::string& path, std::uint64_t& size);

}  // namespace kvext
