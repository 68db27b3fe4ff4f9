#include "build/Builder.h"

#include <utility>

#include "build/Bundle.h"
#include "build/ExeFile.h"
#include "build/Payload.h"
#include "build/PayloadFormat.h"
#include "build/ResourceStamps.h"
#include "build/RuntimePack.h"
#include "platform/AtomicFile.h"
#include "platform/Platform.h"
#include "project/Project.h"

namespace kvbuild {

namespace {

constexpr std::int32_t kMacOSTarget = static_cast<std::int32_t>(BuildTarget::MacOS);

// The name of the runtime a target code builds with: unknown codes build as their runtime.
std::string TargetName(std::int32_t target) {
  switch (RuntimeEntryFor(target)) {
    case PackEntry::Windows64: return TargetDisplayName(static_cast<std::int32_t>(BuildTarget::Windows64));
    case PackEntry::Windows32: return TargetDisplayName(static_cast<std::int32_t>(BuildTarget::Windows32));
    default: return TargetDisplayName(kMacOSTarget);
  }
}

// What the system said, and the likely cause when the file is in use.
std::string WhyNotWritten(const kvplatform::FileError& error) {
  if (error.inUse) return "cannot be written (is the application still running?)";
  return error.reason.empty() ? "cannot be written" : "cannot be written: " + error.reason;
}

std::string SizeText(const std::string& path) {
  return std::to_string(kvplatform::FileSize(path)) + " bytes";
}

}  // namespace

const char* StepName(BuildStep step) {
  switch (step) {
    case BuildStep::VersionInfo: return "version info";
    case BuildStep::Bundle: return "bundle";
    case BuildStep::Runtime: return "runtime";
    case BuildStep::VersionResource: return "version resource";
    case BuildStep::Icon: return "icon";
    case BuildStep::Bitmaps: return "bitmaps";
    case BuildStep::Payload: return "payload";
    case BuildStep::Snapshot: return "snapshot";
  }
  return "step";
}

KVBuilder::KVBuilder(const KVProject& project, std::string ideExecutablePath, BuildObserver* observer)
    : project(project), ideExecutablePath(std::move(ideExecutablePath)), observer(observer) {}

bool KVBuilder::Build(std::int32_t target) {
  failed = false;
  executablePath.clear();
  LoadVersionInfo();
  if (!ProjectFilesInside()) return false;
  const bool runtimeMade = target == kMacOSTarget ? MakeBundle() : MakeWindowsRuntime(target);
  if (!runtimeMade) return false;

  const std::string payloadPath = WritePayloadFor(project, target, executablePath, kvpayload::kMaxPayloadSize);
  if (payloadPath.empty()) {
    Tell(BuildStep::Payload, StepOutcome::Failed, executablePath + ".bin", "cannot be written");
    return false;
  }
  Tell(BuildStep::Payload, StepOutcome::Done, payloadPath, SizeText(payloadPath));

  // A Windows runtime takes the payload as a section; the macOS runtime finds it beside itself.
  if (target == kMacOSTarget) return !failed;
  return AttachPayload(payloadPath) && !failed;
}

void KVBuilder::LoadVersionInfo() {
  version.SetDefaults();
  for (const auto& item : project.Items()) {
    if (item->type != ProjectItemType::VersionInfo) continue;
    version.Load(item->Path());
    Tell(BuildStep::VersionInfo, StepOutcome::Done, item->Path(), version.fileVersionText);
  }
}

// A project ships only its own content: a file that is a link to one outside the project
// folder is refused, before anything is written.
bool KVBuilder::ProjectFilesInside() {
  std::string root = kvplatform::ResolvedPath(project.Folder());
  if (root.empty()) return true;
  if (root.back() != kvplatform::kPathSeparator) root += kvplatform::kPathSeparator;
  const std::string rootKey = kvplatform::FileNameKey(root);
  for (const auto& item : project.Items()) {
    BuildStep step = BuildStep::Payload;
    switch (item->type) {
      case ProjectItemType::Icon: step = BuildStep::Icon; break;
      case ProjectItemType::Bitmap: step = BuildStep::Bitmaps; break;
      case ProjectItemType::VersionInfo: continue;
      default: break;
    }
    if (item->fileName.empty()) continue;
    const std::string resolved = kvplatform::ResolvedPath(item->Path());
    if (resolved.empty()) continue;  // a missing file is the step's own failure
    if (kvplatform::FileNameKey(resolved).compare(0, rootKey.size(), rootKey) != 0) {
      Tell(step, StepOutcome::Failed, item->Path(), "is a link to " + resolved + ", outside the project folder");
      return false;
    }
  }
  return true;
}

bool KVBuilder::MakeWindowsRuntime(std::int32_t target) {
  if (!IsSafeOutputFileName(project.ExeName())) {
    Tell(BuildStep::Runtime, StepOutcome::Failed, project.ProjectFilePath(),
         "the executable name \"" + project.ExeName() + "\" is not a file name a build can write");
    return false;
  }
  executablePath = project.Folder() + project.ExeName();
  // The runtime and its payload must not be written over the project's own files.
  if (const std::string taken = ProjectFileAt(executablePath); !taken.empty()) {
    Tell(BuildStep::Runtime, StepOutcome::Failed, taken, "is a file of the project; the executable name must differ");
    executablePath.clear();
    return false;
  }
  if (!ExtractRuntimeTo(target)) return false;

  Tell(BuildStep::VersionResource,
       version.StampResource(executablePath) ? StepOutcome::Done : StepOutcome::Failed, executablePath,
       version.fileVersionText);
  Tell(StampIcon(project, executablePath));
  Tell(StampBitmaps(project, executablePath));
  return true;
}

bool KVBuilder::MakeBundle() {
  if (!IsSafeOutputFileName(project.Name())) {
    Tell(BuildStep::Bundle, StepOutcome::Failed, project.ProjectFilePath(),
         "the project name \"" + project.Name() + "\" is not a file name a build can write");
    return false;
  }
  if (!BuildBundle(project, version, executablePath)) {
    Tell(BuildStep::Bundle, StepOutcome::Failed, project.Folder() + project.Name() + ".app",
         "its folders, PkgInfo or Info.plist cannot be written");
    return false;
  }
  Tell(BuildStep::Bundle, StepOutcome::Done, project.Folder() + project.Name() + ".app", "");
  if (!ExtractRuntimeTo(kMacOSTarget)) return false;
  kvplatform::MarkExecutable(executablePath);
  return true;
}

// The project file or item whose path is the executable's or its payload's, if any.
std::string KVBuilder::ProjectFileAt(const std::string& path) const {
  const std::string keys[] = {kvplatform::FileNameKey(path), kvplatform::FileNameKey(path + ".bin")};
  const auto taken = [&](const std::string& file) {
    const std::string key = kvplatform::FileNameKey(file);
    return key == keys[0] || key == keys[1];
  };
  if (taken(project.ProjectFilePath())) return project.ProjectFilePath();
  for (const auto& item : project.Items()) {
    if (!item->fileName.empty() && taken(item->Path())) return item->Path();
  }
  return {};
}

bool KVBuilder::ExtractRuntimeTo(std::int32_t target) {
  if (!HasRuntimePack(ideExecutablePath)) {
    Tell(BuildStep::Runtime, StepOutcome::Failed, ideExecutablePath, "carries no runtime pack");
    return false;
  }
  kvplatform::FileError error;
  if (!ExtractRuntime(ideExecutablePath, target, executablePath, &error)) {
    Tell(BuildStep::Runtime, StepOutcome::Failed, executablePath, WhyNotWritten(error));
    return false;
  }
  Tell(BuildStep::Runtime, StepOutcome::Done, executablePath,
       TargetName(target) + ", " + SizeText(executablePath));
  return true;
}

// The executable is replaced in one step by a copy with the payload appended; on any failure
// it stays as extracted and no copy is left.
bool KVBuilder::AttachPayload(const std::string& payloadPath) {
  KVExeFile image;
  if (!image.Read(executablePath)) {
    kvplatform::DeleteFileAt(payloadPath);
    Tell(BuildStep::Snapshot, StepOutcome::Failed, executablePath, "is not a Windows executable the payload can be attached to");
    return false;
  }
  kvplatform::FileError error;
  const std::string temporaryPath = kvplatform::CreateTemporaryBeside(executablePath, &error);
  const bool appended = !temporaryPath.empty() && image.AppendSection(temporaryPath, payloadPath);
  kvplatform::DeleteFileAt(payloadPath);
  if (!appended) {
    if (!temporaryPath.empty()) kvplatform::DeleteFileAt(temporaryPath);
    Tell(BuildStep::Snapshot, StepOutcome::Failed, executablePath,
         temporaryPath.empty() ? WhyNotWritten(error) : "the payload cannot be attached");
    return false;
  }
  if (!kvplatform::ReplaceWithTemporary(temporaryPath, executablePath, &error)) {
    Tell(BuildStep::Snapshot, StepOutcome::Failed, executablePath, WhyNotWritten(error));
    return false;
  }
  Tell(BuildStep::Snapshot, StepOutcome::Done, executablePath, SizeText(executablePath));
  return true;
}

void KVBuilder::Tell(BuildStep step, StepOutcome outcome, const std::string& path, const std::string& detail) {
  Tell(StepReport{step, outcome, path, detail});
}

void KVBuilder::Tell(const StepReport& report) {
  if (report.outcome == StepOutcome::Failed) failed = true;
  if (observer != nullptr) observer->OnStep(report);
}

}  // namespace kvbuild
