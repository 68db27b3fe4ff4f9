#include "tools/cli/InspectCommand.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string_view>

#include "build/ExeFile.h"
#include "common/PathName.h"
#include "platform/Platform.h"
#include "platform/VersionInfo.h"
#include "project/FileUtil.h"
#include "tools/cli/ResourceListing.h"
#include "tools/runtime-stub/PayloadReader.h"
#include "tools/runtime-stub/PeSections.h"

namespace kvcli {

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// Sources compress well, but not beyond this: declared sizes past it are a damaged or
// hostile payload, whose entries could each make the decoder produce gigabytes.
constexpr std::uint64_t kLargestExpansion = 256;

std::string SectionName(const KVExeFile::SectionHeader& section) {
  std::string name(section.name.begin(), section.name.end());
  return Printable(name.substr(0, name.find('\0')), true);
}

// The payload's entries with their checksums, then what is damaged; true when it is whole.
// Nothing is decompressed when the sizes it declares cannot come from a file of fileSize
// bytes; each stream stops at its declared size.
bool PrintPayload(std::string_view payload, std::uint64_t fileSize) {
  std::vector<kvstub::PayloadEntry> entries;
  std::string error;
  if (!kvstub::ReadPayloadTables(payload, entries, error)) {
    std::printf("  damaged: %s\n", Printable(error).c_str());
    return false;
  }
  std::uint64_t declared = 0;
  for (const kvstub::PayloadEntry& entry : entries) declared += entry.dataSize;
  if (declared > kLargestExpansion * fileSize) {
    std::printf("  damaged: its entries declare %" PRIu64 " bytes, more than %" PRIu64
                " times the file's %" PRIu64 " bytes\n",
                declared, kLargestExpansion, fileSize);
    return false;
  }
  std::vector<std::string> errors;
  for (const kvstub::PayloadEntry& entry : entries) {
    std::uint32_t crc = 0;
    if (kvstub::EntryChecksum(payload, entry, crc, error)) {
      std::printf("  %s\n", Printable(kvstub::ReportLine(entry, crc)).c_str());
    } else {
      errors.push_back(error);
    }
  }
  for (const std::string& damage : errors) std::printf("  damaged: %s\n", Printable(damage).c_str());
  return errors.empty();
}

int Damaged(const std::string& path, const char* what) {
  std::fprintf(stderr, "kvcli: %s is damaged: %s\n", path.c_str(), what);
  return kExitFailed;
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
    if (*value) std::printf("  %s: %s\n", key, Printable(**value).c_str());
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
  bool payloadWhole = true;
  std::string_view payload;
  switch (kvstub::FindSection(bytes, "snapshot", payload)) {
    case kvstub::SectionLookup::Found:
      std::printf("payload: snapshot section, %zu bytes\n", payload.size());
      payloadWhole = PrintPayload(payload, bytes.size());
      break;
    case kvstub::SectionLookup::NotFound:
      std::printf("payload: none\n");
      break;
    case kvstub::SectionLookup::NotAnImage:
    case kvstub::SectionLookup::OutsideFile:
      std::printf("payload: damaged\n");
      return Damaged(path, "its snapshot section lies outside the file");
  }
  PrintVersion(path);
  const bool resourcesWhole = PrintResources(bytes);
  if (!payloadWhole) return Damaged(path, "its payload cannot be read whole");
  if (!resourcesWhole) return Damaged(path, "its resource tree cannot be read");
  return 0;
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
  // The budget counts the whole application, as for an executable.
  const std::uint64_t applicationSize = payload.size() + static_cast<std::uint64_t>(std::max<std::int64_t>(kvplatform::FileSize(runtime), 0));
  if (!PrintPayload(payload, applicationSize)) return Damaged(runtime + ".bin", "its payload cannot be read whole");
  return 0;
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
