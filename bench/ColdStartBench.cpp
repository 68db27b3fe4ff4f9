// Cold start of the IDE under Wine against Wine's own notepad, started the same way in the same
// run: `tools/wine-run PROGRAM` (start.exe in between, as for any program started by wine), with the prefix's wineserver and Wine's background services
// already running (one start of each program is made first and not counted), so that the figure
// is the program's own start and not Wine's boot.
//
// First paint is observed from outside, the same way for both programs: the X server is polled
// for a top-level window with the program's title that is viewable and whose pixels are not all
// one colour. "Settled" is the last change of those pixels before they stay unchanged for 500 ms
// (changes of a caret's few pixels aside).
// The IDE starts with a Documents folder of its own (an empty one, set through the prefix's
// shell folder for Documents and put back afterwards), so that no project opens.
//
// Usage: kv_bench_cold_start [--runs N] [--ide KelVoxStudio.exe]   (needs an X display)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/ChildProcess.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kShellFolders = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr double kTarget = 1.5;
constexpr auto kStable = std::chrono::milliseconds(500);
constexpr auto kGiveUp = std::chrono::seconds(30);
constexpr std::size_t kCaretPixels = 100;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Runs a program to its end, its standard output into outputPath; its exit status.
int RunToEnd(const std::vector<std::string>& args, const std::string& outputPath) {
  const pid_t pid = kvbench::Spawn(args, outputPath.empty() ? "/dev/null" : outputPath, "/dev/null");
  if (pid == 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return kvbench::ExitStatus(status);
}

// The X display, closed at the end.
struct Display_ {
  Display* display = XOpenDisplay(nullptr);
  ~Display_() {
    if (display) XCloseDisplay(display);
  }
};

std::string WindowName(Display* display, Window window) {
  char* name = nullptr;
  std::string result;
  if (XFetchName(display, window, &name) && name) {
    result = name;
    XFree(name);
  }
  return result;
}

// A viewable top-level window whose title contains title; 0 when there is none.
Window FindWindow(Display* display, const std::string& title) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
  for (unsigned i = 0; i < count && !found; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable) continue;
    if (WindowName(display, children[i]).find(title) != std::string::npos) found = children[i];
  }
  if (children) XFree(children);
  return found;
}

// The window's pixels as they are on the screen; empty when they cannot be read.
std::vector<std::uint32_t> ReadPixels(Display* display, Window window) {
  std::vector<std::uint32_t> pixels;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) return pixels;
  XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
  if (!image) return pixels;
  pixels.reserve(static_cast<std::size_t>(image->width) * image->height);
  for (int y = 0; y < image->height; ++y) {
    if (image->bits_per_pixel == 32) {  // the usual depth, read in place: a poll must be short
      const auto* row = reinterpret_cast<const std::uint32_t*>(image->data + static_cast<std::ptrdiff_t>(y) * image->bytes_per_line);
      pixels.insert(pixels.end(), row, row + image->width);
    } else {
      for (int x = 0; x < image->width; ++x) pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)));
    }
  }
  XDestroyImage(image);
  return pixels;
}

bool Blank(const std::vector<std::uint32_t>& pixels) {
  for (const std::uint32_t pixel : pixels) {
    if (pixel != pixels.front()) return false;
  }
  return true;
}

// A change of the picture, not a blinking caret: more pixels differ than a caret has.
bool Changed(const std::vector<std::uint32_t>& before, const std::vector<std::uint32_t>& after) {
  if (before.size() != after.size()) return true;
  std::size_t differing = 0;
  for (std::size_t i = 0; i < before.size(); ++i) differing += before[i] != after[i];
  return differing > kCaretPixels;
}

// Swallows the errors of windows that go away while they are read.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

struct Start {
  double firstPaint = -1;
  double settled = -1;
};

// Asks the window to close as its caption's close button would, and waits until it is gone.
bool CloseWindow(Display* display, Window window, const std::string& title) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  const auto start = Clock::now();
  while (FindWindow(display, title)) {
    if (Clock::now() - start > std::chrono::seconds(10)) {
      std::fprintf(stderr, "the window \"%s\" did not close; its X connection is cut\n", title.c_str());
      XKillClient(display, window);
      XSync(display, False);
      std::this_thread::sleep_for(std::chrono::seconds(1));
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// One start of the program, timed from the spawn of `wine-run program` to its first paint and
// to its settled window; the window is then closed.
Start TimeStart(Display* display, const std::string& wineRun, const std::string& program, const std::string& title) {
  Start result;
  if (FindWindow(display, title)) {
    std::fprintf(stderr, "a window \"%s\" is already open\n", title.c_str());
    return result;
  }
  const auto start = Clock::now();
  const pid_t pid = kvbench::Spawn({wineRun, program}, "/dev/null", "/dev/null");
  if (pid == 0) return result;
  Window window = 0;
  std::vector<std::uint32_t> last;
  auto lastChange = start;
  while (Clock::now() - start < kGiveUp) {
    if (!window) window = FindWindow(display, title);
    if (window) {
      std::vector<std::uint32_t> pixels = ReadPixels(display, window);
      const auto now = Clock::now();
      if (!pixels.empty() && !Blank(pixels)) {
        if (result.firstPaint < 0) result.firstPaint = Seconds(now - start);
        if (last.empty() || Changed(last, pixels)) {
          last = std::move(pixels);
          lastChange = now;
        } else if (now - lastChange >= kStable) {
          result.settled = Seconds(lastChange - start);
          break;
        }
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (!window) window = FindWindow(display, title);
  if (window) CloseWindow(display, window, title);
  int status = 0;
  waitpid(pid, &status, 0);
  if (result.settled < 0) std::fprintf(stderr, "%s: no settled window \"%s\" within %.0f s\n", program.c_str(),
                                       title.c_str(), Seconds(kGiveUp));
  return result;
}

// The prefix's shell folder for Documents, as `reg query` prints it; empty when not set.
std::string QueryDocumentsFolder(const std::string& wineRun, const std::string& scratch) {
  const std::string out = scratch + "/query.txt";
  if (RunToEnd({wineRun, "reg", "query", kShellFolders, "/v", "Personal"}, out) != 0) return "";
  std::ifstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    const auto at = line.find("REG_EXPAND_SZ");
    if (line.find("Personal") == std::string::npos || at == std::string::npos) continue;
    std::string value = line.substr(at + 13);
    value.erase(0, value.find_first_not_of(" \t"));
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    return value;
  }
  return "";
}

bool SetDocumentsFolder(const std::string& wineRun, const std::string& value) {
  return RunToEnd({wineRun, "reg", "add", kShellFolders, "/v", "Personal", "/t", "REG_EXPAND_SZ", "/d", value, "/f"},
                  "") == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 9;  // starts are short and a shared machine is noisy
  std::string ide = std::string(KV_SOURCE_DIR) + "/out/win64/app/KelVoxStudio.exe";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
      runs = std::atoi(argv[++i]);
    } else if (arg == "--ide" && i + 1 < argc) {
      ide = argv[++i];
    } else if (arg != "--keep") {
      std::fprintf(stderr, "usage: kv_bench_cold_start [--runs N] [--ide KelVoxStudio.exe]\n");
      return 2;
    }
  }
  const std::string wineRun = std::string(KV_SOURCE_DIR) + "/tools/wine-run";
  if (!fs::exists(ide)) {
    std::printf("skipped the cold start: no KelVoxStudio.exe at %s\n", ide.c_str());
    return 0;
  }
  Display_ x;
  if (!x.display) {
    std::fprintf(stderr, "kv_bench_cold_start: no X display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreXError);

  const char* tmp = std::getenv("TMPDIR");
  std::string scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/kv-bench-cold-XXXXXX";
  if (!mkdtemp(scratch.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  // The prefix tools/wine-run uses.
  const char* prefix = std::getenv("KV_WINEPREFIX");
  const char* cache = std::getenv("XDG_CACHE_HOME");
  const std::string wineserverPrefix = prefix && *prefix ? std::string(prefix)
                                       : (cache && *cache ? std::string(cache) : std::string(std::getenv("HOME")) + "/.cache") +
                                             "/kelvox/wine";
  // The wineserver stays up for the whole run, as on a desktop where Wine is in use, and ends
  // itself half a minute after.
  setenv("WINEPREFIX", wineserverPrefix.c_str(), 1);
  RunToEnd({"wineserver", "-p30"}, "");
  const std::string documents = QueryDocumentsFolder(wineRun, scratch);

  // The IDE is a 64-bit program at a path of its own; the anchor is Wine's 64-bit notepad started
  // the same way, from a copy of the prefix's. `wine notepad` gives the 32-bit one in a WoW64
  // prefix: it is measured too, for reference.
  const fs::path notepad64 = fs::path(scratch) / "notepad.exe";
  std::error_code copyError;
  fs::copy_file(fs::path(wineserverPrefix) / "drive_c" / "windows" / "system32" / "notepad.exe", notepad64, copyError);
  const struct Program {
    const char* label;
    std::string path;
    const char* title;
  } programs[] = {{"KelVoxStudio.exe", ide, "KelVox Studio"},
                  {"notepad 64-bit", copyError ? std::string("notepad") : notepad64.string(), "Notepad"},
                  {"wine notepad", "notepad", "Notepad"}};
  constexpr int kPrograms = 3;

  // An empty Documents folder, set once before the warm-up start: the IDE finds no project to
  // open, and no other program runs between the starts that are timed.
  const fs::path emptyDocuments = fs::path(scratch) / "Documents";
  fs::create_directories(emptyDocuments);
  SetDocumentsFolder(wineRun, "Z:" + emptyDocuments.string());

  std::vector<double> first[kPrograms], settled[kPrograms];
  bool failed = false;
  for (int r = 0; r <= runs && !failed; ++r) {
    for (int p = 0; p < kPrograms; ++p) {
      const Start s = TimeStart(x.display, wineRun, programs[p].path, programs[p].title);
      if (s.settled < 0) {
        failed = true;
        break;
      }
      if (r == 0) continue;  // the warm-up start
      first[p].push_back(s.firstPaint);
      settled[p].push_back(s.settled);
      std::printf("run %d: %-16s first paint %.3f s, settled %.3f s\n", r, programs[p].label, s.firstPaint, s.settled);
      std::fflush(stdout);
    }
  }
  if (!documents.empty()) SetDocumentsFolder(wineRun, documents);
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  if (failed) return 1;

  std::printf("\ncold start under Wine (wineserver warm), %d runs each, medians; from `wine-run PROGRAM` to the window "
              "on the X server\n",
              runs);
  std::printf("%-16s %14s %12s\n", "", "first paint s", "settled s");
  for (int p = 0; p < kPrograms; ++p) {
    std::printf("%-16s %14.3f %12.3f\n", programs[p].label, kvbench::Median(first[p]), kvbench::Median(settled[p]));
  }
  const double ideFirst = kvbench::Median(first[0]), notepadFirst = kvbench::Median(first[1]);
  const double ideSettled = kvbench::Median(settled[0]), notepadSettled = kvbench::Median(settled[1]);
  std::printf("IDE / notepad 64-bit: first paint %.2f (target at most %.1f), settled %.2f; IDE / wine notepad: first "
              "paint %.2f\n",
              ideFirst / notepadFirst, kTarget, ideSettled / notepadSettled, ideFirst / kvbench::Median(first[2]));
  std::printf("result: cold start to first paint | %.3f s | notepad 64-bit %.3f s | %.2f | <= %.1f\n", ideFirst,
              notepadFirst, ideFirst / notepadFirst, kTarget);
  return 0;
}
