#include "platform/VersionInfo.h"

#include <windows.h>

#include <cwchar>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/Text.h"

namespace kvplatform {

namespace {

std::optional<std::string> QueryText(const void* block, const wchar_t* table, const wchar_t* key) {
  wchar_t subBlock[128];
  std::swprintf(subBlock, sizeof subBlock / sizeof subBlock[0], L"\\StringFileInfo\\%ls\\%ls", table, key);
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block, subBlock, &value, &length) || value == nullptr) return std::nullopt;
  // length counts characters; the text ends at its terminator or there, whichever is first.
  const wchar_t* text = static_cast<const wchar_t*>(value);
  return kvtext::WideToUtf8(kvtext::WideStringView(text, wcsnlen(text, length)));
}

}  // namespace

bool ReadFileVersionInfo(const std::string& path, FileVersionInfo& info) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  const kvtext::WideString widePath = kvtext::Utf8ToWide(path);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(widePath.c_str(), &handle);
  if (size == 0) return false;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(widePath.c_str(), 0, size, block.data())) return false;

  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) || value == nullptr ||
      length < 4)
    return false;
  const WORD* translation = static_cast<const WORD*>(value);
  wchar_t table[16];
  std::swprintf(table, sizeof table / sizeof table[0], L"%04x%04x", translation[0], translation[1]);

  if (!VerQueryValueW(block.data(), L"\\", &value, &length) || value == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO))
    return false;
  const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  FileVersionInfo result;
  result.fileVersionMS = fixed->dwFileVersionMS;
  result.fileVersionLS = fixed->dwFileVersionLS;
  result.productVersionMS = fixed->dwProductVersionMS;
  result.productVersionLS = fixed->dwProductVersionLS;
  result.companyName = QueryText(block.data(), table, L"CompanyName");
  result.fileDescription = QueryText(block.data(), table, L"FileDescription");
  result.legalCopyright = QueryText(block.data(), table, L"LegalCopyright");
  result.originalFilename = QueryText(block.data(), table, L"OriginalFilename");
  result.productName = QueryText(block.data(), table, L"ProductName");
  info = std::move(result);
  return true;
}

}  // namespace kvplatform
