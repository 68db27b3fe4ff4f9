// What a build did, step by step. The IDE's build is silent and ignores it; the command-line
// build prints one line per step and names the step and the file that failed.
#pragma once

#include <string>

namespace kvbuild {

// In the order a build performs them; a build runs only those its target needs.
enum class BuildStep {
  VersionInfo,      // version.xml loaded
  Bundle,           // macOS: the bundle's folders, PkgInfo, Info.plist and icon file
  Runtime,          // the target's runtime extracted from the IDE's pack
  VersionResource,  // Windows: the version resource stamped
  Icon,             // Windows: the project icon stamped
  Bitmaps,          // Windows: the project bitmaps stamped
  Payload,          // the project payload written
  Snapshot,         // Windows: the payload attached as the "snapshot" section
};

// A short lower-case name for messages, e.g. "runtime".
const char* StepName(BuildStep step);

enum class StepOutcome {
  Done,
  Skipped,  // nothing to do, e.g. a project without bitmaps
  Failed,
};

struct StepReport {
  BuildStep step = BuildStep::VersionInfo;
  StepOutcome outcome = StepOutcome::Done;
  std::string path;    // the file the step wrote or read
  std::string detail;  // what was done, or why it failed
};

// Told of each step as it ends.
class BuildObserver {
public:
  virtual ~BuildObserver() = default;
  virtual void OnStep(const StepReport& report) = 0;
};

}  // namespace kvbuild
