#include "platform/AtomicFile.h"

#include <atomic>
#include <cstdlib>

#include "common/Text.h"

#include <windows.h>

namespace kvplatform {

namespace {

class UniqueHandle {
public:
  explicit UniqueHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle(handle) {}
  ~UniqueHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  HANDLE get() const { return handle; }
  HANDLE release() {
    const HANDLE kept = handle;
    handle = INVALID_HANDLE_VALUE;
    return kept;
  }

private:
  HANDLE handle;
};

constexpr DWORD kInUseRetryMs = 2000;
constexpr DWORD kRetryStepMs = 100;

std::string SystemReason(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason;
  if (length != 0 && text != nullptr) reason = kvtext::WideToUtf8(kvtext::WideStringView(text, length));
  if (text != nullptr) LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) reason.pop_back();
  if (reason.empty()) reason = "Error " + std::to_string(code);
  return reason;
}

bool Fail(FileError* error, DWORD code, bool inUse = false) {
  if (error != nullptr) {
    error->reason = SystemReason(code);
    error->inUse = inUse;
  }
  return false;
}

bool ToWidePath(const std::string& path, kvtext::WideString& wide) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  wide = kvtext::Utf8ToWide(path);
  return !wide.empty();
}

bool ProcessRuns(DWORD pid) {
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  const bool runs = GetExitCodeProcess(process, &code) == FALSE || code == STILL_ACTIVE;
  CloseHandle(process);
  return runs;
}

// Removes what earlier saves of the file left when their process was killed: a temporary
// whose writer no longer runs. This process's own temporaries may be in use by another thread.
void RemoveLeftoverTemporaries(const std::string& folder, const std::string& name) {
  const std::string prefix = "." + name + ".";
  kvtext::WideString pattern;
  if (!ToWidePath(folder + prefix + "*.kvtmp", pattern)) return;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string entry = kvtext::WideToUtf8(found.cFileName);
    if (entry.size() <= prefix.size() || entry.compare(0, prefix.size(), prefix) != 0) continue;
    char* end = nullptr;
    const unsigned long pid = std::strtoul(entry.c_str() + prefix.size(), &end, 10);
    if (end == nullptr || *end != '.' || pid == 0 || pid == GetCurrentProcessId()) continue;
    kvtext::WideString wide;
    if (!ProcessRuns(pid) && ToWidePath(folder + entry, wide)) DeleteFileW(wide.c_str());
  } while (FindNextFileW(search, &found) != FALSE);
  FindClose(search);
}

HANDLE CreateTemporary(const std::string& path, std::string& temporary, FileError* error) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = path.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || path.find('\0') != std::string::npos) {
    Fail(error, ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  RemoveLeftoverTemporaries(folder, name);
  const std::string prefix = folder + "." + name + "." + std::to_string(GetCurrentProcessId()) + ".";
  DWORD code = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && code == ERROR_FILE_EXISTS; ++attempt) {
    temporary = prefix + std::to_string(counter.fetch_add(1)) + ".kvtmp";
    kvtext::WideString wide;
    if (!ToWidePath(temporary, wide)) {
      code = ERROR_INVALID_NAME;
      break;
    }
    // CREATE_NEW never opens an existing file, nor one a link points to.
    const HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    code = GetLastError();
  }
  temporary.clear();
  Fail(error, code);
  return INVALID_HANDLE_VALUE;
}

void DeleteTemporary(const std::string& temporary) {
  kvtext::WideString wide;
  if (ToWidePath(temporary, wide)) DeleteFileW(wide.c_str());
}

// A running program holds its executable open; the user may have just closed it, so the
// move is retried briefly before the target counts as in use.
bool MoveInPlace(const std::string& temporary, const std::string& path, FileError* error) {
  kvtext::WideString wideFrom, wideTo;
  if (!ToWidePath(temporary, wideFrom) || !ToWidePath(path, wideTo)) return Fail(error, ERROR_INVALID_NAME);
  const DWORD start = GetTickCount();
  for (;;) {
    if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE)
      return true;
    const DWORD code = GetLastError();
    const DWORD attributes = GetFileAttributesW(wideTo.c_str());
    // A read-only file or a folder is denied for good; waiting would not change it.
    const bool mayBeInUse =
        code == ERROR_SHARING_VIOLATION ||
        (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0);
    if (!mayBeInUse) return Fail(error, code);
    if (GetTickCount() - start >= kInUseRetryMs) return Fail(error, code, true);
    Sleep(kRetryStepMs);
  }
}

}  // namespace

std::string CreateTemporaryBeside(const std::string& path, FileError* error) {
  std::string temporary;
  const UniqueHandle file(CreateTemporary(path, temporary, error));
  return file.get() != INVALID_HANDLE_VALUE ? temporary : std::string();
}

bool ReplaceWithTemporary(const std::string& temporary, const std::string& path, FileError* error) {
  DWORD code = ERROR_SUCCESS;
  {
    kvtext::WideString wide;
    if (!ToWidePath(temporary, wide)) return Fail(error, ERROR_INVALID_NAME);
    const UniqueHandle file(
        CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE || FlushFileBuffers(file.get()) == FALSE) code = GetLastError();
  }
  if (code != ERROR_SUCCESS) {
    DeleteTemporary(temporary);
    return Fail(error, code);
  }
  if (!MoveInPlace(temporary, path, error)) {
    DeleteTemporary(temporary);
    return false;
  }
  return true;
}

bool SaveFileAtomically(const std::string& path, std::string_view bytes, FileError* error) {
  std::string temporary;
  UniqueHandle file(CreateTemporary(path, temporary, error));
  if (file.get() == INVALID_HANDLE_VALUE) return false;
  DWORD code = ERROR_SUCCESS;
  while (!bytes.empty() && code == ERROR_SUCCESS) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() < (1u << 30) ? bytes.size() : (1u << 30));
    DWORD wrote = 0;
    if (WriteFile(file.get(), bytes.data(), chunk, &wrote, nullptr) == FALSE || wrote == 0)
      code = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
    else
      bytes.remove_prefix(wrote);
  }
  if (code == ERROR_SUCCESS && FlushFileBuffers(file.get()) == FALSE) code = GetLastError();
  if (CloseHandle(file.release()) == FALSE && code == ERROR_SUCCESS) code = GetLastError();
  if (code != ERROR_SUCCESS) {
    DeleteTemporary(temporary);
    return Fail(error, code);
  }
  if (!MoveInPlace(temporary, path, error)) {
    DeleteTemporary(temporary);
    return false;
  }
  return true;
}

}  // namespace kvplatform
