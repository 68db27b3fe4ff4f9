// KVBuilder: turns the open project into a runnable application for a build target. For
// Windows 64 and Windows 32 one executable in the project folder, named by the project's
// ExeName: the runtime from the IDE's pack with the project's version, icon and bitmap
// resources and its payload attached as the "snapshot" section. For macOS a bundle in the
// project folder whose MacOS folder holds the runtime and, beside it, the payload.
#pragma once

#include <cstdint>
#include <string>

#include "build/BuildReport.h"
#include "build/Version.h"

class KVProject;

namespace kvbuild {

class KVBuilder {
public:
  // The runtime comes from the pack of the executable ideExecutablePath; observer, when
  // given, is told of every step.
  KVBuilder(const KVProject& project, std::string ideExecutablePath, BuildObserver* observer = nullptr);
  virtual ~KVBuilder() = default;

  // Builds for a BuildTarget code: 2 makes the macOS bundle, anything else a Windows
  // executable. Ends early when the runtime cannot be extracted (typically because the
  // previous executable still runs), the bundle cannot be made or the payload cannot be
  // written; an executable extracted before that stays. True when every step succeeded.
  bool Build(std::int32_t target);

  // The version information the last build loaded (the defaults before a build).
  const KVVersion& Version() const { return version; }
  // Where the last build put the runtime executable.
  const std::string& ExecutablePath() const { return executablePath; }

private:
  void LoadVersionInfo();
  bool ProjectFilesInside();
  bool MakeWindowsRuntime(std::int32_t target);
  bool MakeBundle();
  bool ExtractRuntimeTo(std::int32_t target);
  std::string ProjectFileAt(const std::string& path) const;
  bool AttachPayload(const std::string& payloadPath);
  void Tell(BuildStep step, StepOutcome outcome, const std::string& path, const std::string& detail);
  void Tell(const StepReport& report);

  const KVProject& project;
  std::string ideExecutablePath;
  BuildObserver* observer;
  KVVersion version;
  std::string executablePath;
  bool failed = false;
};

}  // namespace kvbuild
