#include "build/Version.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "common/ByteIO.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "platform/ResourceUpdate.h"
#include "platform/TempFile.h"
#include "platform/VersionInfo.h"
#include "project/XML.h"

namespace {

constexpr std::uint16_t kRtVersion = 16;
constexpr std::uint16_t kVersionId = 1;


kvversion::VersionNumbers FromHalves(std::uint32_t high, std::uint32_t low) {
  return {static_cast<std::int32_t>(high >> 16), static_cast<std::int32_t>(high & 0xFFFF),
          static_cast<std::int32_t>(low >> 16), static_cast<std::int32_t>(low & 0xFFFF)};
}

}  // namespace

std::string KVVersion::FormatVersion(const kvversion::VersionNumbers& version) {
  char text[64];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", version[0], version[1], version[2], version[3]);
  return text;
}

void KVVersion::SetDefaults() {
  fileVersion = {1, 0, 0, 1};
  productVersion = fileVersion;
  companyName.clear();
  description = "KelVox.js Application";
  fileVersionText = FormatVersion(fileVersion);
  legalCopyright.clear();
  originalFilename.clear();
  productName.clear();
  productVersionText = FormatVersion(productVersion);
}

bool KVVersion::Load(const std::string& versionXmlPath) {
  // KVXML takes text that is not a readable file for XML itself; a missing version.xml must
  // not have its path parsed as a document.
  KVXML xml;
  if (!kvplatform::CanRead(versionXmlPath) || !xml.Load(versionXmlPath)) {
    SetDefaults();
    return true;
  }
  const auto number = [&xml](const char* name) {
    return kvtext::LeadingInt32(xml.GetString(std::string("//Version/FixedFileVersion/") + name));
  };
  fileVersion = {number("Release"), number("Major"), number("Minor"), number("Build")};
  productVersion = fileVersion;
  fileVersionText = FormatVersion(fileVersion);
  productVersionText = FormatVersion(productVersion);
  companyName = xml.GetString("//Version/CompanyName");
  description = xml.GetString("//Version/Description");
  productName = xml.GetString("//Version/ProductName");
  legalCopyright = xml.GetString("//Version/Copyright");
  originalFilename = xml.GetString("//Version/OriginalFilename");
  return true;
}

bool KVVersion::ReadFromFile(const std::string& executablePath) {
  kvplatform::FileVersionInfo info;
  if (!kvplatform::ReadFileVersionInfo(executablePath, info)) return false;
  fileVersion = FromHalves(info.fileVersionMS, info.fileVersionLS);
  productVersion = FromHalves(info.productVersionMS, info.productVersionLS);
  // Strings the resource does not hold keep their current values.
  const auto take = [](const std::optional<std::string>& value, std::string& field) {
    if (value) field = *value;
  };
  take(info.companyName, companyName);
  take(info.fileDescription, description);
  take(info.legalCopyright, legalCopyright);
  take(info.originalFilename, originalFilename);
  take(info.productName, productName);
  fileVersionText = FormatVersion(fileVersion);
  productVersionText = FormatVersion(productVersion);
  return true;
}

bool KVVersion::BuildBlock(std::string& block) const {
  std::vector<kvversion::VersionString> strings;
  const auto add = [&strings](const char* key, const std::string& value) {
    if (!value.empty()) strings.push_back({key, value});
  };
  add("CompanyName", companyName);
  add("FileDescription", description);
  add("FileVersion", fileVersionText);
  add("LegalCopyright", legalCopyright);
  add("OriginalFilename", originalFilename);
  add("ProductName", productName);
  add("ProductVersion", productVersionText);
  return kvversion::BuildVersionBlock(fileVersion, productVersion, strings, block);
}

bool KVVersion::StampResource(const std::string& executablePath) const {
  std::string block;
  if (!BuildBlock(block)) return false;
  // The block is staged in a temporary file and what reads back from it is stamped.
  const std::string stagingPath = kvplatform::CreateTempFile("kvs");
  if (stagingPath.empty()) return false;
  const kvplatform::TempFileRemover remover(stagingPath);
  std::string staged;
  {
    const kvplatform::UniqueFile file(kvplatform::OpenFile(stagingPath, "w+bc"));
    if (!file) return false;
    std::uint64_t length = 0;
    if (std::fwrite(block.data(), 1, block.size(), file.get()) != block.size() || std::fflush(file.get()) != 0 ||
        !kvplatform::FileLength(file.get(), length) || length != block.size() ||
        !kvplatform::ReadAt(file.get(), length, 0, length, staged))
      return false;
  }
  return kvplatform::UpdateSingleResource(executablePath, kRtVersion, kVersionId, staged.data(),
                                          static_cast<std::uint32_t>(staged.size()));
}
