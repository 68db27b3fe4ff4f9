// Feeds arbitrary bytes to the version-resource reader, both as a whole PE image and as a
// version block. Whatever reads as a block is written again with the same numbers and
// strings; when that fits, it must read back to the same values.
// Run: kv_fuzz_version -max_total_time=60 <work folder> fuzz/corpus/version
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "build/VersionBlock.h"
#include "pe/VersionResource.h"
#include "platform/VersionResource.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

kvversion::VersionNumbers Numbers(std::uint32_t high, std::uint32_t low) {
  return {static_cast<std::int32_t>(high >> 16), static_cast<std::int32_t>(high & 0xFFFF),
          static_cast<std::int32_t>(low >> 16), static_cast<std::int32_t>(low & 0xFFFF)};
}

void CheckRoundTrip(const kvplatform::FileVersionInfo& info) {
  std::vector<kvversion::VersionString> strings;
  const auto add = [&strings](const char* key, const std::optional<std::string>& value) {
    if (value && !value->empty()) strings.push_back({key, *value});
  };
  add("CompanyName", info.companyName);
  add("FileDescription", info.fileDescription);
  add("LegalCopyright", info.legalCopyright);
  add("OriginalFilename", info.originalFilename);
  add("ProductName", info.productName);
  std::string block;
  if (!kvversion::BuildVersionBlock(Numbers(info.fileVersionMS, info.fileVersionLS),
                                    Numbers(info.productVersionMS, info.productVersionLS), strings, block))
    return;
  kvplatform::FileVersionInfo again;
  Require(kvplatform::ParseVersionBlock(block, again));
  Require(again.fileVersionMS == info.fileVersionMS && again.fileVersionLS == info.fileVersionLS);
  Require(again.productVersionMS == info.productVersionMS && again.productVersionLS == info.productVersionLS);
  const auto same = [](const std::optional<std::string>& read, const std::optional<std::string>& original) {
    return original && !original->empty() ? read == original : !read;
  };
  Require(same(again.companyName, info.companyName) && same(again.fileDescription, info.fileDescription) &&
          same(again.legalCopyright, info.legalCopyright) && same(again.originalFilename, info.originalFilename) &&
          same(again.productName, info.productName));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  kvplatform::FileVersionInfo info;
  if (kvplatform::ParseVersionBlock(input, info)) CheckRoundTrip(info);
  std::string_view block;
  if (kvpe::FindVersionResource(input, block)) {
    Require(block.data() >= input.data() && block.data() + block.size() <= input.data() + input.size());
    if (kvplatform::ParseVersionBlock(block, info)) CheckRoundTrip(info);
  }
  return 0;
}
