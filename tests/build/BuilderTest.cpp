// Whole builds of a project folder on disk, with a stand-in IDE whose pack holds a small PE
// runtime for Windows and some bytes for macOS: what each target leaves in the project
// folder, the resources and payload inside the executable, and where a build ends early.
#include "build/Builder.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include "common/Text.h"
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "build/ExeFile.h"
#include "pe/ResourceImage.h"
#include "platform/VersionInfo.h"
#include "tests/build/IconFixtures.h"
#include "tests/build/PackFixture.h"
#include "tests/build/PeFixture.h"
#include "tests/project/ProjectFolder.h"
#include "tests/project/SmallDisk.h"
#include "tools/runtime-stub/StubReport.h"

namespace {

using kvbuild::BuildStep;
using kvbuild::StepOutcome;
using kvpe::ResourceSection;
using kvtest::ProjectFolder;
using kvtest::TempFolder;

const std::string kMacRuntime = "\xCF\xFA\xED\xFE macOS runtime";

class StepLog : public kvbuild::BuildObserver {
public:
  void OnStep(const kvbuild::StepReport& report) override { steps.push_back(report); }
  // The failed steps, for a failing test's message.
  std::string Failures() const {
    std::string text;
    for (const auto& report : steps) {
      if (report.outcome == StepOutcome::Failed)
        text += std::string(kvbuild::StepName(report.step)) + ": " + report.path + ": " + report.detail + "\n";
    }
    return text;
  }
  StepOutcome OutcomeOf(BuildStep step) const {
    for (const auto& report : steps) {
      if (report.step == step) return report.outcome;
    }
    return static_cast<StepOutcome>(-1);
  }
  std::vector<kvbuild::StepReport> steps;
};

std::string ThreeImageIcon() {
  std::vector<kvtest::IconPart> parts;
  for (std::uint8_t side : {16, 32, 48}) {
    parts.push_back({side, side, 32, kvtest::IconBitmap32(side, [](std::uint32_t x, std::uint32_t) {
                       return 0xFF000000u | x * 0x050301u;
                     })});
  }
  return kvtest::IconFileBytes(parts);
}

class BuilderTest : public ::testing::Test {
protected:
  void SetUp() override {
    windowsRuntime = kvtest::PeFixture::Contiguous(false, 3).Bytes();
    TempFolder::Write(ide, kvtest::IdeWithPack(kvtest::Pack(
                               {"ICON", kvtest::Xz(windowsRuntime), kvtest::Xz(windowsRuntime), kvtest::Xz(kMacRuntime)})));
    project.Write(project.FileOf(ProjectItemType::SourceFile, "main.js"), "kv.print('hello');\r\n");
    project.Write(project.FileOf(ProjectItemType::DialogWindow, "mainWin.win"), "1\r\n");
    project.Write(project.FileOf(ProjectItemType::Icon, "Demo.ico"), ThreeImageIcon());
    project.Write(project.FileOf(ProjectItemType::Bitmap, "logo.bmp"), "BM" + std::string(12, '\0') + "DIB bytes");
    project.Write(project.FileOf(ProjectItemType::Bitmap, "empty.bmp"), "BM" + std::string(12, '\0'));
    project.Write(project.FileOf(ProjectItemType::VersionInfo, "version.xml"),
                  "<Version><FixedFileVersion><Release>2</Release><Major>3</Major><Minor>4</Minor><Build>5</Build>"
                  "</FixedFileVersion><ProductName>Demo &amp; Co</ProductName></Version>");
  }

  std::unique_ptr<KVProject> Load(int engine, const std::string& more = "") {
    project.WriteProject(more + "<Name>Demo</Name><ExeName>Demo.exe</ExeName><Engine>" + std::to_string(engine) +
                         "</Engine><Icon>Demo.ico</Icon><SourceFiles><Name>main.js</Name></SourceFiles>"
                         "<WindowFiles><Name>mainWin.win</Name></WindowFiles>"
                         "<BitmapFiles><Name>logo.bmp</Name><Name>empty.bmp</Name></BitmapFiles>");
    auto loaded = std::make_unique<KVProject>();
    EXPECT_TRUE(loaded->Load(project.ProjectFile()));
    return loaded;
  }

  bool Build(const KVProject& loaded, int target) {
    log.steps.clear();
    return kvbuild::KVBuilder(loaded, ide, &log).Build(target);
  }

  // The payload's library line ("library NAME SIZE 0 CRC") after a build for target.
  std::string LibraryLine(int target) {
    std::string payload = target == 2 ? TempFolder::Read(project / "Demo.app" + kvtest::kSep + "Contents" + kvtest::kSep +
                                                         "MacOS" + kvtest::kSep + "Demo.bin")
                                      : std::string();
    kvstub::StubReport report;
    if (target == 2) {
      kvstub::AddPayloadLines(report, payload);
    } else {
      report = kvstub::ReportPayload(TempFolder::Read(exe));
    }
    for (const std::string& line : report.lines) {
      if (line.rfind("library ", 0) == 0) return line;
    }
    return "no library line";
  }

  // Files the build may leave behind by mistake.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> found;
    for (const char* suffix : {".bin", ".tmp", ".kvs_"}) {
      if (TempFolder::Exists(exe + suffix)) found.push_back(exe + suffix);
    }
    // Temporary files made beside the executable.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(project / ""))) {
      const std::string name = entry.path().filename().u8string();
      if (name.find(".kvtmp") != std::string::npos || name.find(".tmp") != std::string::npos) found.push_back(name);
    }
    return found;
  }

  TempFolder ideFolder;
  ProjectFolder project;
  std::string ide = ideFolder / "KelVoxStudio.exe";
  std::string exe = project / "Demo.exe";
  std::string windowsRuntime;
  StepLog log;
};

TEST_F(BuilderTest, WindowsBuildStampsResourcesAndAttachesThePayload) {
  const auto loaded = Load(1);
  ASSERT_TRUE(Build(*loaded, 1)) << log.Failures();
  EXPECT_TRUE(Leftovers().empty());
  const std::string image = TempFolder::Read(exe);

  // The payload the runtime reads: main.js and the window.
  const kvstub::StubReport report = kvstub::ReportPayload(image);
  ASSERT_TRUE(report.errors.empty()) << report.errors.front();
  ASSERT_EQ(report.lines.size(), 2u);
  EXPECT_EQ(report.lines[0].rfind("source main.js 20 ", 0), 0u) << report.lines[0];
  EXPECT_EQ(report.lines[1].rfind("window mainWin 3 0 ", 0), 0u) << report.lines[1];

  kvplatform::FileVersionInfo version;
  ASSERT_TRUE(kvplatform::ReadFileVersionInfo(exe, version));
  EXPECT_EQ(version.fileVersionMS, 0x00020003u);
  EXPECT_EQ(version.fileVersionLS, 0x00040005u);
  EXPECT_EQ(version.productName.value_or(""), "Demo & Co");

  kvpe::ResourceImage parsed;
  ResourceSection resources;
  ASSERT_TRUE(parsed.Parse(image));
  ASSERT_TRUE(parsed.ReadResources(resources));
  const auto id = ResourceSection::Key::Id;
  const ResourceSection::Entry* group = resources.Find(id(14), id(107), 1033);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->data.size(), 6u + 3 * 14);
  for (std::uint16_t icon = 1; icon <= 3; ++icon) EXPECT_NE(resources.Find(id(3), id(icon), 1033), nullptr) << icon;
  // Resource names are stored in upper case, as UpdateResourceW stores them.
  const ResourceSection::Entry* logo = resources.Find(id(2), ResourceSection::Key::Name(u"LOGO.BMP"), 1033);
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->data, "DIB bytes");
  EXPECT_EQ(resources.Find(id(2), ResourceSection::Key::Name(u"EMPTY.BMP"), 1033), nullptr);
}

// Pointer-sized words compile to different type codes for 32 and 64 bits: a build for another
// target than the project file's must compile the declarations for the target it builds.
TEST_F(BuilderTest, LibrariesAreCompiledForTheTargetBeingBuilt) {
  project.Write(project.FileOf(ProjectItemType::ExternalLibrary, "user32.ext"),
                "user32.dll\r\nint_ptr GetWindowLongPtrW(hwnd h, int index)\r\n");
  const std::string library = "<LibraryFiles><Name>user32.ext</Name></LibraryFiles>";
  std::map<int, std::string> lines;
  for (const int target : {1, 3, 2}) {
    const auto own = Load(target, library);
    ASSERT_TRUE(Build(*own, target)) << target << log.Failures();
    lines[target] = LibraryLine(target);
    for (const int engine : {1, 3, 2}) {
      if (engine == target) continue;
      const auto other = Load(engine, library);
      ASSERT_TRUE(Build(*other, target)) << target << log.Failures();
      EXPECT_EQ(LibraryLine(target), lines[target]) << "target " << target << ", project's " << engine;
    }
  }
  EXPECT_NE(lines[1], lines[3]);
}

TEST_F(BuilderTest, BuildingAgainReplacesTheExecutableWithoutGrowingIt) {
  const auto loaded = Load(3);
  ASSERT_TRUE(Build(*loaded, 3)) << log.Failures();
  const std::string first = TempFolder::Read(exe);
  ASSERT_TRUE(Build(*loaded, 3));
  EXPECT_EQ(TempFolder::Read(exe).size(), first.size());
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(BuilderTest, MacOSBuildLeavesThePayloadBesideTheRuntime) {
  const auto loaded = Load(2);
  ASSERT_TRUE(Build(*loaded, 2));
  const std::string macos = project / "Demo.app" + kvtest::kSep + "Contents" + kvtest::kSep + "MacOS" + kvtest::kSep;
  EXPECT_EQ(TempFolder::Read(macos + "Demo"), kMacRuntime);
  EXPECT_EQ(TempFolder::Read(macos + "Demo.bin").compare(0, 4, "KVPL"), 0);
  EXPECT_FALSE(TempFolder::Exists(exe));
  EXPECT_FALSE(TempFolder::Exists(macos + "Demo.kvs_"));
  EXPECT_EQ(log.OutcomeOf(BuildStep::Snapshot), static_cast<StepOutcome>(-1));
}

TEST_F(BuilderTest, WithoutARuntimePackNothingIsWritten) {
  TempFolder::Write(ide, kvtest::PeFixture::Contiguous(false, 3).Bytes());
  const auto loaded = Load(1);
  EXPECT_FALSE(Build(*loaded, 1));
  EXPECT_EQ(log.OutcomeOf(BuildStep::Runtime), StepOutcome::Failed);
  EXPECT_FALSE(TempFolder::Exists(exe));
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(BuilderTest, APayloadThatCannotBeWrittenEndsTheBuildWithTheRuntimeInPlace) {
  const auto loaded = Load(1);
  ASSERT_TRUE(kvplatform::CreateFolder(exe + ".bin"));
  EXPECT_FALSE(Build(*loaded, 1));
  EXPECT_EQ(log.OutcomeOf(BuildStep::Payload), StepOutcome::Failed);
  EXPECT_EQ(log.OutcomeOf(BuildStep::Snapshot), static_cast<StepOutcome>(-1));
  KVExeFile runtime;
  EXPECT_TRUE(runtime.Read(exe));
}

// A runtime the section reader refuses cannot take the payload: the build fails at that step
// instead of passing for a macOS build with a payload file beside the executable.
TEST_F(BuilderTest, AWindowsRuntimeThatIsNoImageFailsAtTheSnapshot) {
  TempFolder::Write(ide, kvtest::IdeWithPack(kvtest::Pack(
                             {"ICON", kvtest::Xz(kMacRuntime), kvtest::Xz(kMacRuntime), kvtest::Xz(kMacRuntime)})));
  const auto loaded = Load(1);
  EXPECT_FALSE(Build(*loaded, 1));
  EXPECT_EQ(log.OutcomeOf(BuildStep::Snapshot), StepOutcome::Failed);
  EXPECT_TRUE(Leftovers().empty());
}

// A damaged pack leaves the application of the previous build as it was.
TEST_F(BuilderTest, ADamagedPackKeepsThePreviousApplication) {
  const auto loaded = Load(1);
  ASSERT_TRUE(Build(*loaded, 1)) << log.Failures();
  const std::string previous = TempFolder::Read(exe);
  std::string damaged = kvtest::Xz(windowsRuntime);
  damaged[damaged.size() / 2] ^= 0x55;
  TempFolder::Write(ide, kvtest::IdeWithPack(kvtest::Pack({"ICON", damaged, damaged, kvtest::Xz(kMacRuntime)})));
  EXPECT_FALSE(Build(*loaded, 1));
  EXPECT_EQ(log.OutcomeOf(BuildStep::Runtime), StepOutcome::Failed);
  EXPECT_EQ(TempFolder::Read(exe), previous);
  EXPECT_TRUE(Leftovers().empty());
}

// The system's reason reaches the message; the running application is only suspected when
// the file is in use.
TEST_F(BuilderTest, AnExecutableThatCannotBeWrittenGivesTheSystemsReason) {
  const auto loaded = Load(1);
  ASSERT_TRUE(kvplatform::CreateFolder(exe));
  EXPECT_FALSE(Build(*loaded, 1));
  ASSERT_EQ(log.OutcomeOf(BuildStep::Runtime), StepOutcome::Failed);
  const std::string detail = log.steps.back().detail;
  EXPECT_EQ(detail.find("still running"), std::string::npos) << detail;
  EXPECT_GT(detail.size(), std::string("cannot be written: ").size()) << detail;
  EXPECT_TRUE(Leftovers().empty());
}

#ifdef _WIN32
// A running application holds its executable open without delete sharing: the build waits a
// little, then fails with the old application in place, and only then suspects it is running.
TEST_F(BuilderTest, AnExecutableInUseIsKeptAndTheMessageSaysItMayBeRunning) {
  const auto loaded = Load(1);
  ASSERT_TRUE(Build(*loaded, 1)) << log.Failures();
  const std::string before = TempFolder::Read(exe);
  const HANDLE held = CreateFileW(kvtext::Utf8ToWide(exe).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  log.steps.clear();
  const bool built = Build(*loaded, 1);
  CloseHandle(held);
  EXPECT_FALSE(built);
  EXPECT_NE(log.Failures().find("(is the application still running?)"), std::string::npos) << log.Failures();
  EXPECT_EQ(TempFolder::Read(exe), before);
  EXPECT_TRUE(Leftovers().empty());
}
#endif

#ifdef __linux__
// The project moved onto a 256 KiB file system: once that is full, the next build fails at
// the runtime, naming the system's reason, with the application built before left as it was.
TEST_F(BuilderTest, ABuildThatDoesNotFitKeepsThePreviousApplication) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::u8path(project / ""))) {
    if (entry.is_regular_file()) files[entry.path().u8string()] = TempFolder::Read(entry.path().u8string());
  }
  std::string folder = project.Path();
  folder.pop_back();
  kvtest::SmallDisk disk(folder);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  for (const char* sub : {"Source Files", "Dialog Windows", "External Libraries", "Resources"}) {
    kvplatform::CreateFolder(project / sub);
  }
  for (const auto& [path, bytes] : files) TempFolder::Write(path, bytes);

  const auto loaded = Load(1);
  ASSERT_TRUE(Build(*loaded, 1)) << log.Failures();
  const std::string before = TempFolder::Read(exe);
  disk.Fill();
  EXPECT_FALSE(Build(*loaded, 1));
  EXPECT_NE(log.Failures().find(std::strerror(ENOSPC)), std::string::npos) << log.Failures();
  EXPECT_EQ(log.Failures().find("still running"), std::string::npos) << log.Failures();
  EXPECT_EQ(TempFolder::Read(exe), before);
  EXPECT_TRUE(Leftovers().empty());
}
#endif

TEST_F(BuilderTest, AProjectWithNoBitmapsBuildsAndStampsNone) {
  project.WriteProject("<Name>Demo</Name><ExeName>Demo.exe</ExeName><Engine>1</Engine>"
                       "<SourceFiles><Name>main.js</Name></SourceFiles>");
  KVProject loaded;
  ASSERT_TRUE(loaded.Load(project.ProjectFile()));
  ASSERT_TRUE(Build(loaded, 1)) << log.Failures();
  EXPECT_EQ(log.OutcomeOf(BuildStep::Bitmaps), StepOutcome::Skipped);
  // The parsed image points into these bytes.
  const std::string image = TempFolder::Read(exe);
  kvpe::ResourceImage parsed;
  ResourceSection resources;
  ASSERT_TRUE(parsed.Parse(image));
  ASSERT_TRUE(parsed.ReadResources(resources));
  for (const auto& entry : resources.Entries()) EXPECT_FALSE(entry.type == ResourceSection::Key::Id(2));
}

// Names a build writes files by: one portable rule for every target system.
TEST(OutputFileName, RefusesStreamsAndDeviceNames) {
  const struct {
    const char* name;
    bool safe;
  } cases[] = {
      {"Demo.exe", true},     {"Console.exe", true}, {"COM10.exe", true},  {"LPT0", true},
      {"CONFIG.SYS", true},   {"nul_x.exe", true},   {"", false},          {".", false},
      {"..", false},          {"a/b.exe", false},    {"a\\b.exe", false},  {"Demo.exe:stream", false},
      {"C:Demo.exe", false},  {"CON", false},        {"con.exe", false},   {"Prn.txt", false},
      {"AUX", false},         {"NUL.tar.gz", false}, {"nul .exe", false},  {"COM1", false},
      {"com9.exe", false},    {"LPT1.exe", false},   {"lpt9", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSafeOutputFileName(c.name), c.safe) << c.name;
}

// An executable name the build must not write: a device, a stream, or a file of the project
// itself. The build writes nothing and the project's files stay as they are.
TEST_F(BuilderTest, AnExecutableNameItMustNotWriteIsRefused) {
  const std::string source = project.FileOf(ProjectItemType::SourceFile, "main.js");
  for (const std::string exeName : {"CON", "nul.exe", "Demo.exe:payload", "Demo.kvproj"}) {
    project.WriteProject("<Name>Demo</Name><ExeName>" + exeName +
                         "</ExeName><Engine>1</Engine><SourceFiles><Name>main.js</Name></SourceFiles>");
    KVProject loaded;
    ASSERT_TRUE(loaded.Load(project.ProjectFile())) << exeName;
    const std::string projectBytes = TempFolder::Read(project.ProjectFile());
    const std::string sourceBytes = TempFolder::Read(source);
    EXPECT_FALSE(Build(loaded, 1)) << exeName;
    EXPECT_EQ(log.OutcomeOf(BuildStep::Runtime), StepOutcome::Failed) << exeName;
    loaded.ReleaseLock();
    EXPECT_EQ(TempFolder::Read(project.ProjectFile()), projectBytes) << exeName;
    EXPECT_EQ(TempFolder::Read(source), sourceBytes) << exeName;
  }
}

TEST_F(BuilderTest, AProjectNameItMustNotWriteIsRefusedForMacOS) {
  for (const std::string name : {"AUX", "com1", "Demo:x"}) {
    project.WriteProject("<Name>" + name + "</Name><ExeName>Demo.exe</ExeName><Engine>2</Engine>");
    KVProject loaded;
    ASSERT_TRUE(loaded.Load(project.ProjectFile())) << name;
    EXPECT_FALSE(Build(loaded, 2)) << name;
    EXPECT_EQ(log.OutcomeOf(BuildStep::Bundle), StepOutcome::Failed) << name;
    loaded.ReleaseLock();
  }
}

// A project never ships content from elsewhere: a source, window, library, icon or bitmap that
// links to a file outside the project folder stops the build before anything is written.
TEST_F(BuilderTest, AFileLinkedFromOutsideTheProjectIsRefused) {
  TempFolder outside;
  TempFolder::Write(outside / "secret.txt", "not the project's");
  const std::string library = project.FileOf(ProjectItemType::ExternalLibrary, "k.ext");
  TempFolder::Write(library, "k.dll\r\n");
  const std::string links[] = {project.FileOf(ProjectItemType::SourceFile, "main.js"),
                               project.FileOf(ProjectItemType::DialogWindow, "mainWin.win"), library,
                               project.FileOf(ProjectItemType::Icon, "Demo.ico"),
                               project.FileOf(ProjectItemType::Bitmap, "logo.bmp")};
  for (const std::string& link : links) {
    const std::string kept = TempFolder::Read(link);
    kvplatform::DeleteFileAt(link);
    std::error_code error;
    std::filesystem::create_symlink(std::filesystem::u8path(outside / "secret.txt"), std::filesystem::u8path(link),
                                    error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
    const auto loaded = Load(1, "<LibraryFiles><Name>k.ext</Name></LibraryFiles>");
    EXPECT_FALSE(Build(*loaded, 1)) << link;
    EXPECT_NE(log.Failures().find(link), std::string::npos) << log.Failures();
    EXPECT_FALSE(TempFolder::Exists(exe)) << link;
    kvplatform::DeleteFileAt(link);
    TempFolder::Write(link, kept);
  }
  // A link that stays inside the project is the project's own file.
  const std::string source = project.FileOf(ProjectItemType::SourceFile, "main.js");
  const std::string copy = project.FileOf(ProjectItemType::SourceFile, "copy.js");
  TempFolder::Write(copy, TempFolder::Read(source));
  kvplatform::DeleteFileAt(source);
  std::filesystem::create_symlink(std::filesystem::u8path(copy), std::filesystem::u8path(source));
  const auto loaded = Load(1);
  EXPECT_TRUE(Build(*loaded, 1)) << log.Failures();
}

// A project file whose Icon names nothing still has its icon item, without a file: the
// build goes on without an icon instead of stamping whatever the folder path leads to.
TEST_F(BuilderTest, AnIconItemWithoutAFileIsSkipped) {
  for (const int target : {1, 2}) {
    project.WriteProject("<Name>Demo</Name><ExeName>Demo.exe</ExeName><Engine>" + std::to_string(target) +
                         "</Engine><Icon/><SourceFiles><Name>main.js</Name></SourceFiles>");
    KVProject loaded;
    ASSERT_TRUE(loaded.Load(project.ProjectFile()));
    EXPECT_TRUE(Build(loaded, target)) << target << log.Failures();
    if (target == 1) {
      EXPECT_EQ(log.OutcomeOf(BuildStep::Icon), StepOutcome::Skipped);
    }
  }
}

TEST_F(BuilderTest, AMissingIconOrBitmapFailsItsStepButTheBuildGoesOn) {
  const auto loaded = Load(1);
  kvplatform::DeleteFileAt(project.FileOf(ProjectItemType::Icon, "Demo.ico"));
  kvplatform::DeleteFileAt(project.FileOf(ProjectItemType::Bitmap, "logo.bmp"));
  EXPECT_FALSE(Build(*loaded, 1));
  EXPECT_EQ(log.OutcomeOf(BuildStep::Icon), StepOutcome::Failed);
  EXPECT_EQ(log.OutcomeOf(BuildStep::Bitmaps), StepOutcome::Failed);
  EXPECT_EQ(log.OutcomeOf(BuildStep::Snapshot), StepOutcome::Done);
  EXPECT_EQ(kvstub::ReportPayload(TempFolder::Read(exe)).lines.size(), 2u);
}

}  // namespace
