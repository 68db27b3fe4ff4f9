// What the runtime stub reports about itself: one line per payload entry, then its own
// version strings and icon count. The same text goes to standard output (--kv-report) and
// into the window shown when the stub is run without arguments.
//
// Lines, in this order:
//   source main.js 120 96 1a2b3c4d   one per entry (see ReportLine in PayloadReader.h)
//   version 1.0.0.0                  FileVersion of the stub's version resource
//   product KelVox Runtime Stub      its ProductName
//   icons 2                          images in icon group 107
// A missing string leaves its value empty; a missing icon group counts 0 images, and one
// that is too short for its own count reads "icons malformed".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvstub {

enum ExitCode : int {
  kExitOk = 0,
  kExitDamaged = 1,    // an entry or the section itself is not what its tables say
  kExitNoSnapshot = 2,
};

struct StubReport {
  std::vector<std::string> lines;
  std::vector<std::string> errors;  // one message per fault, for standard error
  int exitCode = kExitOk;
};

// Checks every entry of the "snapshot" section of the executable file image. Entries that
// check out give report lines, the others errors; all entries are looked at, so that one
// report names every damaged one.
StubReport ReportPayload(std::string_view image);

// The lines of a payload held in memory (the macOS runtime's is a file beside it), or its
// errors.
void AddPayloadLines(StubReport& report, std::string_view payload);

// Adds the lines about the stub's own resources. iconGroup is the raw RT_GROUP_ICON data,
// null when the resource is missing.
void AddResourceLines(StubReport& report, const std::string& fileVersion, const std::string& productName,
                      const std::string_view* iconGroup);

// The report as one text with the given line break, errors first.
std::string ReportText(const StubReport& report, std::string_view lineBreak);

}  // namespace kvstub
