// Why a project file cannot be opened, found without touching the file or the open project:
// the IDE asks before it closes the project it has, and the headless build explains a refusal.
#pragma once

#include <string>

// Empty when the file reads as a project that no other process holds; otherwise the reason,
// worded to follow the file's path ("is open in another KelVox Studio process (pid 42)").
// heldHere says the project is the caller's own open one, about to be closed: its lock then
// counts as free.
std::string WhyProjectCannotOpen(const std::string& projectFilePath, bool heldHere = false);
