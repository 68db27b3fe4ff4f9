#include "project/ProjectOpenCheck.h"

#include "platform/NamedLock.h"
#include "platform/Platform.h"
#include "project/Project.h"
#include "project/XML.h"

std::string WhyProjectCannotOpen(const std::string& path, bool heldHere) {
  if (!kvplatform::CanRead(path)) return "cannot be read";
  KVXML file;
  if (!file.Load(path) || file.Count("/Project") != 1) return "is not a KelVox Studio project file";
  const std::string pid = file.GetString("/Project/pid");
  if (pid.empty() || heldHere || !kvplatform::NamedLock::IsHeld(KVProject::LockName(pid))) return {};
  if (pid == std::to_string(kvplatform::CurrentProcessId())) return "is already open in this KelVox Studio";
  return "is open in another KelVox Studio process (pid " + pid + ")";
}
