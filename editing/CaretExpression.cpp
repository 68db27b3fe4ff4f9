#include "editing/CaretExpression.h"

namespace kvsense {

std::optional<std::string_view> ExpressionBeforeCaret(std::string_view line, std::size_t caret) {
  if (caret < 2 || caret > line.size()) return std::nullopt;
  const std::string_view before = line.substr(0, caret - 1);
  const std::size_t stop = before.find_last_of(" \t(");
  if (stop == std::string_view::npos) return before;
  return before.substr(stop + 1);
}

Trigger TriggerFor(char typed) {
  switch (typed) {
    case '.': return Trigger::MemberList;
    case '(': return Trigger::CallTip;
    case ')': return Trigger::CancelCallTip;
    default: return Trigger::None;
  }
}

}  // namespace kvsense
