// Searches arbitrary bytes for an arbitrary text and checks the report against a plain
// reading of the same rules: lines read byte by byte (a CR ends a line and takes the next byte
// along, a lone LF ends a line), each line compared at every position. Also checks that the
// heading stays within its buffer and cuts only between characters.
//
// Input: one byte of flags (bit 0 match case, bit 1 declaration file), one byte giving the
// search text's length, the search text, then the file's bytes.
// Run: kv_fuzz_search -max_total_time=60 <work folder> fuzz/corpus/search
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "search/FileSearch.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool MatchesAt(std::string_view line, std::size_t at, std::string_view text, bool matchCase) {
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (matchCase ? line[at + k] != text[k] : Lower(line[at + k]) != Lower(text[k])) return false;
  }
  return true;
}

std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    open = true;
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      if (bytes[i] == '\r') ++i;
      lines.push_back(line);
      line.clear();
      open = false;
    } else {
      line += bytes[i];
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

std::string ExpectedReport(std::string_view bytes, bool declaration, std::string_view text, bool matchCase,
                           std::int64_t& hits) {
  std::vector<std::string> lines = Lines(bytes);
  if (declaration && !lines.empty()) lines.erase(lines.begin());
  std::string report;
  hits = 0;
  for (std::size_t n = 0; n < lines.size() && !text.empty(); ++n) {
    const std::string& line = lines[n];
    for (std::size_t at = 0; at + text.size() <= line.size(); ++at) {
      if (!MatchesAt(line, at, text, matchCase)) continue;
      ++hits;
      report += "f(" + std::to_string(n + 1) + "):    ";
      if (line.size() <= kShownLineLength) {
        report += line;
      } else {
        std::size_t cut = kShownLineLength;
        for (int back = 0; back < 3 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80; ++back) --cut;
        report += line.substr(0, cut) + "...";
      }
      report += "\r\n";
      break;
    }
  }
  return report;
}

void CheckHeading(std::string_view text) {
  const std::string heading = kvsearch::Heading(std::string(text));
  Check(heading.size() <= 1023);
  Check(heading.compare(0, 10, "Find all \"") == 0 && heading.back() == '"');
  const std::string_view kept = std::string_view(heading).substr(10, heading.size() - 11);
  Check(text.substr(0, kept.size()) == kept);
  if (kept.size() == text.size()) return;
  // Cut at 1,012 bytes, moved back over at most three continuation bytes.
  const auto continuation = [&](std::size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
  Check(kept.size() >= 1009 && kept.size() <= 1012);
  for (std::size_t i = kept.size() + 1; i <= 1012; ++i) Check(continuation(i));
  Check(kept.size() == 1009 || !continuation(kept.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const bool matchCase = (data[0] & 1) != 0;
  const bool declaration = (data[0] & 2) != 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string_view text = rest.substr(0, data[1]);
  const std::string_view bytes = rest.substr(text.size());

  std::string report;
  const std::int64_t hits = kvsearch::SearchBytes(bytes, declaration, "f", KVTextFinder(text, matchCase), report);
  std::int64_t expectedHits = 0;
  Check(report == ExpectedReport(bytes, declaration, text, matchCase, expectedHits));
  Check(hits == expectedHits);
  CheckHeading(rest);
  return 0;
}
