#include "app/frame/BuildLog.h"

namespace kvframe {

namespace {

std::string Described(const kvbuild::StepReport& report) {
  return report.path + (report.detail.empty() ? "" : ": " + report.detail);
}

}  // namespace

void BuildLog::OnStep(const kvbuild::StepReport& report) {
  const char* outcome = report.outcome == kvbuild::StepOutcome::Failed    ? "FAILED "
                        : report.outcome == kvbuild::StepOutcome::Skipped ? "skipped "
                                                                          : "";
  text += std::string(kvbuild::StepName(report.step)) + ": " + outcome + Described(report) + "\r\n";
  if (report.outcome == kvbuild::StepOutcome::Failed && !failedAt) failedAt = report;
}

std::string BuildLog::failureText() const {
  if (!failedAt) return {};
  return std::string("Build failed at ") + kvbuild::StepName(failedAt->step) + ": " + Described(*failedAt);
}

}  // namespace kvframe
