// Real executables from mingw-w64's linker: Wine's own programs where Wine is installed, and
// under Windows (or Wine) this test program itself. They carry what small fixtures lack:
// debug sections, uninitialised data without raw data, a symbol table after the last section.
#include "build/ExeFile.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/Text.h"
#include "platform/Platform.h"
#include "tests/build/ExternalReaders.h"
#include "tests/build/PeFixture.h"
#include "tests/common/TempFolder.h"

#ifdef _WIN32
#include <windows.h>
#endif

using kvtest::TempFolder;

namespace {

std::string Payload(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 5 + 11);
  return bytes;
}

// The first readable real image of the wanted kind, or an empty string.
std::string FindRealImage(bool is32) {
  std::vector<std::string> candidates;
#ifdef _WIN32
  if (!is32) candidates.push_back(kvplatform::ExecutablePath());
  const std::string root = "Z:";  // Wine's view of the host's file system
#else
  const std::string root;
#endif
  const std::vector<std::string> folders =
      is32 ? std::vector<std::string>{"/usr/lib/i386-linux-gnu/wine/i386-windows/", "/usr/lib/wine/i386-windows/"}
           : std::vector<std::string>{"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/",
                                      "/usr/lib/wine/x86_64-windows/", "/usr/lib64/wine/x86_64-windows/"};
  for (std::string folder : folders) {
    for (const char* name : {"notepad.exe", "control.exe", "cmd.exe"}) {
      std::string path = root + folder + name;
      std::replace(path.begin(), path.end(), '/', kvplatform::kPathSeparator);
      candidates.push_back(path);
    }
  }
  for (const std::string& path : candidates) {
    if (kvplatform::CanRead(path)) return path;
  }
  return std::string();
}

class RealImage : public testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, RealImage, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Pe32" : "Pe32Plus"; });

TEST_P(RealImage, ReadsTheSectionTableAsObjdumpDoes) {
  const std::string path = FindRealImage(GetParam());
  if (path.empty()) GTEST_SKIP() << "no real " << (GetParam() ? "PE32" : "PE32+") << " image on this machine";
  KVExeFile image;
  ASSERT_TRUE(image.Read(path)) << path;
  EXPECT_EQ(image.Is32(), GetParam());
  ASSERT_FALSE(image.Sections().empty());
  EXPECT_EQ(image.LastSectionOffset(), image.Sections().back().pointerToRawData);

  const auto seen = kvtest::ObjdumpSections(path);
  if (!seen) return;
  ASSERT_EQ(seen->size(), image.Sections().size());
  for (std::size_t i = 0; i < seen->size(); ++i) {
    const KVExeFile::SectionHeader& section = image.Sections()[i];
    const std::string name(section.name.begin(), std::find(section.name.begin(), section.name.end(), 0));
    // objdump resolves long names ("/4") through the string table; compare only short ones.
    if (name[0] != '/') {
      EXPECT_EQ((*seen)[i].name, name);
    }
    EXPECT_EQ((*seen)[i].pointerToRawData, section.pointerToRawData) << name;
    EXPECT_EQ((*seen)[i].virtualSize, section.virtualSize) << name;
  }
}

TEST_P(RealImage, AppendedSectionKeepsEverythingElse) {
  const std::string path = FindRealImage(GetParam());
  if (path.empty()) GTEST_SKIP() << "no real " << (GetParam() ? "PE32" : "PE32+") << " image on this machine";
  TempFolder temp;
  const std::string payload = Payload(3000);
  TempFolder::Write(temp / "payload.bin", payload);
  KVExeFile image;
  ASSERT_TRUE(image.Read(path));
  ASSERT_TRUE(image.AppendSection(temp / "out.exe", temp / "payload.bin"));

  const std::string input = TempFolder::Read(path);
  const std::string output = TempFolder::Read(temp / "out.exe");
  const kvtest::ParsedPe before = kvtest::ParsePe(input);
  const kvtest::ParsedPe after = kvtest::ParsePe(output);
  ASSERT_EQ(after.sections.size(), before.sections.size() + 1);
  for (std::size_t i = 0; i < before.sections.size(); ++i) {
    const auto& old = before.sections[i];
    const auto& now = after.sections[i];
    EXPECT_EQ(output.substr(now.pointerToRawData, now.sizeOfRawData),
              input.substr(old.pointerToRawData, old.sizeOfRawData))
        << old.name;
  }
  if (before.pointerToSymbolTable != 0) {
    const std::size_t symbols = input.size() - before.pointerToSymbolTable;
    EXPECT_EQ(output.substr(after.pointerToSymbolTable, symbols), input.substr(before.pointerToSymbolTable));
  }
  const auto& added = after.sections.back();
  EXPECT_EQ(added.name, "snapshot");
  EXPECT_GE(added.pointerToRawData, input.size());
  EXPECT_EQ(output.substr(added.pointerToRawData, payload.size()), payload);

  KVExeFile reread;
  ASSERT_TRUE(reread.Read(temp / "out.exe"));
  EXPECT_EQ(reread.LastSectionOffset(), added.pointerToRawData);

  const auto pefileBefore = kvtest::ReadWithPefile(path);
  const auto pefileAfter = kvtest::ReadWithPefile(temp / "out.exe");
  if (!pefileBefore || !pefileAfter) return;
  EXPECT_EQ(pefileAfter->lastSectionData, payload);
  for (const std::string& warning : pefileAfter->warnings) {
    EXPECT_NE(std::find(pefileBefore->warnings.begin(), pefileBefore->warnings.end(), warning), pefileBefore->warnings.end())
        << warning;
  }
}

#ifdef _WIN32
// Handles of a started process, closed on scope exit.
struct ProcessHandles {
  PROCESS_INFORMATION info{};
  ~ProcessHandles() {
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
  }
};

// The loader still takes this program after a section was appended to it.
TEST(RealImageOnWindows, AppendedProgramStillRuns) {
  TempFolder temp;
  TempFolder::Write(temp / "payload.bin", Payload(5000));
  KVExeFile image;
  ASSERT_TRUE(image.Read(kvplatform::ExecutablePath()));
  const std::string program = temp / "appended.exe";
  ASSERT_TRUE(image.AppendSection(program, temp / "payload.bin"));

  std::wstring command = L"\"" + kvtext::Utf8ToWide(program) + L"\" --gtest_filter=NoSuchTest";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ProcessHandles process;
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &startup, &process.info));
  ASSERT_EQ(WaitForSingleObject(process.info.hProcess, 60000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  ASSERT_TRUE(GetExitCodeProcess(process.info.hProcess, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}
#endif

}  // namespace
