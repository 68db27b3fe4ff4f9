// Memory of the frame across documents opened and closed: a project with 50 documents of each
// kind that has an editor (sources, library declarations, dialog windows, bitmaps; its one icon
// and one version information opened and closed 50 times each). A round opens every one, then
// closes them all; the process's private bytes, working set and GDI and USER objects are taken
// after the opening and after the closing of each round. What the second round leaves behind
// beyond the first is growth: the first round pays for what stays loaded once (code pages,
// caches, the heap's own growth), a second one should cost nothing more.
//
// Under Wine: PrivateUsage reads 0 (PagefileUsage is taken), GetGuiResources counts nothing
// (GDI objects are counted by their handle index, windows instead of USER objects), and the
// heap keeps about 24 bytes for every static or button control that drew text, bare controls
// of a plain window too: the version information's form (six labels) and the icon's (a label
// and a button) leave that much per opening.
//
// Usage: kv_bench_memory [--runs N] [--keep]   (N rounds after the first, 1 by default; a
// Windows program: under Wine it needs an X display)
#include <windows.h>
#include <psapi.h>

#include <Scintilla.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/commands/ProjectTemplates.h"
#include "app/frame/FrameWindow.h"
#include "bench/JsProject.h"
#include "bench/RunOptions.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "resources/ResourceIds.h"

namespace {

constexpr int kPerKind = 50;
const std::string kSep(1, kvplatform::kPathSeparator);

std::string Numbered(const char* stem, int i, const char* extension) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%02d.%s", stem, i, extension);
  return name;
}

void Put16(std::string& out, std::uint16_t v) { out.append({static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}); }
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

// The rows of a 32-bit bottom-up DIB of size x size pixels, a gradient seeded by seed.
std::string Pixels(int size, int seed) {
  std::string out;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      out.append({static_cast<char>((x * 4 + seed) & 0xFF), static_cast<char>((y * 4) & 0xFF),
                  static_cast<char>((x + y + seed * 7) & 0xFF), static_cast<char>(0xFF)});
    }
  }
  return out;
}

std::string InfoHeader(int width, int height) {
  std::string out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, 32);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  return out;
}

std::string BitmapFile(int seed) {
  const int size = 96;
  const std::string body = InfoHeader(size, size) + Pixels(size, seed);
  std::string out = "BM";
  Put32(out, static_cast<std::uint32_t>(14 + body.size()));
  Put32(out, 0);
  Put32(out, 14 + 40);
  return out + body;
}

std::string IconFile() {
  const int size = 32;
  const std::string image = InfoHeader(size, size * 2) + Pixels(size, 3) + std::string(size * size / 8, '\0');
  std::string out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  out.append({static_cast<char>(size), static_cast<char>(size), 0, 0});
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, static_cast<std::uint32_t>(image.size()));
  Put32(out, 22);
  return out + image;
}

bool WriteProject(const std::string& folder, std::string& projectFile) {
  for (const char* sub : {"Source Files", "Dialog Windows", "External Libraries", "Resources"}) {
    if (!kvplatform::CreateFolder(folder + sub)) return false;
  }
  std::string sources, windows, libraries, bitmaps;
  bool written = kvplatform::WriteFileBytes(folder + "Resources" + kSep + "App.ico", IconFile());
  for (int i = 0; i < kPerKind && written; ++i) {
    const std::string source = Numbered("module", i, "js"), window = Numbered("Window", i, "win"),
                      library = Numbered("lib", i, "ext"), bitmap = Numbered("picture", i, "bmp");
    sources += "<Name>" + source + "</Name>";
    windows += "<Name>" + window + "</Name>";
    libraries += "<Name>" + library + "</Name>";
    bitmaps += "<Name>" + bitmap + "</Name>";
    written =
        kvplatform::WriteFileBytes(folder + "Source Files" + kSep + source, kvbench::GenerateJsFile(0x4D454D00 + i, 20000)) &&
        kvplatform::WriteFileBytes(folder + "Dialog Windows" + kSep + window,
                                   kvcommands::NewDialogWindowTemplate("Window " + std::to_string(i)) +
                                       "button 1342242816 0 0 1001 10 10 80 24 \"okButton\" \"OK\" \"\" \"Default\" \"\"\r\n"
                                       "edit 1342242816 0 0 1002 10 40 80 24 \"nameField\" \"\" \"\" \"Default\" \"\"\r\n") &&
        kvplatform::WriteFileBytes(folder + "External Libraries" + kSep + library,
                                   "C:\\libs\\net" + std::to_string(i) + ".dll\r\nint ping(int n);\r\nint pong(char* s);\r\n") &&
        kvplatform::WriteFileBytes(folder + "Resources" + kSep + bitmap, BitmapFile(i));
  }
  projectFile = folder + "Memory.kvproj";
  return written && kvplatform::WriteFileBytes(projectFile, "<Project><Name>Memory</Name><ExeName>Memory.exe</ExeName>"
                                                            "<Engine>1</Engine><Icon>App.ico</Icon><SourceFiles>" + sources +
                                                                "</SourceFiles><WindowFiles>" + windows +
                                                                "</WindowFiles><LibraryFiles>" + libraries +
                                                                "</LibraryFiles><BitmapFiles>" + bitmaps +
                                                                "</BitmapFiles></Project>");
}

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

struct Sample {
  double privateMiB = 0;
  double workingSetMiB = 0;
  double heapMiB = 0;
  long gdi = 0;
  long user = 0;
  long windows = 0;
};

// Bytes in use in every heap of the process, block by block: what a leak of allocations adds
// to, whatever the heap keeps in reserve.
double HeapBytesInUse() {
  std::vector<HANDLE> heaps(256);
  const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  double bytes = 0;
  for (DWORD h = 0; h < count && h < heaps.size(); ++h) {
    if (!HeapLock(heaps[h])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[h], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
    }
    HeapUnlock(heaps[h]);
  }
  return bytes;
}

// Wine keeps GDI objects in a table of the process whose entries also answer to their index
// alone, and GetGuiResources there gives 0: then the live objects are counted by their index.
long CountGdiObjects() {
  const long reported = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  if (reported > 0) return reported;
  long count = 0;
  for (std::uintptr_t index = 0x20; index < 0x10000; ++index) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++count;
  }
  return count;
}

BOOL CALLBACK CountChild(HWND, LPARAM counter) {
  ++*reinterpret_cast<long*>(counter);
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM counter) {
  ++*reinterpret_cast<long*>(counter);
  EnumChildWindows(window, CountChild, counter);
  return TRUE;
}

// The windows of this thread, the USER objects a leaked editor would leave most of.
long CountWindows() {
  long count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountTopLevel, reinterpret_cast<LPARAM>(&count));
  return count;
}

Sample Measure() {
  Pump();
  Sample s;
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
    // Wine leaves PrivateUsage at 0 and reports the private commit as PagefileUsage.
    const SIZE_T privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    s.privateMiB = static_cast<double>(privateBytes) / (1024.0 * 1024.0);
    s.workingSetMiB = static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
  }
  s.heapMiB = HeapBytesInUse() / (1024.0 * 1024.0);
  s.gdi = CountGdiObjects();
  s.user = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  s.windows = CountWindows();
  return s;
}

struct Round {
  Sample opened;
  Sample closed;
  int documents = 0;
};

// Opens every document with an editor and closes them all again: the icon and the version
// information, the project's only ones, 50 times each.
Round RunRound(KVFrameWindow& frame) {
  Round round;
  std::vector<DocumentRecord*> many, single;
  for (const auto& record : frame.documents()) {
    const ProjectItemType type = record->item->type;
    (type == ProjectItemType::Icon || type == ProjectItemType::VersionInfo ? single : many).push_back(record.get());
  }
  for (DocumentRecord* record : single) {
    for (int i = 0; i < kPerKind; ++i) {
      frame.openDocument(record, -1, -1);
      Pump();
      if (record->editor) record->editor->modified = 0;
      frame.closeDocument(record);
      ++round.documents;
    }
  }
  for (DocumentRecord* record : many) {
    frame.openDocument(record, -1, -1);
    Pump();
    ++round.documents;
  }
  round.opened = Measure();
  for (DocumentRecord* record : many) {
    if (record->editor) record->editor->modified = 0;
    frame.closeDocument(record);
  }
  round.closed = Measure();
  return round;
}

void PrintSample(const char* label, const Sample& s) {
  std::printf("%-22s %12.2f %16.2f %9.3f %8ld %8ld %8ld\n", label, s.privateMiB, s.workingSetMiB, s.heapMiB, s.gdi,
              s.user, s.windows);
}

}  // namespace

int wmain(int argc, wchar_t** wargv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(kvtext::WideToUtf8(wargv[i]));
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  kvbench::RunOptions options{1};
  if (!kvbench::ParseRunOptions(argc, argv.data(), "kv_bench_memory [--runs N] [--keep]", options)) return 2;

  Scintilla_RegisterClasses(GetModuleHandleW(nullptr));
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("kv-bench-memory-" + std::to_string(kvplatform::CurrentProcessId()));
  std::error_code stale;
  std::filesystem::remove_all(base, stale);  // left by an earlier process of the same id
  std::filesystem::create_directories(base / "Documents");
  std::filesystem::create_directories(base / "Memory");
  const std::string folder = base.string() + kSep + "Memory" + kSep;
  std::string projectFile;
  if (!WriteProject(folder, projectFile)) {
    std::fprintf(stderr, "cannot write the project in %s\n", folder.c_str());
    return 1;
  }

  int status = 0;
  {
    KVFrameWindow frame(base.string() + kSep + "Documents");
    if (!frame.create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU)) return 1;
    ShowWindow(frame.window, SW_SHOW);
    Pump();
    if (!frame.openProject(projectFile)) {
      std::fprintf(stderr, "the project did not open\n");
      return 1;
    }
    const Sample start = Measure();
    std::vector<Round> rounds;
    for (int r = 0; r <= options.runs; ++r) rounds.push_back(RunRound(frame));

    std::printf("memory: %d documents of each kind opened and closed per round (%d in all), %zu rounds\n", kPerKind,
                rounds[0].documents, rounds.size());
    std::printf("%-22s %12s %16s %9s %8s %8s %8s\n", "", "private MiB", "working set MiB", "heap MiB", "GDI", "USER",
                "windows");
    PrintSample("project open", start);
    for (std::size_t r = 0; r < rounds.size(); ++r) {
      const std::string opened = "round " + std::to_string(r + 1) + ", all open";
      const std::string closed = "round " + std::to_string(r + 1) + ", all closed";
      PrintSample(opened.c_str(), rounds[r].opened);
      PrintSample(closed.c_str(), rounds[r].closed);
    }
    const Sample& first = rounds.front().closed;
    const Sample& last = rounds.back().closed;
    const double privateGrowth = last.privateMiB - first.privateMiB, heapGrowth = last.heapMiB - first.heapMiB;
    const long gdiGrowth = last.gdi - first.gdi, userGrowth = last.user - first.user;
    const long windowGrowth = last.windows - first.windows;
    std::printf("growth from round 1 to round %zu, all closed: private %+.2f MiB, working set %+.2f MiB, heap in use "
                "%+.3f MiB, GDI %+ld, USER %+ld, windows %+ld (target: none)\n",
                rounds.size(), privateGrowth, last.workingSetMiB - first.workingSetMiB, heapGrowth, gdiGrowth,
                userGrowth, windowGrowth);
    if (first.user == 0) std::printf("GetGuiResources gives no USER count here; the windows are counted instead\n");
    std::printf("result: memory growth, private bytes | %+.2f MiB | round 1 %.2f MiB | %.3f | none\n", privateGrowth,
                first.privateMiB, first.privateMiB > 0 ? last.privateMiB / first.privateMiB : 0);
    std::printf("result: memory growth, heap in use | %+.3f MiB | round 1 %.3f MiB | %.3f | none\n", heapGrowth,
                first.heapMiB, first.heapMiB > 0 ? last.heapMiB / first.heapMiB : 0);
    std::printf("result: memory growth, GDI objects | %+ld | round 1 %ld | %.3f | none\n", gdiGrowth, first.gdi,
                first.gdi > 0 ? static_cast<double>(last.gdi) / first.gdi : 0);
    std::printf("result: memory growth, windows | %+ld | round 1 %ld | %.3f | none\n", windowGrowth, first.windows,
                first.windows > 0 ? static_cast<double>(last.windows) / first.windows : 0);
    frame.closeProject();
    DestroyWindow(frame.window);
    Pump();
  }
  if (!options.keep) {
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
  } else {
    std::printf("project kept in %s\n", folder.c_str());
  }
  return status;
}
