#include "editing/ExtDeclarations.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/ByteIO.h"
#include "platform/Platform.h"
#include "tests/common/TempFolder.h"

namespace {

constexpr std::int32_t kWin64 = 1;
constexpr std::int32_t kMac = 2;
constexpr std::int32_t kWin32 = 3;

const std::string kLibraryLine = "C:\\Windows\\System32\\user32.dll\r\n";
const std::string kMessageBox = "int MessageBoxA(hwnd h, lpstr text, lpstr caption, uint type)";

using File = kvplatform::UniqueFile;

using Codes = std::vector<std::uint8_t>;

// The declaration with n parameters "int a" separated by commas.
std::string WithParameters(std::size_t n) {
  std::string line = "int Many(";
  for (std::size_t i = 0; i < n; ++i) line += i ? ", int a" : "int a";
  return line + ")";
}

// One compiled record.
std::string Record(bool usesCdecl, std::uint8_t result, const std::string& name, const Codes& parameters) {
  std::string bytes{static_cast<char>(usesCdecl), static_cast<char>(result)};
  kvbytes::PutU32(bytes, static_cast<std::uint32_t>(name.size()));
  bytes += name;
  bytes.push_back(static_cast<char>(parameters.size()));
  bytes.append(parameters.begin(), parameters.end());
  return bytes;
}

std::string Count(std::uint32_t n) {
  std::string bytes;
  kvbytes::PutU32(bytes, n);
  return bytes;
}

// Compiles declaration-file bytes into a payload that already holds "HEAD" and returns
// what follows it.
class ExtCompile : public testing::Test {
protected:
  std::string Compile(std::int32_t target, const std::string& fileBytes) {
    kvtest::TempFolder::Write(declarations, fileBytes);
    File payload(kvplatform::OpenFile(folder / "payload.bin", "w+b"));
    EXPECT_EQ(std::fwrite("HEAD", 1, 4, payload.get()), 4u);
    EXPECT_TRUE(kvext::Compile(target, payload.get(), declarations, size));
    const long end = std::ftell(payload.get());
    payload.reset();
    const std::string bytes = kvtest::TempFolder::Read(folder / "payload.bin");
    EXPECT_EQ(end, static_cast<long>(bytes.size())) << "left at its end";
    EXPECT_EQ(bytes.substr(0, 4), "HEAD");
    return bytes.substr(4);
  }

  kvtest::TempFolder folder;
  const std::string declarations = folder / "user32.ext";
  std::uint64_t size = 0;
};

}  // namespace

TEST(ExtDeclarations, ParsesDeclarationLines) {
  struct Case {
    std::string line;
    std::int32_t target;
    bool usesCdecl;
    std::uint8_t result;
    std::string name;
    Codes parameters;
  };
  const Case cases[] = {
      {"cdecl int abs(int n)", kWin32, true, 4, "abs", {4}},
      {"HWND GetActiveWindow()", kWin32, false, 14, "GetActiveWindow", {}},
      {"HWND GetActiveWindow()", kMac, false, 14, "GetActiveWindow", {}},
      {"HWND GetActiveWindow()", kWin64, false, 6, "GetActiveWindow", {}},
      {kMessageBox, kWin32, false, 4, "MessageBoxA", {14, 10, 10, 14}},
      {kMessageBox, kWin64, false, 4, "MessageBoxA", {6, 10, 10, 14}},
      {"cdecl double pow(double x, double y)", kWin64, true, 8, "pow", {8, 8}},
      {" \t CDECL LRESULT WndProc(HWND h, UINT m, WPARAM w, LPARAM l)", kWin32, true, 5, "WndProc", {14, 14, 14, 4}},
      {" \t CDECL LRESULT WndProc(HWND h, UINT m, WPARAM w, LPARAM l)", kWin64, true, 6, "WndProc", {6, 14, 6, 6}},
      {"long f(long a)", kWin32, false, 5, "f", {4}},  // long differs between result and parameter
      {"INT F(DOUBLE, LPSTR s, lpwstr w, pvoid p, plparam q)", kWin32, false, 4, "F", {8, 10, 11, 9, 4}},
      {"ushort f(word a, uchar b, byte c, char d, short e, bool g, float h)", kWin32, false, 13, "f",
       {13, 12, 12, 2, 3, 1, 7}},
      // Unknown result words stay part of the name; blanks before "(" too.
      {"Foo Bar(int a)", kWin32, false, 0, "Foo Bar", {4}},
      {"int Foo (int a)", kWin32, false, 4, "Foo ", {4}},
      {"void Sleep(dword ms);", kWin32, false, 0, "Sleep", {14}},
      {"int f(void)", kWin32, false, 4, "f", {4}},
      // The first white space after the convention word becomes a blank ...
      {"int\tf(int a)", kWin32, false, 4, "f", {4}},
      // ... but the convention word itself takes only a blank.
      {"cdecl\tint f()", kWin32, false, 0, "cdecl int f", {}},
      // Text after the closing parenthesis is read as further parameters.
      {"int f(int a) double b", kWin32, false, 4, "f", {4, 8}},
      {"int f(int a), double b", kWin32, false, 4, "f", {4, 8}},
      {"int f(int a", kWin32, false, 4, "f", {4}},
      {"int f(int a,)", kWin32, false, 4, "f", {4}},
      {"int f(,)", kWin32, false, 4, "f", {4}},
      {"int (int a)", kWin32, false, 4, "", {4}},
  };
  for (const Case& c : cases) {
    kvext::Declaration d;
    ASSERT_TRUE(kvext::Parse(c.line, c.target, d)) << c.line;
    EXPECT_EQ(d.usesCdecl, c.usesCdecl) << c.line;
    EXPECT_EQ(d.result, c.result) << c.line << " for target " << c.target;
    EXPECT_EQ(d.name, c.name) << c.line;
    EXPECT_EQ(d.parameters, c.parameters) << c.line << " for target " << c.target;
    EXPECT_EQ(kvext::FunctionName(c.line), c.name) << c.line;
  }
}

TEST(ExtDeclarations, LinesThatDeclareNothing) {
  const std::vector<std::string> lines = {"", " \t ", "int f", "C:\\lib\\user32.dll", WithParameters(256)};
  for (const std::string& line : lines) {
    kvext::Declaration d;
    EXPECT_FALSE(kvext::Parse(line, kWin32, d)) << line;
    EXPECT_EQ(kvext::FunctionName(line), std::nullopt) << line;
  }
  kvext::Declaration d;
  ASSERT_TRUE(kvext::Parse(WithParameters(255), kWin32, d));
  EXPECT_EQ(d.parameters, Codes(255, 4));
}

TEST_F(ExtCompile, CdeclAbsGivesItsExactBytes) {
  size = 100;
  const std::string bytes = Compile(kWin32, kLibraryLine + "cdecl int abs(int n)\r\n");
  EXPECT_EQ(bytes, std::string("\x01\x00\x00\x00" "\x01\x04" "\x03\x00\x00\x00" "abs" "\x01\x04", 15));
  EXPECT_EQ(size, 100u + 15u);
}

TEST_F(ExtCompile, RecordsFollowTheLinesAndTheTarget) {
  const std::string file = kLibraryLine +
                           "HWND GetActiveWindow()\r\n"
                           "\r\n"
                           "   \t\r\n"
                           "no parenthesis here\r\n"
                           "  void Sleep(dword ms);\r\n" +
                           kMessageBox;
  const std::string win32 = Count(3) + Record(false, 14, "GetActiveWindow", {}) + Record(false, 0, "Sleep", {14}) +
                            Record(false, 4, "MessageBoxA", {14, 10, 10, 14});
  const std::string win64 = Count(3) + Record(false, 6, "GetActiveWindow", {}) + Record(false, 0, "Sleep", {14}) +
                            Record(false, 4, "MessageBoxA", {6, 10, 10, 14});
  EXPECT_EQ(Compile(kWin32, file), win32);
  EXPECT_EQ(Compile(kMac, file), win32);
  EXPECT_EQ(Compile(kWin64, file), win64);
}

TEST_F(ExtCompile, FilesWithoutDeclarationsGiveAZeroCount) {
  for (const std::string file : {"", "C:\\lib\\x.dll", "C:\\lib\\x.dll\r\n", "C:\\lib\\x.dll\r\n\r\n  \r\n"}) {
    size = 0;
    EXPECT_EQ(Compile(kWin64, file), Count(0)) << file;
    EXPECT_EQ(size, 4u);
  }
}

TEST_F(ExtCompile, LeavesOutWhatItCannotCompileWhole) {
  // Over the line limit, with the name and a first parameter in the part that would be kept.
  const std::string cut = "int Cut(int " + std::string(5000, 'x') + ", double d)";
  const std::string file = kLibraryLine + cut + "\r\n" +
                           WithParameters(256) + "\r\n" +        // over the count byte
                           WithParameters(255) + "\r\n" +
                           "int After(int a)\r\n";
  const std::string bytes = Compile(kWin32, file);
  EXPECT_EQ(bytes, Count(2) + Record(false, 4, "Many", Codes(255, 4)) + Record(false, 4, "After", {4}));
  EXPECT_EQ(size, bytes.size());
}

TEST_F(ExtCompile, FileWithLoneLineFeedsIsAllLibraryLine) {
  // A lone LF ends no line, so everything belongs to the first line, which is never parsed.
  EXPECT_EQ(Compile(kWin32, "C:\\lib\\x.dll\nint a(int b)\nint c()\n"), Count(0));
}

TEST_F(ExtCompile, BlocksOneAfterAnother) {
  kvtest::TempFolder::Write(folder / "a.ext", kLibraryLine + "int A()\r\n");
  kvtest::TempFolder::Write(folder / "b.ext", kLibraryLine + "int B1()\r\nint B2()\r\n");
  File payload(kvplatform::OpenFile(folder / "payload.bin", "w+b"));
  std::uint64_t sizeA = 0, sizeB = 0;
  ASSERT_TRUE(kvext::Compile(kWin32, payload.get(), folder / "a.ext", sizeA));
  ASSERT_TRUE(kvext::Compile(kWin32, payload.get(), folder / "b.ext", sizeB));
  payload.reset();
  EXPECT_EQ(kvtest::TempFolder::Read(folder / "payload.bin"),
            Count(1) + Record(false, 4, "A", {}) + Count(2) + Record(false, 4, "B1", {}) + Record(false, 4, "B2", {}));
  EXPECT_EQ(sizeA, 4u + 8u);
  EXPECT_EQ(sizeB, 4u + 9u + 9u);
}

TEST_F(ExtCompile, MissingFileWritesNothing) {
  File payload(kvplatform::OpenFile(folder / "payload.bin", "w+b"));
  size = 7;
  EXPECT_FALSE(kvext::Compile(kWin32, payload.get(), folder / "missing.ext", size));
  EXPECT_FALSE(kvext::Compile(kWin32, payload.get(), folder.Path(), size)) << "a folder";
  payload.reset();
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(kvtest::TempFolder::Read(folder / "payload.bin"), "");
}

TEST_F(ExtCompile, FunctionNamesAreReadAsCompileReadsThem) {
  kvtest::TempFolder::Write(declarations, kLibraryLine + "int A(int a)\r\nno declaration\r\n\r\n" +
                                              "cdecl Foo Bar(int a)\r\n" + WithParameters(256) + "\r\n" +
                                              "int Cut(int " + std::string(5000, 'x') + ")\r\nvoid Last()");
  EXPECT_EQ(kvext::FunctionNames(declarations), (std::vector<std::string>{"A", "Foo Bar", "Last"}));
  EXPECT_TRUE(kvext::FunctionNames(folder / "missing.ext").empty());
}
