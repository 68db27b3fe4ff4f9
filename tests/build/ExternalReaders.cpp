#include "tests/build/ExternalReaders.h"

#include <cstdio>
#include <sstream>

#include "tests/common/TempFolder.h"

namespace kvtest {

namespace {

#ifndef _WIN32
std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Standard output of a shell command; nothing when it does not exit with 0.
std::optional<std::string> Run(const std::string& command) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string output;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  if (pclose(pipe) != 0) return std::nullopt;
  return output;
}

std::uint64_t Hex(const std::string& text) { return std::stoull(text, nullptr, 16); }

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(Hex(hex.substr(i, 2)));
  return bytes;
}

const char kPefileScript[] = R"(import sys, pefile
pe = pefile.PE(sys.argv[1])
print("image %x %x" % (pe.OPTIONAL_HEADER.SizeOfImage, pe.FILE_HEADER.TimeDateStamp))
for s in pe.sections:
    name = s.Name.rstrip(b"\0").decode("latin-1") or "-"
    print("section %s %x %x %x %x %x" % (name, s.VirtualAddress, s.Misc_VirtualSize, s.PointerToRawData,
                                           s.SizeOfRawData, s.Characteristics))
if pe.sections:
    last = pe.sections[-1]
    print("data " + (last.get_data()[:last.Misc_VirtualSize].hex() or "-"))
for w in pe.get_warnings():
    print("warning " + w.replace("\n", " "))
)";
#endif

}  // namespace

std::optional<std::vector<ReaderSection>> ObjdumpSections(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return std::nullopt;
#else
  const auto output = Run("x86_64-w64-mingw32-objdump -h " + Quote(path));
  if (!output) return std::nullopt;
  // "  0 .text         000003a0  0000000140001000  0000000140001000  00001000  2**4"
  std::vector<ReaderSection> sections;
  std::istringstream lines(*output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    int index;
    ReaderSection section;
    std::string size, vma, lma, offset, align;
    if (!(fields >> index >> section.name >> size >> vma >> lma >> offset >> align)) continue;
    if (align.rfind("2**", 0) != 0) continue;
    section.virtualSize = static_cast<std::uint32_t>(Hex(size));
    section.virtualAddress = Hex(vma);
    section.pointerToRawData = static_cast<std::uint32_t>(Hex(offset));
    sections.push_back(section);
  }
  return sections;
#endif
}

std::optional<std::string> ReadWithPlistlib(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return std::nullopt;
#else
  TempFolder scripts;
  const std::string script = scripts / "read_plist.py";
  TempFolder::Write(script,
                    "import json, plistlib, sys\n"
                    "with open(sys.argv[1], 'rb') as f:\n"
                    "    print(json.dumps(plistlib.load(f)))\n");
  return Run("python3 " + Quote(script) + " " + Quote(path));
#endif
}

std::optional<PefileReport> ReadWithPefile(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return std::nullopt;
#else
  // The python3 first on PATH may be a private one without Debian's modules.
  TempFolder scripts;
  const std::string script = scripts / "pe_report.py";
  TempFolder::Write(script, kPefileScript);
  std::optional<std::string> output;
  for (const char* python : {"python3", "/usr/bin/python3"}) {
    output = Run(std::string(python) + " " + Quote(script) + " " + Quote(path));
    if (output) break;
  }
  if (!output) return std::nullopt;

  PefileReport report;
  std::istringstream lines(*output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string kind;
    fields >> kind;
    if (kind == "image") {
      std::string image, stamp;
      fields >> image >> stamp;
      report.sizeOfImage = static_cast<std::uint32_t>(Hex(image));
      report.timeDateStamp = static_cast<std::uint32_t>(Hex(stamp));
    } else if (kind == "section") {
      ReaderSection s;
      std::string va, vs, ptr, size, flags;
      fields >> s.name >> va >> vs >> ptr >> size >> flags;
      s.virtualAddress = Hex(va);
      s.virtualSize = static_cast<std::uint32_t>(Hex(vs));
      s.pointerToRawData = static_cast<std::uint32_t>(Hex(ptr));
      s.sizeOfRawData = static_cast<std::uint32_t>(Hex(size));
      s.characteristics = static_cast<std::uint32_t>(Hex(flags));
      report.sections.push_back(s);
    } else if (kind == "data") {
      std::string hex;
      fields >> hex;
      report.lastSectionData = hex == "-" ? std::string() : FromHex(hex);
    } else if (kind == "warning") {
      report.warnings.push_back(line.substr(8));
    }
  }
  return report;
#endif
}

bool HaveXz() {
#ifdef _WIN32
  return false;
#else
  return Run("xz --version").has_value();
#endif
}

std::optional<std::string> XzDecompress(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return std::nullopt;
#else
  return Run("xz -dc " + Quote(path));
#endif
}

}  // namespace kvtest
