// Find in files: the whole search of a large project, report included, against
// `grep -F -i -c` searching the same files for the same text in the same run.
//
// The project: 500 generated JavaScript sources totalling 50,000,000 bytes. Two texts are
// searched without regard to case: a word found on many lines, and one found nowhere. The
// search and grep alternate run by run; medians and their ratio are printed, and the counts of
// matching lines must agree. grep runs in the C locale, where it folds ASCII letters only, as
// the search does. The files are read warm from the page cache by both.
//
// Usage: kv_bench_find_in_files [--runs N] [--keep]
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/ChildProcess.h"
#include "bench/JsProject.h"
#include "bench/RunOptions.h"
#include "platform/Platform.h"
#include "search/FileSearch.h"

namespace {

constexpr char kSep = kvplatform::kPathSeparator;

// Keeps the report's size and its last line, the summary.
class CountingSink : public KVSearchSink {
public:
  void clear() override {
    bytes = 0;
    last.clear();
  }
  void append(const std::string& text) override {
    bytes += text.size();
    last = text;
  }
  std::size_t bytes = 0;
  std::string last;
};

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The number at the start of the summary line; 0 for "No matches found".
long long SummaryCount(const std::string& summary) { return std::atoll(summary.c_str()); }

// grep -F -i -c over the files; the sum of its per-file counts goes to count. Negative
// seconds when it fails (grep exits with 1 when nothing matched, which is fine).
double TimeGrep(const std::string& text, const std::vector<std::string>& files, const std::string& outputPath,
                long long& count) {
  std::vector<std::string> args = {"grep", "-F", "-i", "-c", "-e", text, "--"};
  args.insert(args.end(), files.begin(), files.end());
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = kvbench::Spawn(args, outputPath, "");
  if (pid == 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  const double seconds = Seconds(start);
  const int exitStatus = kvbench::ExitStatus(status);
  if (exitStatus != 0 && exitStatus != 1) return -1;
  std::ifstream output(outputPath);
  count = 0;
  for (std::string line; std::getline(output, line);) {
    const std::size_t colon = line.rfind(':');
    if (colon != std::string::npos) count += std::atoll(line.c_str() + colon + 1);
  }
  return seconds;
}

bool Measure(const std::string& text, const std::vector<KVSearchDocument>& documents,
             const std::vector<std::string>& files, const std::string& scratch, int runs) {
  std::vector<double> searchTimes, grepTimes;
  long long searchCount = 0, grepCount = 0;
  std::size_t reportBytes = 0;
  for (int run = 0; run < runs; ++run) {
    CountingSink sink;
    const auto start = std::chrono::steady_clock::now();
    kvsearch::WriteReport(text, false, KVSearchScope::AllProjectFiles, documents, nullptr, sink);
    searchTimes.push_back(Seconds(start));
    searchCount = SummaryCount(sink.last);
    reportBytes = sink.bytes;
    const double grepSeconds = TimeGrep(text, files, scratch, grepCount);
    if (grepSeconds < 0) {
      std::fprintf(stderr, "grep failed\n");
      return false;
    }
    grepTimes.push_back(grepSeconds);
  }
  const double search = kvbench::Median(searchTimes);
  const double grep = kvbench::Median(grepTimes);
  std::printf("find in files \"%s\": %lld matching lines, report %zu bytes\n", text.c_str(), searchCount, reportBytes);
  std::printf("  search %.1f ms, grep -F -i -c %.1f ms (%lld lines), ratio %.2f\n", search * 1000, grep * 1000,
              grepCount, grep > 0 ? search / grep : 0.0);
  std::printf("result: find in files \"%s\" | %.1f ms | grep -F -i -c %.1f ms | %.2f | -\n", text.c_str(), search * 1000,
              grep * 1000, grep > 0 ? search / grep : 0.0);
  if (searchCount != grepCount) {
    std::fprintf(stderr, "the counts differ: %lld against grep's %lld\n", searchCount, grepCount);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  kvbench::RunOptions options{7};
  if (!kvbench::ParseRunOptions(argc, argv, "kv_bench_find_in_files [--runs N] [--keep]", options)) return 2;
  setenv("LC_ALL", "C", 1);
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("kv-bench-find-" + std::to_string(kvplatform::CurrentProcessId()));
  std::filesystem::create_directories(base / "Source Files");
  const std::string folder = base.string() + kSep;
  kvbench::JsProjectShape shape;
  shape.files = 500;
  shape.totalBytes = 50000000;
  const std::vector<std::string> names = kvbench::WriteJsSources(folder, shape);
  const std::string sourceFolder = folder + "Source Files" + kSep;
  std::vector<ProjectItem> items;
  std::vector<std::string> files;
  items.reserve(names.size());
  for (const std::string& name : names) {
    items.push_back(ProjectItem::FromPath(sourceFolder + name, ProjectItemType::SourceFile));
    files.push_back(sourceFolder + name);
  }
  std::vector<KVSearchDocument> documents;
  for (const ProjectItem& item : items) documents.push_back({&item, false});
  std::printf("project: %zu sources, %llu bytes, in %s\n", items.size(),
              static_cast<unsigned long long>(shape.totalBytes), folder.c_str());

  // One untimed pass each, so that both read the files from the page cache.
  long long ignored = 0;
  CountingSink warm;
  kvsearch::WriteReport("warm", false, KVSearchScope::AllProjectFiles, documents, nullptr, warm);
  TimeGrep("warm", files, folder + "grep.txt", ignored);

  bool ok = true;
  for (const char* text : {"record", "nothing-like-this"}) {
    ok = Measure(text, documents, files, folder + "grep.txt", options.runs) && ok;
  }
  if (!options.keep) {
    std::error_code error;
    std::filesystem::remove_all(base, error);
  }
  return ok ? 0 : 1;
}
