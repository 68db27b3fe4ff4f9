#include "project/FileUtil.h"

#include "platform/Platform.h"

bool ReadFileBytes(const std::string& path, std::string& bytes) { return kvplatform::ReadFileBytes(path, bytes); }

bool WriteFileBytes(const std::string& path, std::string_view bytes, const char* mode) {
  FILE* file = kvplatform::OpenFile(path, mode);
  if (file == nullptr) return false;
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool flushed = fflush(file) == 0;
  const bool closed = fclose(file) == 0;
  return written && flushed && closed;
}

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes) || bytes.empty()) return {};
  bytes.append(2, '\0');
  return bytes;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  return WriteFileBytes(path, std::string_view(text.c_str()), "wbc");
}

bool WriteU32(std::uint32_t value, FILE* file) {
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  return file != nullptr && fwrite(bytes, 1, sizeof bytes, file) == sizeof bytes;
}
