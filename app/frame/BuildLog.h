// What the IDE shows of a build: every step as a line for the output pane, and the first
// failure (step, file and the reason the build gave) for the message that says so.
#pragma once

#include <optional>
#include <string>

#include "build/BuildReport.h"

namespace kvframe {

class BuildLog : public kvbuild::BuildObserver {
public:
  void OnStep(const kvbuild::StepReport& report) override;

  bool failed() const { return failedAt.has_value(); }
  // "Build failed at STEP: FILE why", or empty while nothing failed.
  std::string failureText() const;
  // One line per step, each ending with CR LF.
  const std::string& lines() const { return text; }

private:
  std::string text;
  std::optional<kvbuild::StepReport> failedAt;
};

}  // namespace kvframe
