// Whole builds and the runtime extraction: wall time, CPU time and peak memory.
//
// Builds: a project of 200 generated JavaScript sources totalling 20,000,000 bytes is built
// for Windows 64, Windows 32 and macOS with the runtime pack of the product's
// KelVoxStudio.exe, each build by kvcli in a child process: natively, and under Wine with the
// Windows kvcli.exe when it and Wine are there. Native and Wine builds alternate round by
// round, so that a busy machine slows both alike; medians are printed. Wine runs a program
// started from a shell in a process of its own, detached from the wine process; this program
// adopts it as a subreaper. So under Wine the peak resident memory is that of the Windows
// program's process, its own code and heap together with Wine's loader, ntdll and the system
// DLLs mapped into it, and the CPU time is the program's and start.exe's; the wine server's
// share is not counted.
//
// Extraction: ExtractRuntime from a stand-in IDE whose pack holds a runtime of 4 KiB, 14 MB
// or 28 MB (the largest a shipped runtime is expected to be), in a child of its own (this
// program again, with --extract), its peak resident memory against an idle child's. The
// decompression streams through two fixed buffers and the XZ dictionary, so the peak must
// stay under what the smallest runtime takes plus the decoder's dictionary and state,
// whatever the runtime's size.
//
// Usage: kv_bench_build [--runs N] [--keep] [--ide KelVoxStudio.exe] [--kvcli PATH]
//                       [--kvcli-exe PATH] [--no-wine]
//        kv_bench_build --extract IDE TARGET DESTINATION   (the measured child)
//        kv_bench_build --make-ide PATH RUNTIME_BYTES      (writes a stand-in IDE)
//        kv_bench_build --write-project FOLDER IDE         (writes the project)
//        kv_bench_build --idle                             (the floor of a child)
#include <lzma.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/ChildProcess.h"
#include "bench/JsProject.h"
#include "bench/StandInIde.h"
#include "build/RuntimePack.h"
#include "platform/Platform.h"


namespace {

namespace fs = std::filesystem;
using kvbench::CpuSeconds;
using kvbench::ExitStatus;
using kvbench::Median;
using kvbench::Spawn;

constexpr double kMiB = 1024.0 * 1024.0;
// ExtractRuntime's input and output buffers.
constexpr std::uint64_t kBuffers = 2 * 0x100004;
// One that hardly touches the dictionary, and half and all of the largest expected runtime.
const std::uint64_t kRuntimeSizes[] = {4096, 14000000, 28000000};

struct Measure {
  double wall = 0;  // seconds
  double cpu = 0;   // user + system seconds
  double maxRssMiB = 0;
};

// Runs args[0] with args, standard output to outputPath when given. The exit status, or -1
// when the program cannot be started or does not exit normally.
int Run(const std::vector<std::string>& args, const std::string& outputPath, Measure& measure) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = Spawn(args, outputPath, "");
  if (pid == 0) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return -1;
  measure.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  measure.cpu = CpuSeconds(usage);
  measure.maxRssMiB = static_cast<double>(usage.ru_maxrss) / 1024;
  return ExitStatus(status);
}

std::string CommandName(pid_t pid) {
  std::string name;
  if (FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/comm").c_str(), "r")) {
    char line[64] = {};
    if (std::fgets(line, sizeof line, file)) name = line;
    std::fclose(file);
  }
  if (!name.empty() && name.back() == '\n') name.pop_back();
  return name;
}

// Wine runs a program started from a POSIX shell in a process of its own, detached from the
// wine process (which becomes start.exe and waits for it). This program is made a subreaper
// in main, so that the detached process is handed to it when its parent ends, and waited for
// like a child. The figures: wall time until the wine process ends, CPU time of the program
// and of start.exe with Wine's intermediate forks (not the wine server's), and the peak
// resident memory of the process named program.
int RunUnderWine(const std::vector<std::string>& args, const std::string& outputPath, const std::string& errorPath,
                 const std::string& program, Measure& measure) {
  // Orphans handed over earlier (the prefix's services) must not count as this run's.
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t wine = Spawn(args, outputPath, errorPath);
  if (wine == 0) return -1;
  measure = {};
  int wineStatus = -1;
  bool wineEnded = false, programSeen = false;
  // The program ends before the wine process, but may become a zombie a moment later.
  for (int polls = 0; !(wineEnded && programSeen) && polls < 2000;) {
    siginfo_t info{};
    if (waitid(P_ALL, 0, &info, WEXITED | WNOWAIT | (wineEnded ? WNOHANG : 0)) != 0) break;
    if (info.si_pid == 0) {
      ++polls;
      usleep(1000);
      continue;
    }
    const pid_t pid = info.si_pid;
    const std::string name = CommandName(pid);  // a zombie keeps its name until it is reaped
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) break;
    if (pid == wine || name == program || name == "start.exe") measure.cpu += CpuSeconds(usage);
    if (name == program) {
      programSeen = true;
      measure.maxRssMiB = static_cast<double>(usage.ru_maxrss) / 1024;
    }
    if (pid == wine) {
      measure.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      wineStatus = ExitStatus(status);
      wineEnded = true;
    }
  }
  if (!wineEnded) return -1;
  if (!programSeen) {
    std::fprintf(stderr, "%s ended, but no process named %s was seen\n", args[0].c_str(), program.c_str());
    return -1;
  }
  return wineStatus;
}

bool RunOk(const std::vector<std::string>& args, const std::string& outputPath, Measure& measure) {
  const int status = Run(args, outputPath, measure);
  if (status != 0) std::fprintf(stderr, "%s failed (exit status %d)\n", args[0].c_str(), status);
  return status == 0;
}


struct Series {
  std::vector<double> wall, cpu, rss;
  std::uint64_t outputBytes = 0;
  void Add(const Measure& m) {
    wall.push_back(m.wall);
    cpu.push_back(m.cpu);
    rss.push_back(m.maxRssMiB);
  }
};

std::string SelfPath() {
  const std::string self = kvplatform::ExecutablePath();
  return self.empty() ? "/proc/self/exe" : self;
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "";
  std::size_t from = 0;
  while (from <= list.size()) {
    const std::size_t to = std::min(list.find(':', from), list.size());
    const std::string candidate = list.substr(from, to - from) + "/" + program;
    if (to > from && access(candidate.c_str(), X_OK) == 0) return true;
    from = to + 1;
  }
  return false;
}

// Bytes of a file, or of every file under a folder (a macOS bundle).
std::uint64_t SizeOf(const std::string& path) {
  std::error_code error;
  if (fs::is_regular_file(path, error)) return fs::file_size(path, error);
  std::uint64_t total = 0;
  for (auto it = fs::recursive_directory_iterator(path, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    if (it->is_regular_file(error)) total += it->file_size(error);
  }
  return total;
}

// The same file as Wine's Z: drive, which maps the root folder, names it.
std::string WinePath(const std::string& path) {
  std::string windows = "Z:" + fs::absolute(path).lexically_normal().string();
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return windows;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  FILE* file = kvplatform::OpenFile(path, "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// Prints this process's peak resident memory in KiB. The figure wait4 gives a parent never
// goes below the peak of the process that spawned the child (Linux carries it over at exec),
// which would raise an idle child's floor to this program's own; the high-water mark of the
// child's own image has no such share.
int ReportOwnPeak(int status) {
  long peak = -1;
  if (FILE* file = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, file)) {
      if (std::strncmp(line, "VmHWM:", 6) == 0) peak = std::atol(line + 6);
    }
    std::fclose(file);
  }
  std::printf("%ld\n", peak);
  return status;
}

// What ReportOwnPeak printed into path, in MiB; negative when it cannot be read.
double ReadReportedPeak(const std::string& path) {
  long peak = -1;
  if (FILE* file = std::fopen(path.c_str(), "r")) {
    if (std::fscanf(file, "%ld", &peak) != 1) peak = -1;
    std::fclose(file);
  }
  return static_cast<double>(peak) / 1024;
}

int ExtractChild(const std::string& ide, const std::string& target, const std::string& destination) {
  return ReportOwnPeak(kvbuild::ExtractRuntime(ide, std::atoi(target.c_str()), destination) ? 0 : 1);
}

int MakeIdeChild(const std::string& path, const std::string& runtimeBytes) {
  const std::uint64_t size = std::strtoull(runtimeBytes.c_str(), nullptr, 10);
  const std::string xz = kvbench::XzPreset6(kvbench::GenerateRuntime(0x4B5652544Eull, size));
  return !xz.empty() && WriteFile(path, kvbench::StandInIde(xz)) ? 0 : 1;
}

struct Options {
  int runs = 3;
  bool keep = false;
  bool wine = true;
  std::string ide, kvcli, kvcliExe, wineRun;
};

bool ParseOptions(const std::vector<std::string>& args, Options& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const bool hasValue = i + 1 < args.size();
    if (args[i] == "--runs" && hasValue) {
      options.runs = std::max(1, std::atoi(args[++i].c_str()));
    } else if (args[i] == "--keep") {
      options.keep = true;
    } else if (args[i] == "--no-wine") {
      options.wine = false;
    } else if (args[i] == "--ide" && hasValue) {
      options.ide = args[++i];
    } else if (args[i] == "--kvcli" && hasValue) {
      options.kvcli = args[++i];
    } else if (args[i] == "--kvcli-exe" && hasValue) {
      options.kvcliExe = args[++i];
    } else {
      return false;
    }
  }
  return true;
}

const char* const kProjectFile = "Bench.kvproj";

// A project folder as New Project makes one, with the generated sources and the pack's
// default icon.
int WriteProjectChild(const std::string& folder, const std::string& ide) {
  for (const char* sub : {"Source Files", "Dialog Windows", "External Libraries", "Resources"}) {
    kvplatform::CreateFolder(folder + sub);
  }
  const std::vector<std::string> names = kvbench::WriteJsSources(folder, kvbench::JsProjectShape());
  if (names.empty() || !kvbuild::CopyDefaultIcon(ide, folder + "Resources/Bench.ico")) return 1;
  std::string list;
  for (const std::string& name : names) list += "<Name>" + name + "</Name>";
  const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project><Name>Bench</Name>"
                          "<ExeName>Bench.exe</ExeName><Engine>1</Engine><Icon>Bench.ico</Icon><SourceFiles>" +
                          list + "</SourceFiles><WindowFiles/><LibraryFiles/><BitmapFiles/></Project>\n";
  return WriteFile(folder + kProjectFile, xml) ? 0 : 1;
}

struct Target {
  const char* name;
  const char* output;  // what the build leaves in the project folder
};
const Target kTargets[] = {{"win64", "Bench.exe"}, {"win32", "Bench.exe"}, {"macos", "Bench.app"}};
constexpr std::size_t kTargetCount = sizeof kTargets / sizeof kTargets[0];

// Builds natively and, when wine is set, under Wine; false when a build fails. A failure
// under Wine ends the Wine runs, and the native figures are still printed.
bool BenchBuilds(const Options& options, const std::string& folder, const std::string& self, bool wine) {
  const kvbench::JsProjectShape shape;
  std::printf("generating %d sources of %llu bytes in all in %s\n", shape.files,
              static_cast<unsigned long long>(shape.totalBytes), folder.c_str());
  std::fflush(stdout);
  Measure unused;
  if (!RunOk({self, "--write-project", folder, options.ide}, "", unused)) return false;
  const std::string projectFile = folder + kProjectFile;
  const std::string log = folder + "kvcli.log";
  Series native[kTargetCount], underWine[kTargetCount];
  bool wineFailed = false;
  for (int r = 0; r < options.runs; ++r) {
    for (std::size_t t = 0; t < kTargetCount; ++t) {
      Measure m;
      if (!RunOk({options.kvcli, "build", projectFile, "--target", kTargets[t].name, "--ide", options.ide}, log, m)) {
        std::fprintf(stderr, "see %s\n", log.c_str());
        return false;
      }
      native[t].Add(m);
      native[t].outputBytes = SizeOf(folder + kTargets[t].output);
      std::printf("run %d: %s native %.2f s\n", r + 1, kTargets[t].name, m.wall);
      std::fflush(stdout);
    }
    if (!wine || wineFailed) continue;
    // The first Wine program starts the prefix's server, which stays while programs follow
    // one another closely: a run without a measure keeps its start out of the figures.
    Measure warmUp;
    RunUnderWine({options.wineRun, options.kvcliExe}, "/dev/null", "/dev/null", "kvcli.exe", warmUp);
    for (std::size_t t = 0; t < kTargetCount; ++t) {
      Measure m;
      const int status = RunUnderWine({options.wineRun, options.kvcliExe, "build", WinePath(projectFile), "--target",
                                       kTargets[t].name, "--ide", WinePath(options.ide)},
                                      log, "", "kvcli.exe", m);
      if (status != 0) {
        std::fprintf(stderr, "kvcli.exe under Wine failed (exit status %d); see %s\n", status, log.c_str());
        wineFailed = true;
        break;
      }
      underWine[t].Add(m);
      underWine[t].outputBytes = SizeOf(folder + kTargets[t].output);
      std::printf("run %d: %s Wine %.2f s\n", r + 1, kTargets[t].name, m.wall);
      std::fflush(stdout);
    }
  }

  std::printf("\nwhole builds by kvcli, %d runs each, medians\n", options.runs);
  std::printf("%-7s %-7s %9s %9s %14s %14s\n", "target", "where", "wall s", "cpu s", "peak RSS MiB", "output bytes");
  auto row = [](const char* target, const char* where, const Series& s) {
    std::printf("%-7s %-7s %9.2f %9.2f %14.1f %14llu\n", target, where, Median(s.wall), Median(s.cpu), Median(s.rss),
                static_cast<unsigned long long>(s.outputBytes));
  };
  for (std::size_t t = 0; t < kTargetCount; ++t) {
    row(kTargets[t].name, "native", native[t]);
    if (wine && !underWine[t].wall.empty()) row(kTargets[t].name, "Wine", underWine[t]);
  }
  if (wineFailed) {
    std::printf("the builds under Wine stopped at a failure; their figures are partial\n");
  } else if (wine) {
    std::printf("Wine / native:");
    for (std::size_t t = 0; t < kTargetCount; ++t) {
      std::printf(" %s %.2f wall, %.2f cpu;", kTargets[t].name, Median(underWine[t].wall) / Median(native[t].wall),
                  Median(underWine[t].cpu) / Median(native[t].cpu));
    }
    std::printf("\n");
    for (std::size_t t = 0; t < kTargetCount; ++t) {
      std::printf("result: build %s under Wine, wall | %.2f s | native %.2f s | %.2f | -\n", kTargets[t].name,
                  Median(underWine[t].wall), Median(native[t].wall), Median(underWine[t].wall) / Median(native[t].wall));
    }
  }
  return !wineFailed;
}

// ExtractRuntime's peak memory with large runtimes; false when a stand-in cannot be made or
// an extraction fails.
bool BenchExtraction(const Options& options, const std::string& folder, const std::string& self) {
  struct Runtime {
    std::uint64_t bytes;
    std::string ide;
    Series series;
  };
  std::vector<Runtime> runtimes;
  for (std::uint64_t bytes : kRuntimeSizes) {
    const std::string ide = folder + "StandIn-" + std::to_string(bytes) + ".exe";
    std::printf("writing a stand-in IDE with a %llu-byte runtime, XZ preset 6\n", static_cast<unsigned long long>(bytes));
    std::fflush(stdout);
    Measure m;
    if (!RunOk({self, "--make-ide", ide, std::to_string(bytes)}, "", m)) return false;
    runtimes.push_back({bytes, ide, {}});
  }
  const std::string destination = folder + "Runtime.exe";
  const std::string report = folder + "peak.txt";
  // A measured child of this program, its peak as it reports it.
  auto measure = [&](const std::vector<std::string>& args, Measure& m) {
    if (!RunOk(args, report, m)) return false;
    m.maxRssMiB = ReadReportedPeak(report);
    return m.maxRssMiB > 0;
  };
  Series idle;
  for (int r = 0; r < options.runs; ++r) {
    Measure m;
    if (!measure({self, "--idle"}, m)) return false;
    idle.Add(m);
    for (Runtime& runtime : runtimes) {
      Measure m;
      if (!measure({self, "--extract", runtime.ide, "1", destination}, m)) return false;
      if (SizeOf(destination) != runtime.bytes) {
        std::fprintf(stderr, "the extracted runtime has %llu bytes, not %llu\n",
                     static_cast<unsigned long long>(SizeOf(destination)),
                     static_cast<unsigned long long>(runtime.bytes));
        return false;
      }
      runtime.series.Add(m);
    }
  }

  // The decoder's dictionary and state, as liblzma counts them for preset 6.
  lzma_options_lzma lzma{};
  lzma_lzma_preset(&lzma, 6);
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &lzma}, {LZMA_VLI_UNKNOWN, nullptr}};
  const double decoder = static_cast<double>(lzma_raw_decoder_memusage(filters)) / kMiB;
  const double buffers = static_cast<double>(kBuffers) / kMiB;
  const double floor = Median(idle.rss);
  std::printf("\nExtractRuntime in a child, %d runs each, medians; peak: the child's own high-water mark\n",
              options.runs);
  std::printf("%14s %15s %9s %14s %15s\n", "runtime bytes", "stand-in bytes", "wall s", "peak RSS MiB", "above idle MiB");
  for (const Runtime& runtime : runtimes) {
    const double peak = Median(runtime.series.rss);
    std::printf("%14llu %15llu %9.2f %14.1f %15.1f\n", static_cast<unsigned long long>(runtime.bytes),
                static_cast<unsigned long long>(SizeOf(runtime.ide)), Median(runtime.series.wall), peak, peak - floor);
  }
  // The smallest runtime touches the buffers and the code but hardly the dictionary.
  const Runtime& smallest = runtimes.front();
  const Runtime& half = runtimes[runtimes.size() - 2];
  const Runtime& largest = runtimes.back();
  const double fixed = Median(smallest.series.rss) - floor;
  const double dictionary = Median(largest.series.rss) - Median(smallest.series.rss);
  const double largestMiB = static_cast<double>(largest.bytes) / kMiB;
  std::printf("idle child: %.1f MiB\n", floor);
  std::printf("bound above idle: buffers %.1f + XZ decoder at preset 6 (8 MiB dictionary and state) %.1f = %.1f MiB\n",
              buffers, decoder, buffers + decoder);
  std::printf("%llu-byte runtime: %.1f MiB above idle = buffers and code %.1f (as with %llu bytes) + dictionary %.1f "
              "(%.0f%% of the decoder's %.1f);\n  %.0f%% of the runtime's %.1f MiB; %+.1f MiB against %llu bytes\n",
              static_cast<unsigned long long>(largest.bytes), fixed + dictionary, fixed,
              static_cast<unsigned long long>(smallest.bytes), dictionary, 100 * dictionary / decoder, decoder,
              100 * (fixed + dictionary) / largestMiB, largestMiB, Median(largest.series.rss) - Median(half.series.rss),
              static_cast<unsigned long long>(half.bytes));
  // The bound: what extracting the smallest runtime takes (the buffers with the code and data
  // pages the extraction touches) plus the decoder's full dictionary and state. Streaming keeps
  // the peak under it whatever the runtime's size.
  const double bound = fixed + decoder;
  std::printf("result: extraction of %llu bytes, peak above idle | %.1f MiB | %llu-byte runtime + XZ decoder "
              "%.1f MiB | %.2f | <= 1.00\n",
              static_cast<unsigned long long>(largest.bytes), fixed + dictionary,
              static_cast<unsigned long long>(smallest.bytes), bound, (fixed + dictionary) / bound);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 4 && args[0] == "--extract") return ExtractChild(args[1], args[2], args[3]);
  if (args.size() == 3 && args[0] == "--make-ide") return MakeIdeChild(args[1], args[2]);
  if (args.size() == 3 && args[0] == "--write-project") return WriteProjectChild(args[1], args[2]);
  if (args.size() == 1 && args[0] == "--idle") return ReportOwnPeak(0);

  Options options;
  if (!ParseOptions(args, options)) {
    std::fprintf(stderr,
                 "usage: kv_bench_build [--runs N] [--keep] [--ide KelVoxStudio.exe] [--kvcli PATH] "
                 "[--kvcli-exe PATH] [--no-wine]\n");
    return 2;
  }
  const std::string self = SelfPath();
  // This program lives in the bench folder of a build folder whose tools folder has kvcli.
  if (options.kvcli.empty()) options.kvcli = (fs::path(self).parent_path().parent_path() / "tools" / "kvcli").string();
  if (options.ide.empty()) options.ide = std::string(KV_SOURCE_DIR) + "/out/win64/app/KelVoxStudio.exe";
  if (options.kvcliExe.empty()) options.kvcliExe = std::string(KV_SOURCE_DIR) + "/out/win64/tools/kvcli.exe";
  options.wineRun = std::string(KV_SOURCE_DIR) + "/tools/wine-run";

  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kv-bench-build-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string folder = pattern + "/";

  bool ok = true;
  if (!IsFile(options.kvcli)) {
    std::printf("skipped the builds: no kvcli at %s\n", options.kvcli.c_str());
  } else if (!IsFile(options.ide) || !kvbuild::HasRuntimePack(options.ide)) {
    std::printf("skipped the builds: no KelVoxStudio.exe with a runtime pack at %s (build the product with "
                "./kelvox build, or name one with --ide)\n",
                options.ide.c_str());
  } else {
    bool wine = options.wine;
    if (wine && !IsFile(options.kvcliExe)) {
      std::printf("skipped the builds under Wine: no kvcli.exe at %s (build the kvcli target of the win64 preset, "
                  "or name one with --kvcli-exe)\n",
                  options.kvcliExe.c_str());
      wine = false;
    } else if (wine && !OnPath("wine")) {
      std::printf("skipped the builds under Wine: wine is not installed\n");
      wine = false;
    }
    if (wine && prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) {
      std::printf("skipped the builds under Wine: cannot wait for Wine's detached processes (%s)\n",
                  std::strerror(errno));
      wine = false;
    }
    kvplatform::CreateFolder(folder + "Project");
    ok = BenchBuilds(options, folder + "Project/", self, wine);
  }
  std::printf("\n");
  ok = BenchExtraction(options, folder, self) && ok;

  if (!options.keep) {
    std::error_code ignored;
    fs::remove_all(pattern, ignored);
  } else {
    std::printf("kept %s\n", folder.c_str());
  }
  return ok ? 0 : 1;
}
