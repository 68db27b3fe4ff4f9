// Find in files without a window: searching the project's text documents as they are saved on
// disk, line by line, and writing the report the output pane shows.
//
// A line ends at a CR, and the byte after the CR is dropped whatever it is (the LF of the CR LF
// pair the editor writes). A lone LF ends a line as well: the editor counts it as a line end,
// and the report's line numbers must agree with the editor's, since a double-click on a hit
// opens the document at that line. Lines are searched whole, however long; the text a hit line
// shows is the line's first 4,095 bytes, cut back to the start of a character and followed by
// "..." when the line is longer. A file that cannot be read, or that holds a NUL byte (a binary
// or UTF-16 file, whose lines would be nonsense), is not searched and gets one line of its own
// in the report instead of hits. Each file is read whole, as the editor loads it, so that a
// file the editor can open can be searched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "project/ProjectItem.h"

// Where the report goes: the output pane on Windows, a string in tests.
class KVSearchSink {
public:
  virtual void clear() = 0;
  virtual void append(const std::string& text) = 0;

protected:
  ~KVSearchSink() = default;
};

// Finds the search text in a byte range: byte for byte, or with ASCII letters compared
// without regard to case (all other bytes still exactly). An empty text is found nowhere.
class KVTextFinder {
public:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  KVTextFinder(std::string_view text, bool matchCase);

  // The first position at or after from where the whole text lies inside [from, end) of data,
  // or npos.
  std::size_t find(const char* data, std::size_t from, std::size_t end) const;
  std::size_t length() const { return needle.size(); }

private:
  bool matchesAt(const char* at) const;

  std::string needle;  // lower-cased ASCII letters when the case does not matter
  bool matchCase;
};

// Lines whose text is longer than this are shown cut in the report.
inline constexpr std::size_t kShownLineLength = 4095;

// The counting of one search: lines with a hit, and files with at least one.
struct KVSearchTotals {
  std::int64_t matches = 0;
  std::int64_t files = 0;
};

// One of the frame's documents as the search sees it.
struct KVSearchDocument {
  const ProjectItem* item = nullptr;
  bool open = false;  // has an editor window
};

enum class KVSearchScope : int {
  AllProjectFiles = 0,
  OpenFiles = 1,
  CurrentFile = 2,
};

namespace kvsearch {

// Searches the bytes of one document: declaration files without their first line (the
// library path, which the editor hides). Writes one report line per hit line into report and
// returns the number of hit lines.
std::int64_t SearchBytes(std::string_view bytes, bool declarationFile, const std::string& displayName,
                         const KVTextFinder& finder, std::string& report);

// Searches one project item's file on disk and appends its hits to the sink. Items of other
// kinds than sources and library declarations give 0 without a word.
std::int64_t SearchDocument(const ProjectItem& item, const KVTextFinder& finder, KVSearchSink& sink);

// "Find all \"text\"", in at most 1,023 bytes: a longer search text is cut at the start of a
// character.
std::string Heading(const std::string& text);

// The summary line for a search over several files.
std::string FilesSummary(const KVSearchTotals& totals);

// The whole report, into a cleared sink: heading, hits and summary. current is the active
// document (null when there is none) for the scope CurrentFile; documents are the frame's
// records in order for the other scopes.
void WriteReport(const std::string& text, bool matchCase, KVSearchScope scope,
                 const std::vector<KVSearchDocument>& documents, const ProjectItem* current,
                 KVSearchSink& sink);

}  // namespace kvsearch
