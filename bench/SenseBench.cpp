// Code assistance: a rescan of a large project against `cat` reading the same files, and
// member-list and call-tip lookups per second.
//
// The project: 2,000 generated JavaScript sources totalling 50,000,000 bytes, "main.js"
// including the first module and every module including the next two (a binary tree, so
// the includes are followed depth first to a depth of eleven), each module declaring
// windows, files and requests; and 200 dialog windows of 20 controls each. Rescans and `cat`
// alternate run by run; medians are printed. The files are read warm from the page cache
// by both.
//
// Usage: kv_bench_sense [--runs N] [--keep]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/ChildProcess.h"
#include "bench/JsProject.h"
#include "bench/RunOptions.h"
#include "designer/WinFile.h"
#include "editing/Sense.h"
#include "platform/Platform.h"

namespace {

constexpr int kModules = 2000;
constexpr int kWindows = 200;
constexpr int kControlsPerWindow = 20;
constexpr std::uint64_t kTotalBytes = 50000000;
constexpr char kSep = kvplatform::kPathSeparator;

const char* const kControlKinds[] = {"button", "check", "edit", "text", "combo", "listview", "treeview"};

bool WriteFile(const std::string& path, const std::string& bytes) {
  FILE* file = kvplatform::OpenFile(path, "wb");
  if (!file) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

std::string ModuleName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "module%04d.js", i);
  return name;
}

std::string WindowName(int i) { return "Window" + std::to_string(i); }

std::string ControlName(int window, int control) {
  return std::string(kControlKinds[(window + control) % 7]) + std::to_string(control);
}

// Writes the project into folder; the source paths in scan order go to sources.
bool WriteProject(const std::string& folder, KVProject::ItemList& items, std::vector<std::string>& sources) {
  const std::string sourceFolder = folder + "Source Files" + kSep;
  const std::string windowFolder = folder + "Dialog Windows" + kSep;
  if (!kvplatform::CreateFolder(sourceFolder) || !kvplatform::CreateFolder(windowFolder)) return false;
  if (!WriteFile(sourceFolder + "main.js", "kv.include('" + ModuleName(0) + "')\r\nvar app = kv.Window('Window0')\r\n")) {
    return false;
  }
  for (int i = 0; i < kModules; ++i) {
    std::string header;
    for (const int child : {2 * i + 1, 2 * i + 2}) {
      if (child < kModules) header += "kv.include(\"" + ModuleName(child) + "\")\r\n";
    }
    const std::string n = std::to_string(i);
    header += "var window" + n + " = new kv.Window('" + WindowName(i % kWindows) + "')\r\n";
    header += "let file" + n + " = kv.fs.File()\r\n";
    header += "const request" + n + " = kv.Http()\r\n";
    header += "var document" + n + " = new kv.XML()\r\n";
    const std::uint64_t size = kTotalBytes / kModules - header.size();
    if (!WriteFile(sourceFolder + ModuleName(i), header + kvbench::GenerateJsFile(0x53454E53 + i, size))) return false;
  }
  // Depth-first order of the include tree, which is the scan order.
  sources = {sourceFolder + "main.js"};
  std::vector<int> stack = {0};
  while (!stack.empty()) {
    const int i = stack.back();
    stack.pop_back();
    sources.push_back(sourceFolder + ModuleName(i));
    for (const int child : {2 * i + 2, 2 * i + 1}) {
      if (child < kModules) stack.push_back(child);
    }
  }
  for (int w = 0; w < kWindows; ++w) {
    KVWinFile window;
    window.window.width = 640;
    window.window.height = 480;
    window.window.caption = WindowName(w);
    for (int c = 0; c < kControlsPerWindow; ++c) {
      KVControlRecord control;
      control.kind = kControlKinds[(w + c) % 7];
      control.name = ControlName(w, c);
      control.caption = "Caption " + std::to_string(c);
      control.x = 10;
      control.y = 10 + 24 * c;
      control.width = 120;
      control.height = 22;
      window.controls.push_back(control);
    }
    window.Normalize();
    std::string text;
    if (!window.Write(text) || !WriteFile(windowFolder + WindowName(w) + ".win", text)) return false;
    items.push_back(std::make_unique<ProjectItem>(
        ProjectItem::FromPath(windowFolder + WindowName(w) + ".win", ProjectItemType::DialogWindow)));
  }
  return true;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// `cat` of the files to /dev/null, in a child; negative when it fails.
double TimeCat(const std::vector<std::string>& files) {
  std::vector<std::string> args = {"cat"};
  args.insert(args.end(), files.begin(), files.end());
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = kvbench::Spawn(args, "/dev/null", "");
  if (pid == 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || kvbench::ExitStatus(status) != 0) return -1;
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  kvbench::RunOptions options{5};
  if (!kvbench::ParseRunOptions(argc, argv, "kv_bench_sense [--runs N] [--keep]", options)) return 2;
  const int runs = options.runs;
  const bool keep = options.keep;
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("kv-bench-sense-" + std::to_string(kvplatform::CurrentProcessId()));
  std::filesystem::create_directories(base);
  const std::string folder = base.string() + kSep;
  KVProject::ItemList items;
  std::vector<std::string> sources;
  if (!WriteProject(folder, items, sources)) {
    std::fprintf(stderr, "cannot write the project in %s\n", folder.c_str());
    return 1;
  }
  std::vector<std::string> allFiles = sources;
  for (const auto& item : items) allFiles.push_back(item->Path());
  std::uint64_t bytes = 0;
  for (const std::string& f : allFiles) bytes += static_cast<std::uint64_t>(kvplatform::FileSize(f));

  KVSense sense;
  sense.Rescan(folder, items);  // warms the page cache for both
  if (sense.ScannedFiles() != sources) {
    std::fprintf(stderr, "the rescan did not follow every include\n");
    return 1;
  }
  std::vector<double> rescan, cat;
  for (int r = 0; r < runs; ++r) {
    const auto start = std::chrono::steady_clock::now();
    sense.Rescan(folder, items);
    rescan.push_back(Seconds(start));
    const double catSeconds = TimeCat(allFiles);
    if (catSeconds < 0) {
      std::fprintf(stderr, "cat failed\n");
      return 1;
    }
    cat.push_back(catSeconds);
  }

  // Lookups as typing makes them: namespaces, variables of every kind, controls, misses.
  std::vector<std::string> lines;
  for (int i = 0; i < kModules; i += 97) {
    const std::string n = std::to_string(i);
    const int w = i % kWindows;
    lines.push_back("  window" + n + ".");
    lines.push_back("  window" + n + "." + ControlName(w, 5) + ".");
    lines.push_back("x = file" + n + ".open(");
    lines.push_back("if (request" + n + ".get(");
    lines.push_back("document" + n + ".");
    lines.push_back("missing" + n + ".");
  }
  lines.push_back("kv.");
  lines.push_back("kv.fs.readFile(");
  lines.push_back("(kv.lib.");
  std::size_t lookups = 0, answered = 0;
  const auto start = std::chrono::steady_clock::now();
  double elapsed = 0;
  do {
    for (int repeat = 0; repeat < 100; ++repeat) {
      for (const std::string& line : lines) {
        const bool tip = line.back() == '(';
        answered += tip ? sense.CallTipAt(line, line.size()).has_value() : !sense.MemberListAt(line, line.size()).empty();
        ++lookups;
      }
    }
    elapsed = Seconds(start);
  } while (elapsed < 1.0);

  const double rescanMedian = kvbench::Median(rescan), catMedian = kvbench::Median(cat);
  std::printf("code assistance: %d sources, %d dialog windows, %.1f MB, %d runs\n", static_cast<int>(sources.size()),
              kWindows, static_cast<double>(bytes) / 1e6, runs);
  std::printf("  rescan   %.3f s   (%.0f MB/s)\n", rescanMedian, static_cast<double>(bytes) / 1e6 / rescanMedian);
  std::printf("  cat      %.3f s   rescan / cat = %.2f\n", catMedian, rescanMedian / catMedian);
  std::printf("  lookups  %.0f per second (%zu of %zu answered)\n", static_cast<double>(lookups) / elapsed, answered,
              lookups);
  std::printf("result: rescan | %.3f s | cat %.3f s | %.2f | -\n", rescanMedian, catMedian, rescanMedian / catMedian);
  if (!keep) {
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
  } else {
    std::printf("  project kept in %s\n", folder.c_str());
  }
  return 0;
}
