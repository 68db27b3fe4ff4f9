// Opening a large project: KVProject::Load of a project file listing 20,000 source files,
// plus reading the saved tabs and folder layout that name all of them, as the frame does
// when a project opens. The files exist (empty) so that every entry is kept. Runs are
// repeated and the median is printed; the target is under 0.1 s.
//
// Usage: kv_bench_project_load [--runs N] [--keep]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/ChildProcess.h"
#include "bench/RunOptions.h"
#include "platform/Platform.h"
#include "project/Project.h"
#include "project/ProjectViewState.h"
#include "project/XML.h"

namespace {

constexpr int kSourceFiles = 20000;
constexpr int kFilesPerFolder = 100;
constexpr double kTargetSeconds = 0.1;
constexpr char kSep = kvplatform::kPathSeparator;

std::string SourceName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "module%05d.js", i);
  return name;
}

// The project file as the IDE writes it on close: every source file listed, open in a tab,
// and placed in the layout in folders of a hundred.
bool WriteProject(const std::string& folder, const std::string& projectFile) {
  for (const char* sub : {"Source Files", "Dialog Windows", "External Libraries", "Resources"}) {
    kvplatform::CreateFolder(folder + sub + kSep);
  }
  std::string sources;
  SavedTabs tabs;
  std::vector<LayoutEntry> layout;
  for (int i = 0; i < kSourceFiles; ++i) {
    const std::string name = SourceName(i);
    // Plain creation: an atomic save per file would scan the growing folder each time.
    if (!std::ofstream(folder + "Source Files" + kSep + name)) return false;
    sources += KVXML::ElementText("Name", name);
    tabs.tabs.push_back({ProjectItemType::SourceFile, name, 0, 0});
    if (i % kFilesPerFolder == 0) layout.push_back({"Folder " + std::to_string(i / kFilesPerFolder), true, {}});
    layout.back().children.push_back({name, false, {}});
  }
  tabs.selected = tabs.tabs.back();
  const std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project><Version>1</Version>"
                           "<Name>Big</Name><ExeName>Big.exe</ExeName><Engine>1</Engine><Icon>Big.ico</Icon>"
                           "<SourceFiles>" + sources + "</SourceFiles><WindowFiles/><LibraryFiles/><BitmapFiles/>"
                           "<Tabs>" + TabsFragment(tabs) + "</Tabs>" + LayoutFragment(layout) + "</Project>\n";
  return kvplatform::WriteFileBytes(projectFile, text);
}

size_t CountEntries(const std::vector<LayoutEntry>& entries) {
  size_t count = 0;
  for (const LayoutEntry& entry : entries) count += entry.folder ? CountEntries(entry.children) : 1;
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  kvbench::RunOptions options{5};
  if (!kvbench::ParseRunOptions(argc, argv, "kv_bench_project_load [--runs N] [--keep]", options)) return 2;

  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("kv-bench-project-load-" + std::to_string(kvplatform::CurrentProcessId()));
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base);
  const std::string folder = base.string() + kSep;
  const std::string projectFile = folder + "Big.kvproj";
  if (!WriteProject(folder, projectFile)) {
    std::fprintf(stderr, "kv_bench_project_load: cannot write the project in %s\n", folder.c_str());
    return 1;
  }
  // The pid a load writes back is saved durably, and its flush would otherwise also wait for
  // the 20,000 files just made (and any a previous run removed) to reach the disk.
  sync();

  std::vector<double> seconds;
  bool complete = true;
  for (int run = 0; run < options.runs; ++run) {
    KVProject project;
    const auto start = std::chrono::steady_clock::now();
    const bool loaded = project.Load(projectFile);
    const SavedTabs tabs = ReadSavedTabs(project.Document());
    const auto layout = ReadLayout(project.Document());
    const auto end = std::chrono::steady_clock::now();
    seconds.push_back(std::chrono::duration<double>(end - start).count());
    // Every file, tab and layout entry must have been read for the figure to mean anything.
    complete = complete && loaded && project.Items().size() == kSourceFiles + 2 &&
               tabs.tabs.size() == kSourceFiles && layout && CountEntries(*layout) == kSourceFiles;
    project.ReleaseLock();
  }
  const double median = kvbench::Median(seconds);
  std::printf("project load: %d source files, tabs and layout naming each: median %.3f s over %d runs "
              "(target < %.1f s)%s\n",
              kSourceFiles, median, options.runs, kTargetSeconds, complete ? "" : " INCOMPLETE READ");
  std::printf("result: project load | %.3f s | target %.1f s | %.2f | < 1.00\n", median, kTargetSeconds,
              median / kTargetSeconds);

  if (options.keep) {
    std::printf("project kept in %s\n", folder.c_str());
  } else {
    std::filesystem::remove_all(base);
  }
  return complete ? 0 : 1;
}
