#include "tools/runtime-stub/OwnImage.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "common/Text.h"

namespace kvstub {

namespace {

class FileHandle {
public:
  explicit FileHandle(HANDLE handle) : handle(handle) {}
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  HANDLE get() const { return handle; }
  bool valid() const { return handle != INVALID_HANDLE_VALUE; }

private:
  HANDLE handle;
};

bool QueryString(const std::vector<char>& block, const std::wstring& key, std::string& value) {
  void* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), key.c_str(), &text, &length) || !text) return false;
  // The length counts the terminator on Windows but not always elsewhere.
  const auto* chars = static_cast<const wchar_t*>(text);
  value = kvtext::WideToUtf8(kvtext::WideStringView(chars, wcsnlen(chars, length)));
  return true;
}

}  // namespace

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > bytes.max_size()) {
    return false;
  }
  bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr) || got == 0) return false;
    done += got;
  }
  return true;
}

std::string VersionString(const std::wstring& path, const wchar_t* name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};

  std::vector<std::wstring> languages;
  void* translation = nullptr;
  UINT length = 0;
  if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &length) && translation &&
      length >= 4) {
    const auto* words = static_cast<const WORD*>(translation);
    wchar_t code[9];
    swprintf(code, 9, L"%04X%04X", words[0], words[1]);
    languages.emplace_back(code);
  }
  languages.emplace_back(L"040904B0");

  std::string value;
  for (const std::wstring& language : languages) {
    if (QueryString(block, L"\\StringFileInfo\\" + language + L"\\" + name, value)) return value;
  }
  return {};
}

bool OwnIconGroup(int id, std::string_view& data) {
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_GROUP_ICON);
  if (!resource) return false;
  HGLOBAL loaded = LoadResource(nullptr, resource);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return false;
  data = std::string_view(static_cast<const char*>(bytes), SizeofResource(nullptr, resource));
  return true;
}

}  // namespace kvstub
