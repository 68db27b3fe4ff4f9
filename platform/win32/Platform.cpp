#include "platform/Platform.h"

#include "common/Text.h"

#include <windows.h>
#include <shlobj.h>

namespace kvplatform {

namespace {

// A path holding a NUL byte names something else than the caller meant; it never converts.
bool ToWidePath(const std::string& path, kvtext::WideString& wide) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  wide = kvtext::Utf8ToWide(path);
  return !wide.empty();
}

}  // namespace

FILE* OpenFile(const std::string& path, const char* mode) {
  kvtext::WideString widePath;
  if (mode == nullptr || !ToWidePath(path, widePath)) return nullptr;
  const kvtext::WideString wideMode = kvtext::Utf8ToWide(mode);
  return _wfopen(widePath.c_str(), wideMode.c_str());
}

bool SeekFile(FILE* file, std::uint64_t offset) {
  if (offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool TellFile(FILE* file, std::uint64_t& position) {
  const __int64 at = _ftelli64(file);
  if (at < 0) return false;
  position = static_cast<std::uint64_t>(at);
  return true;
}

int GetByteUnlocked(FILE* file) { return _getc_nolock(file); }

bool CanRead(const std::string& path) {
  FILE* file = OpenFile(path, "rb");
  if (file == nullptr) return false;
  fclose(file);
  return true;
}

bool PathExists(const std::string& path) {
  kvtext::WideString widePath;
  return ToWidePath(path, widePath) &&
         GetFileAttributesW(widePath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CreateFolder(const std::string& path) {
  kvtext::WideString widePath;
  return ToWidePath(path, widePath) && CreateDirectoryW(widePath.c_str(), nullptr) != FALSE;
}

bool CopyFileOverwrite(const std::string& from, const std::string& to) {
  kvtext::WideString wideFrom;
  kvtext::WideString wideTo;
  return ToWidePath(from, wideFrom) && ToWidePath(to, wideTo) &&
         CopyFileW(wideFrom.c_str(), wideTo.c_str(), FALSE) != FALSE;
}

bool MoveFileTo(const std::string& from, const std::string& to) {
  kvtext::WideString wideFrom;
  kvtext::WideString wideTo;
  return ToWidePath(from, wideFrom) && ToWidePath(to, wideTo) &&
         MoveFileW(wideFrom.c_str(), wideTo.c_str()) != FALSE;
}

bool DeleteFileAt(const std::string& path) {
  kvtext::WideString widePath;
  return ToWidePath(path, widePath) && DeleteFileW(widePath.c_str()) != FALSE;
}

bool MarkExecutable(const std::string& path) { return FileSize(path) >= 0; }

std::int64_t FileSize(const std::string& path) {
  kvtext::WideString widePath;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!ToWidePath(path, widePath) ||
      !GetFileAttributesExW(widePath.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return -1;
  }
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::uint32_t CurrentProcessId() {
  return GetCurrentProcessId();
}

std::string ExecutablePath() {
  kvtext::WideString path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return kvtext::WideToUtf8(path);
    }
    path.resize(path.size() * 2);
  }
}

std::string DocumentsFolder() {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
    return {};
  }
  std::string folder = kvtext::WideToUtf8(buffer);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

std::string ResolvedPath(const std::string& path) {
  kvtext::WideString widePath;
  if (!ToWidePath(path, widePath)) return {};
  // Backup semantics open folders too; no access is asked for, so files in use open as well.
  const HANDLE file = CreateFileW(widePath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  kvtext::WideString resolved(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(file, resolved.data(), static_cast<DWORD>(resolved.size()), 0);
  if (length >= resolved.size()) {
    resolved.resize(length + 1);
    length = GetFinalPathNameByHandleW(file, resolved.data(), static_cast<DWORD>(resolved.size()), 0);
  }
  CloseHandle(file);
  if (length == 0 || length >= resolved.size()) return {};
  resolved.resize(length);
  // "\\?\C:\..." and "\\?\UNC\server\..." back to the usual forms.
  const kvtext::WideString unc = L"\\\\?\\UNC\\";
  const kvtext::WideString local = L"\\\\?\\";
  if (resolved.compare(0, unc.size(), unc) == 0) {
    resolved = L"\\\\" + resolved.substr(unc.size());
  } else if (resolved.compare(0, local.size(), local) == 0) {
    resolved = resolved.substr(local.size());
  }
  return kvtext::WideToUtf8(resolved);
}

std::string FileNameKey(const std::string& name) {
  kvtext::WideString wide = kvtext::Utf8ToWide(name);
  if (wide.empty() || wide.size() > 0x7FFFFFFF) return name;
  const int length = static_cast<int>(wide.size());
  // Without LCMAP_LINGUISTIC_CASING the mapping is the file system's, the same in every locale.
  kvtext::WideString upper(wide.size(), L'\0');
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), length, upper.data(),
                    length, nullptr, nullptr, 0) != length) {
    return name;
  }
  return kvtext::WideToUtf8(upper);
}

}  // namespace kvplatform
