#include "tools/cli/BuildCommand.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "build/Builder.h"
#include "platform/NamedLock.h"
#include "platform/Platform.h"
#include "project/XML.h"
#include "project/Project.h"
#include "project/ProjectOpenCheck.h"
#include "tools/cli/ProjectFileBytes.h"

namespace kvcli {

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "usage: kvcli build PROJECT.kvproj [--target win64|win32|macos] [--ide KelVoxStudio.exe]\n";

struct BuildArguments {
  std::string projectPath;
  std::string idePath;
  std::int32_t target = 0;  // 0: the project's own
};

bool ParseTarget(const std::string& name, std::int32_t& target) {
  target = TargetFromCommandLineName(name);
  return target != 0;
}

bool ParseArguments(const std::vector<std::string>& arguments, BuildArguments& parsed) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (argument == "--target" && hasValue) {
      if (!ParseTarget(arguments[++i], parsed.target)) return false;
    } else if (argument == "--ide" && hasValue) {
      parsed.idePath = arguments[++i];
    } else if (argument.rfind("--", 0) != 0 && parsed.projectPath.empty()) {
      parsed.projectPath = argument;
    } else {
      return false;
    }
  }
  return !parsed.projectPath.empty();
}

// Codes the project file may hold beyond the known ones build as Windows 64.
std::string TargetName(std::int32_t target) {
  const std::string name = TargetCommandLineName(target);
  return name.empty() ? TargetCommandLineName(static_cast<std::int32_t>(BuildTarget::Windows64)) : name;
}

// Prints each step as it ends; remembers the first failure for the closing message.
class StepPrinter : public kvbuild::BuildObserver {
public:
  void OnStep(const kvbuild::StepReport& report) override {
    const char* mark = report.outcome == kvbuild::StepOutcome::Failed    ? "FAILED "
                       : report.outcome == kvbuild::StepOutcome::Skipped ? "skipped "
                                                                         : "";
    std::printf("%-17s %s%s%s%s\n", kvbuild::StepName(report.step), mark, report.path.c_str(),
                report.detail.empty() ? "" : ": ", report.detail.c_str());
    std::fflush(stdout);
    if (report.outcome == kvbuild::StepOutcome::Failed && !failure) failure = report;
  }
  std::optional<kvbuild::StepReport> failure;
};

// Why Load refused the file: what the check finds, else the process whose lock the file
// names, else our own lock that could not be taken.
std::string LoadFailure(const std::string& path) {
  const std::string why = WhyProjectCannotOpen(path);
  if (!why.empty()) return why;
  KVXML file;
  const std::string pid = file.Load(path) ? file.GetString("/Project/pid") : std::string();
  const std::string ownPid = std::to_string(kvplatform::CurrentProcessId());
  if (!pid.empty() && pid != ownPid && kvplatform::NamedLock::IsHeld(KVProject::LockName(pid))) {
    return "is open in another KelVox Studio process (pid " + pid + ")";
  }
  return "cannot be opened: the lock that keeps other processes from it cannot be taken";
}

int Fail(const std::string& step, const std::string& path, const std::string& why) {
  std::fprintf(stderr, "kvcli: build failed at %s: %s %s\n", step.c_str(), path.c_str(), why.c_str());
  return kExitFailed;
}

}  // namespace

int RunBuildCommand(const std::vector<std::string>& arguments, const std::string& defaultIde) {
  BuildArguments parsed;
  if (!ParseArguments(arguments, parsed)) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  const std::string idePath = parsed.idePath.empty() ? defaultIde : parsed.idePath;
  if (!kvplatform::CanRead(idePath)) return Fail("runtime", idePath, "cannot be read (choose the IDE with --ide)");

  // The project's folder is where the build writes: a relative path names it from here.
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::u8path(parsed.projectPath), error);
  if (!error) parsed.projectPath = absolute.u8string();

  // Loading writes this process's pid into the project file, as the IDE does while it holds
  // the project; the file is given back its bytes afterwards, so a build leaves it as it was.
  ProjectFileBytes original(parsed.projectPath);
  KVProject project;
  if (!project.Load(parsed.projectPath)) return Fail("project", parsed.projectPath, LoadFailure(parsed.projectPath));
  const std::int32_t target = parsed.target != 0 ? parsed.target : project.Target();
  std::printf("%-17s %s: %s for %s\n", "project", parsed.projectPath.c_str(), project.Name().c_str(),
              TargetName(target).c_str());

  StepPrinter printer;
  kvbuild::KVBuilder builder(project, idePath, &printer);
  const bool built = builder.Build(target);
  project.ReleaseLock();
  original.Restore();

  if (!built || printer.failure) {
    if (!printer.failure) return Fail("build", parsed.projectPath, "ended early");
    return Fail(kvbuild::StepName(printer.failure->step), printer.failure->path, printer.failure->detail);
  }
  std::printf("%-17s %s\n", "built", builder.ExecutablePath().c_str());
  return 0;
}

}  // namespace kvcli
