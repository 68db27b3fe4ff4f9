#include "build/Builder.h"

#include <utility>

#include "build/Bundle.h"
#include "build/ExeFile.h"
#include "build/Payload.h"
#include "build/PayloadFormat.h"
#include "build/ResourceStamps.h"
#include "build/RuntimePack.h"
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
  const bool runtimeMade = target == kMacOSTarget ? MakeBundle() : MakeWindowsRuntime(target);
  if (!runtimeMade) return false;

  const std::string payloadPath = WritePayloadFor(project, target, executablePath, kvpayload::kMaxPayloadSize);
  if (payloadPath.empty()) {
    Tell(BuildStep::Payload, StepOutcome::Failed, executablePath + ".bin", "cannot be written");
    return false;
  }
  Tell(BuildStep::Payload, StepOutcome::Done, payloadPath, SizeText(payloadPath));

  // Only a PE runtime takes the payload as a section; the macOS runtime finds it beside itself.
  KVExeFile image;
  if (image.Read(executablePath)) return AttachPayload(payloadPath) && !failed;
  return !failed;
}

void KVBuilder::LoadVersionInfo() {
  version.SetDefaults();
  for (const auto& item : project.Items()) {
    if (item->type != ProjectItemType::VersionInfo) continue;
    version.Load(item->Path());
    Tell(BuildStep::VersionInfo, StepOutcome::Done, item->Path(), version.fileVersionText);
  }
}

bool KVBuilder::MakeWindowsRuntime(std::int32_t target) {
  if (!IsSafeFileName(project.ExeName())) {
    Tell(BuildStep::Runtime, StepOutcome::Failed, project.ProjectFilePath(), "the project names no executable");
    return false;
  }
  executablePath = project.Folder() + project.ExeName();
  if (!ExtractRuntimeTo(target)) return false;

  Tell(BuildStep::VersionResource,
       version.StampResource(executablePath) ? StepOutcome::Done : StepOutcome::Failed, executablePath,
       version.fileVersionText);
  Tell(StampIcon(project, executablePath));
  Tell(StampBitmaps(project, executablePath));
  return true;
}

bool KVBuilder::MakeBundle() {
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

bool KVBuilder::ExtractRuntimeTo(std::int32_t target) {
  if (!HasRuntimePack(ideExecutablePath)) {
    Tell(BuildStep::Runtime, StepOutcome::Failed, ideExecutablePath, "carries no runtime pack");
    return false;
  }
  if (!ExtractRuntime(ideExecutablePath, target, executablePath)) {
    Tell(BuildStep::Runtime, StepOutcome::Failed, executablePath,
         "cannot be written (is the application still running?)");
    return false;
  }
  Tell(BuildStep::Runtime, StepOutcome::Done, executablePath,
       TargetName(target) + ", " + SizeText(executablePath));
  return true;
}

// The executable is replaced by a copy with the payload appended. A copy that cannot be made,
// or an executable that cannot be removed, leaves the executable without its payload.
bool KVBuilder::AttachPayload(const std::string& payloadPath) {
  KVExeFile image;
  const std::string temporaryPath = executablePath + ".tmp";
  const bool appended = image.Read(executablePath) && image.AppendSection(temporaryPath, payloadPath);
  kvplatform::DeleteFileAt(payloadPath);
  if (!appended) {
    Tell(BuildStep::Snapshot, StepOutcome::Failed, temporaryPath, "the payload cannot be attached");
    return false;
  }
  if (!kvplatform::DeleteFileAt(executablePath) && !kvplatform::DeleteFileAt(executablePath)) {
    kvplatform::DeleteFileAt(temporaryPath);
    Tell(BuildStep::Snapshot, StepOutcome::Failed, executablePath, "cannot be replaced");
    return false;
  }
  // The copy is the finished application: it stays when it cannot take the executable's name.
  if (!kvplatform::MoveFileTo(temporaryPath, executablePath)) {
    Tell(BuildStep::Snapshot, StepOutcome::Failed, temporaryPath, "cannot be renamed to " + executablePath);
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
