#include "platform/VersionResource.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/ByteIO.h"
#include "common/Text.h"
#include "pe/VersionResource.h"

namespace kvplatform {

namespace {

using kvbytes::ByteReader;
using kvpe::QueryVersionValue;

constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::size_t kFixedInfoSize = 52;

std::optional<std::string> QueryText(std::string_view block, const std::vector<std::string>& path) {
  std::string_view value;
  bool isText = false;
  if (!QueryVersionValue(block, path, value, isText)) return std::nullopt;
  kvtext::WideString text;
  ByteReader reader(value);
  std::uint16_t unit = 0;
  while (reader.u16(unit) && unit != 0) text.push_back(static_cast<kvtext::WideChar>(unit));
  return kvtext::WideToUtf8(text);
}

}  // namespace

bool ParseVersionBlock(std::string_view block, FileVersionInfo& info) {
  std::string_view fixed, translation;
  bool isText = false;
  if (!QueryVersionValue(block, {}, fixed, isText) || fixed.size() < kFixedInfoSize) return false;
  if (!QueryVersionValue(block, {"VarFileInfo", "Translation"}, translation, isText) || translation.size() < 4)
    return false;
  ByteReader fixedReader(fixed);
  std::uint32_t signature = 0, structVersion = 0;
  FileVersionInfo result;
  if (!fixedReader.u32(signature) || signature != kFixedInfoSignature || !fixedReader.u32(structVersion) ||
      !fixedReader.u32(result.fileVersionMS) || !fixedReader.u32(result.fileVersionLS) ||
      !fixedReader.u32(result.productVersionMS) || !fixedReader.u32(result.productVersionLS))
    return false;
  ByteReader translationReader(translation);
  std::uint16_t language = 0, codePage = 0;
  if (!translationReader.u16(language) || !translationReader.u16(codePage)) return false;
  char table[16];
  std::snprintf(table, sizeof table, "%04x%04x", language, codePage);
  const auto text = [&](const char* key) { return QueryText(block, {"StringFileInfo", table, key}); };
  result.companyName = text("CompanyName");
  result.fileDescription = text("FileDescription");
  result.legalCopyright = text("LegalCopyright");
  result.originalFilename = text("OriginalFilename");
  result.productName = text("ProductName");
  info = std::move(result);
  return true;
}

}  // namespace kvplatform
