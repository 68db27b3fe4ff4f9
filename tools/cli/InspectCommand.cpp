#include "tools/cli/InspectCommand.h"

#include <cinttypes>
#include <cstdio>
#include <string_view>

#include "build/ExeFile.h"
#include "common/PathName.h"
#include "platform/Platform.h"
#include "platform/VersionInfo.h"
#include "project/FileUtil.h"
#include "tools/cli/ResourceListing.h"
#include "tools/runtime-stub/PeSections.h"
#include "tools/runtime-stub/StubReport.h"

namespace kvcli {

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::string SectionName(const KVExeFile::SectionHeader& section) {
  std::string name(section.name.begin(), section.name.end());
  return name.substr(0, name.find('\0'));
}

// Payload lines, then errors; true when the payload is whole.
bool PrintPayload(std::string_view payload) {
  kvstub::StubReport report;
  kvstub::AddPayloadLines(report, payload);
  for (const std::string& line : report.lines) std::printf("  %s\n", line.c_str());
  for (const std::string& error : report.errors) std::printf("  damaged: %s\n", error.c_str());
  return report.errors.empty();
}

void PrintVersion(const std::string& path) {
  kvplatform::FileVersionInfo info;
  if (!kvplatform::ReadFileVersionInfo(path, info)) {
    std::printf("version: none\n");
    return;
  }
  std::printf("version: %u.%u.%u.%u\n", info.fileVersionMS >> 16, info.fileVersionMS & 0xFFFF,
              info.fileVersionLS >> 16, info.fileVersionLS & 0xFFFF);
  const std::pair<const char*, const std::optional<std::string>*> strings[] = {
      {"CompanyName", &info.companyName},         {"FileDescription", &info.fileDescription},
      {"LegalCopyright", &info.legalCopyright},   {"OriginalFilename", &info.originalFilename},
      {"ProductName", &info.productName},
  };
  for (const auto& [key, value] : strings) {
    if (*value) std::printf("  %s: %s\n", key, (*value)->c_str());
  }
}

int InspectExecutable(const std::string& path) {
  KVExeFile image;
  std::string bytes;
  if (!ReadFileBytes(path, bytes) || !image.Read(path)) {
    std::fprintf(stderr, "kvcli: %s is not a readable Windows executable\n", path.c_str());
    return kExitFailed;
  }
  std::printf("%s: PE32%s, %zu bytes\n", path.c_str(), image.Is32() ? "" : "+", bytes.size());
  std::printf("sections:\n");
  for (const KVExeFile::SectionHeader& section : image.Sections()) {
    std::printf("  %-8s virtual 0x%08" PRIx32 " size %" PRIu32 ", raw 0x%08" PRIx32 " size %" PRIu32 "\n",
                SectionName(section).c_str(), section.virtualAddress, section.virtualSize, section.pointerToRawData,
                section.sizeOfRawData);
  }
  bool whole = true;
  std::string_view payload;
  if (kvstub::FindSection(bytes, "snapshot", payload) == kvstub::SectionLookup::Found) {
    std::printf("payload: snapshot section, %zu bytes\n", payload.size());
    whole = PrintPayload(payload);
  } else {
    std::printf("payload: none\n");
  }
  PrintVersion(path);
  PrintResources(bytes);
  return whole ? 0 : kExitFailed;
}

std::string BundleName(std::string path) {
  while (!path.empty() && (path.back() == '/' || path.back() == kvplatform::kPathSeparator)) path.pop_back();
  const std::string name = kvpath::FileNameOf(path);
  return name.size() > 4 ? name.substr(0, name.size() - 4) : name;
}

int InspectBundle(std::string bundle) {
  while (!bundle.empty() && bundle.back() == kvplatform::kPathSeparator) bundle.pop_back();
  const std::string name = BundleName(bundle);
  const std::string contents = bundle + kvplatform::kPathSeparator + "Contents" + kvplatform::kPathSeparator;
  std::printf("%s: macOS bundle %s\n", bundle.c_str(), name.c_str());

  std::string pkgInfo;
  std::printf("PkgInfo: %s\n", ReadFileBytes(contents + "PkgInfo", pkgInfo) ? pkgInfo.c_str() : "missing");
  std::string plist;
  std::printf("Info.plist: %s\n", ReadFileBytes(contents + "Info.plist", plist) ? (std::to_string(plist.size()) + " bytes").c_str() : "missing");
  PrintIcnsElements(contents + "Resources" + kvplatform::kPathSeparator + name + ".icns");

  const std::string runtime = contents + "MacOS" + kvplatform::kPathSeparator + name;
  std::printf("runtime: %s, %" PRId64 " bytes\n", runtime.c_str(), kvplatform::FileSize(runtime));
  std::string payload;
  if (!ReadFileBytes(runtime + ".bin", payload)) {
    std::printf("payload: none\n");
    return kExitFailed;
  }
  std::printf("payload: %s.bin, %zu bytes\n", name.c_str(), payload.size());
  return PrintPayload(payload) ? 0 : kExitFailed;
}

}  // namespace

int RunInspectCommand(const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) {
    std::fputs("usage: kvcli inspect App.exe|App.app\n", stderr);
    return kExitUsage;
  }
  const std::string& path = arguments[0];
  if (kvplatform::PathExists(path) && kvplatform::FileSize(path) < 0) return InspectBundle(path);
  return InspectExecutable(path);
}

}  // namespace kvcli
