// WritePayload against `xz -6 -T1` on the same sources: wall time, CPU time and peak memory.
//
// A project of 200 generated JavaScript sources totalling 20,000,000 bytes is written to a
// temporary folder. Each run starts WritePayload in a child process of its own (this program
// again, with --write), so that the peak resident memory measured is the writer's alone, and
// xz on the same files in the same order, writing one stream per file as the payload does.
// The two alternate run by run, so that a busy machine slows both alike; medians are printed.
//
// Usage: kv_bench_payload [--runs N] [--keep]
//        kv_bench_payload --write PROJECT_FILE EXECUTABLE_PATH   (the measured child)
//        kv_bench_payload --idle                                 (the floor of a child)
#include <lzma.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/ChildProcess.h"
#include "bench/RunOptions.h"
#include "bench/JsProject.h"
#include "build/Payload.h"
#include "platform/Platform.h"
#include "project/Project.h"


namespace {

using kvbench::Median;

constexpr double kMiB = 1024.0 * 1024.0;
constexpr std::uint64_t kBuffers = 2 * 0xA00000;

struct Measure {
  double wall = 0;  // seconds
  double cpu = 0;   // user + system seconds
  long maxRssKiB = 0;
};

// Runs argv[0] with argv, standard output to outputPath when given; false when it cannot
// start or does not exit with 0.
bool Run(const std::vector<std::string>& args, const std::string& outputPath, Measure& measure) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = kvbench::Spawn(args, outputPath, "");
  if (pid == 0) return false;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return false;
  measure.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  measure.cpu = kvbench::CpuSeconds(usage);
  measure.maxRssKiB = usage.ru_maxrss;
  if (kvbench::ExitStatus(status) != 0) {
    std::fprintf(stderr, "%s failed\n", args[0].c_str());
    return false;
  }
  return true;
}

struct Series {
  std::vector<double> wall, cpu;
  long maxRssKiB = 0;
  void Add(const Measure& m) {
    wall.push_back(m.wall);
    cpu.push_back(m.cpu);
    maxRssKiB = std::max(maxRssKiB, m.maxRssKiB);
  }
};

std::uint64_t SizeOf(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? 0 : size;
}

int WriteChild(const std::string& projectFile, const std::string& executable) {
  KVProject project;
  if (!project.Load(projectFile)) return 2;
  return kvbuild::WritePayload(project, executable).empty() ? 1 : 0;
}

std::string SelfPath() {
  const std::string self = kvplatform::ExecutablePath();
  return self.empty() ? "/proc/self/exe" : self;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "--write") return WriteChild(args[1], args[2]);
  if (args.size() == 1 && args[0] == "--idle") return 0;

  kvbench::RunOptions options{3};
  if (!kvbench::ParseRunOptions(argc, argv, "kv_bench_payload [--runs N] [--keep]", options)) return 2;
  const int runs = options.runs;
  const bool keep = options.keep;

  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kv-bench-payload-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string folder = pattern + "/";
  for (const char* sub : {"Source Files", "Dialog Windows", "External Libraries", "Resources"}) {
    kvplatform::CreateFolder(folder + sub);
  }
  const kvbench::JsProjectShape shape;
  std::printf("generating %d sources of %llu bytes in all in %s\n", shape.files,
              static_cast<unsigned long long>(shape.totalBytes), folder.c_str());
  const std::vector<std::string> names = kvbench::WriteJsSources(folder, shape);
  if (names.empty()) {
    std::fprintf(stderr, "cannot write the sources\n");
    return 1;
  }
  std::string list;
  for (const std::string& name : names) list += "<Name>" + name + "</Name>";
  const std::string projectFile = folder + "Bench.kvproj";
  {
    FILE* file = kvplatform::OpenFile(projectFile, "wb");
    const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Project><Name>Bench</Name>"
                            "<ExeName>Bench.exe</ExeName><Engine>1</Engine><SourceFiles>" +
                            list + "</SourceFiles><WindowFiles/><LibraryFiles/><BitmapFiles/></Project>";
    if (!file || std::fwrite(xml.data(), 1, xml.size(), file) != xml.size() || std::fclose(file) != 0) return 1;
  }

  const std::string self = SelfPath();
  const std::string executable = folder + "Bench.exe";
  std::vector<std::string> xz = {"xz", "-6", "-T1", "-c"};
  for (const std::string& name : names) xz.push_back(folder + "Source Files/" + name);
  const std::string xzOutput = folder + "sources.xz";

  Measure idle;
  if (!Run({self, "--idle"}, "", idle)) return 1;
  Series payload, xzSeries;
  for (int r = 0; r < runs; ++r) {
    Measure m;
    if (!Run({self, "--write", projectFile, executable}, "", m)) return 1;
    payload.Add(m);
    if (!Run(xz, xzOutput, m)) return 1;
    xzSeries.Add(m);
    std::printf("run %d: WritePayload %.2f s, xz %.2f s\n", r + 1, payload.wall.back(), xzSeries.wall.back());
  }

  const double encoder = static_cast<double>(lzma_easy_encoder_memusage(6)) / kMiB;
  const double floor = static_cast<double>(idle.maxRssKiB) / 1024;
  const double budget = encoder + static_cast<double>(kBuffers) / kMiB + floor;
  const double payloadWall = Median(payload.wall), xzWall = Median(xzSeries.wall);
  const double payloadCpu = Median(payload.cpu), xzCpu = Median(xzSeries.cpu);
  std::printf("\n%d runs each, medians\n", runs);
  std::printf("%-14s %9s %9s %14s %14s\n", "", "wall s", "cpu s", "peak RSS MiB", "output bytes");
  std::printf("%-14s %9.2f %9.2f %14.1f %14llu\n", "WritePayload", payloadWall, payloadCpu,
              static_cast<double>(payload.maxRssKiB) / 1024,
              static_cast<unsigned long long>(SizeOf(executable + ".bin")));
  std::printf("%-14s %9.2f %9.2f %14.1f %14llu\n", "xz -6 -T1", xzWall, xzCpu,
              static_cast<double>(xzSeries.maxRssKiB) / 1024, static_cast<unsigned long long>(SizeOf(xzOutput)));
  std::printf("\ntime: WritePayload / xz = %.3f wall, %.3f cpu (target at most 1.10)\n", payloadWall / xzWall,
              payloadCpu / xzCpu);
  std::printf("memory: %.1f MiB peak; budget %.1f MiB = encoder %.1f + buffers %.1f + a child's floor %.1f\n",
              static_cast<double>(payload.maxRssKiB) / 1024, budget, encoder, static_cast<double>(kBuffers) / kMiB,
              floor);
  std::printf("result: payload WritePayload wall | %.2f s | xz -6 -T1 %.2f s | %.3f | <= 1.10\n", payloadWall, xzWall,
              payloadWall / xzWall);
  std::printf("result: payload peak memory | %.1f MiB | budget %.1f MiB | %.3f | <= 1.00\n",
              static_cast<double>(payload.maxRssKiB) / 1024, budget, static_cast<double>(payload.maxRssKiB) / 1024 / budget);

  if (!keep) {
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
  } else {
    std::printf("kept %s\n", folder.c_str());
  }
  return 0;
}
