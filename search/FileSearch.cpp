#include "search/FileSearch.h"

#include <cstring>

#include "platform/Platform.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define KV_SEARCH_SSE2 1
#endif

namespace {

constexpr unsigned char kCaseBit = 0x20;

bool IsAsciiLetter(unsigned char c) { return (c | kCaseBit) >= 'a' && (c | kCaseBit) <= 'z'; }

unsigned char FoldCase(unsigned char c) { return IsAsciiLetter(c) ? static_cast<unsigned char>(c | kCaseBit) : c; }

// One byte of the text as the quick filter compares it: ORing the case bit into the data makes
// both cases of a letter equal (and lets a few other bytes through, which the full comparison
// then turns away).
struct Anchor {
  unsigned char value;
  unsigned char mask;
  Anchor(unsigned char c, bool matchCase)
      : value(c), mask(!matchCase && IsAsciiLetter(c) ? kCaseBit : 0) {}
  bool test(unsigned char c) const { return (c | mask) == value; }
};

// The first CR or LF in [from, end), or end.
std::size_t FindLineEnd(const char* data, std::size_t from, std::size_t end) {
  std::size_t p = from;
#ifdef KV_SEARCH_SSE2
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; p + 16 <= end; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
    const int bits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
    if (bits != 0) return p + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(bits)));
  }
#endif
  for (; p < end; ++p) {
    if (data[p] == '\r' || data[p] == '\n') return p;
  }
  return end;
}

// Where the line after the one ending at the line-end byte at e starts: a CR takes the byte
// after it along.
std::size_t NextLineStart(const char* data, std::size_t e, std::size_t end) {
  const std::size_t next = e + (data[e] == '\r' ? 2 : 1);
  return next < end ? next : end;
}

// The text a hit line shows.
void AppendShownLine(std::string_view line, std::string& report) {
  if (line.size() <= kShownLineLength) {
    report.append(line);
    return;
  }
  std::size_t cut = kShownLineLength;
  // Back to the first byte of the character the cut falls into (at most three continuation
  // bytes belong to one character).
  for (int back = 0; back < 3 && cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80; ++back) --cut;
  report.append(line.substr(0, cut));
  report.append("...");
}

void AppendHit(const std::string& displayName, std::int64_t line, std::string_view text, std::string& report) {
  report.append(displayName);
  report.append("(");
  report.append(std::to_string(line));
  report.append("):    ");
  AppendShownLine(text, report);
  report.append("\r\n");
}

}  // namespace

KVTextFinder::KVTextFinder(std::string_view text, bool matchCase) : needle(text), matchCase(matchCase) {
  if (!matchCase) {
    for (char& c : needle) c = static_cast<char>(FoldCase(static_cast<unsigned char>(c)));
  }
}

bool KVTextFinder::matchesAt(const char* at) const {
  if (matchCase) return std::memcmp(at, needle.data(), needle.size()) == 0;
  for (std::size_t k = 0; k < needle.size(); ++k) {
    if (FoldCase(static_cast<unsigned char>(at[k])) != static_cast<unsigned char>(needle[k])) return false;
  }
  return true;
}

// A quick filter on the text's first and last bytes, sixteen positions at a time, then the
// full comparison at each position that passes it.
std::size_t KVTextFinder::find(const char* data, std::size_t from, std::size_t end) const {
  const std::size_t n = needle.size();
  if (n == 0 || from > end || end - from < n) return npos;
  const std::size_t lastStart = end - n;
  const Anchor first(static_cast<unsigned char>(needle[0]), matchCase);
  const Anchor last(static_cast<unsigned char>(needle[n - 1]), matchCase);
  std::size_t p = from;
#ifdef KV_SEARCH_SSE2
  const __m128i firstValue = _mm_set1_epi8(static_cast<char>(first.value));
  const __m128i firstMask = _mm_set1_epi8(static_cast<char>(first.mask));
  const __m128i lastValue = _mm_set1_epi8(static_cast<char>(last.value));
  const __m128i lastMask = _mm_set1_epi8(static_cast<char>(last.mask));
  for (; p + 16 <= lastStart + 1; p += 16) {
    const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
    const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p + n - 1));
    const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(head, firstMask), firstValue),
                                       _mm_cmpeq_epi8(_mm_or_si128(tail, lastMask), lastValue));
    for (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(both)); bits != 0; bits &= bits - 1) {
      const std::size_t at = p + static_cast<std::size_t>(__builtin_ctz(bits));
      if (matchesAt(data + at)) return at;
    }
  }
#endif
  for (; p <= lastStart; ++p) {
    if (first.test(static_cast<unsigned char>(data[p])) && last.test(static_cast<unsigned char>(data[p + n - 1])) &&
        matchesAt(data + p)) {
      return p;
    }
  }
  return npos;
}

namespace kvsearch {

// Looks for candidates over the whole text rather than line by line, and follows the lines
// only as far as the candidates lead: most of a file has no hit, and its lines then cost
// nothing but the count.
std::int64_t SearchBytes(std::string_view bytes, bool declarationFile, const std::string& displayName,
                         const KVTextFinder& finder, std::string& report) {
  const char* data = bytes.data();
  const std::size_t size = bytes.size();
  std::size_t lineStart = 0;
  std::size_t lineEnd = FindLineEnd(data, 0, size);
  if (declarationFile) {
    if (lineEnd == size) return 0;
    lineStart = NextLineStart(data, lineEnd, size);
    lineEnd = FindLineEnd(data, lineStart, size);
  }
  std::int64_t line = 1;
  std::int64_t hits = 0;
  std::size_t searchFrom = lineStart;
  for (;;) {
    const std::size_t at = finder.find(data, searchFrom, size);
    if (at == KVTextFinder::npos) break;
    while (at >= lineEnd) {
      lineStart = NextLineStart(data, lineEnd, size);
      lineEnd = FindLineEnd(data, lineStart, size);
      ++line;
    }
    if (at < lineStart) {  // the byte after a CR, which belongs to no line
      searchFrom = lineStart;
      continue;
    }
    if (at + finder.length() > lineEnd) {  // runs over the end of the line
      searchFrom = at + 1;
      continue;
    }
    AppendHit(displayName, line, bytes.substr(lineStart, lineEnd - lineStart), report);
    ++hits;
    if (lineEnd == size) break;
    lineStart = NextLineStart(data, lineEnd, size);
    lineEnd = FindLineEnd(data, lineStart, size);
    ++line;
    searchFrom = lineStart;
  }
  return hits;
}

std::int64_t SearchDocument(const ProjectItem& item, const KVTextFinder& finder, KVSearchSink& sink) {
  if (!IsTextKind(item.type)) return 0;
  std::string bytes;
  if (!kvplatform::ReadFileBytes(item.Path(), bytes)) {
    sink.append(item.displayName + ": not searched, the file could not be read\r\n");
    return 0;
  }
  if (std::memchr(bytes.data(), '\0', bytes.size()) != nullptr) {
    sink.append(item.displayName + ": not searched, the file is not text\r\n");
    return 0;
  }
  std::string report;
  const std::int64_t hits =
      SearchBytes(bytes, item.type == ProjectItemType::ExternalLibrary, item.displayName, finder, report);
  if (!report.empty()) sink.append(report);
  return hits;
}

std::string Heading(const std::string& text) {
  constexpr std::size_t kBufferSize = 1024;
  static constexpr char kOpen[] = "Find all \"";
  const std::size_t room = kBufferSize - 1 - (sizeof kOpen - 1) - 1;
  std::size_t length = text.size();
  if (length > room) {
    length = room;
    for (int back = 0; back < 3 && length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80; ++back) {
      --length;
    }
  }
  return kOpen + text.substr(0, length) + "\"";
}

std::string FilesSummary(const KVSearchTotals& totals) {
  if (totals.matches == 0) return "No matches found";
  const std::string matches = std::to_string(totals.matches);
  if (totals.files >= 2) return matches + " matches found in " + std::to_string(totals.files) + " files";
  if (totals.matches == 1) return "1 match found in 1 file";
  return matches + " matches found in 1 file";
}

void WriteReport(const std::string& text, bool matchCase, KVSearchScope scope,
                 const std::vector<KVSearchDocument>& documents, const ProjectItem* current,
                 KVSearchSink& sink) {
  const KVTextFinder finder(text, matchCase);
  sink.clear();
  sink.append(Heading(text) + "\r\n");
  if (scope == KVSearchScope::CurrentFile) {
    const std::int64_t count = current ? SearchDocument(*current, finder, sink) : 0;
    sink.append(std::to_string(count) + " matches\r\n");
    return;
  }
  KVSearchTotals totals;
  for (const KVSearchDocument& document : documents) {
    if (!document.item || (scope == KVSearchScope::OpenFiles && !document.open)) continue;
    const std::int64_t count = SearchDocument(*document.item, finder, sink);
    if (count > 0) {
      ++totals.files;
      totals.matches += count;
    }
  }
  sink.append(FilesSummary(totals) + "\r\n");
}

}  // namespace kvsearch
