#include "designer/FieldScanner.h"

bool KVFieldScanner::Number(std::int32_t& value) {
  std::size_t at = position;
  bool negative = false;
  if (at < line.size() && (line[at] == '+' || line[at] == '-')) negative = line[at++] == '-';
  const std::size_t digits = at;
  std::int64_t magnitude = 0;
  for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
    magnitude = magnitude * 10 + (line[at] - '0');
    if (magnitude > static_cast<std::int64_t>(INT32_MAX) + 1) return false;
  }
  if (at == digits) return false;
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT32_MAX) return false;
  value = static_cast<std::int32_t>(signedValue);
  position = at;
  return true;
}

bool KVFieldScanner::Char(char expected) {
  if (position >= line.size() || line[position] != expected) return false;
  ++position;
  return true;
}

bool KVFieldScanner::Quoted(std::string_view& text) {
  if (position >= line.size() || line[position] != '"') return false;
  const std::size_t close = line.find('"', position + 1);
  if (close == std::string_view::npos) return false;
  text = line.substr(position + 1, close - position - 1);
  position = close + 1;
  return true;
}

std::string_view KVFieldScanner::Rest() {
  const std::string_view rest = line.substr(position);
  position = line.size();
  return rest;
}

bool KVFieldScanner::LeadingNumber(std::int32_t& value) {
  const std::size_t start = position;
  while (position < line.size() && (line[position] == ' ' || (line[position] >= '\t' && line[position] <= '\r'))) {
    ++position;
  }
  if (Number(value)) return true;
  position = start;
  return false;
}

bool KVFieldScanner::SkipPast(char c) {
  if (!SkipTo(c)) return false;
  ++position;
  return true;
}

bool KVFieldScanner::SkipTo(char c) {
  const std::size_t found = line.find(c, position);
  if (found == std::string_view::npos) return false;
  position = found;
  return true;
}
