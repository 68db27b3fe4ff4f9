#include "project/FileUtil.h"

#include "platform/Platform.h"

bool ReadFileBytes(const std::string& path, std::string& bytes) { return kvplatform::ReadFileBytes(path, bytes); }

bool WriteFileBytes(const std::string& path, std::string_view bytes, const char*) {
  return kvplatform::WriteFileBytes(path, bytes);
}

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  if (!ReadFileBytes(path, bytes) || bytes.empty()) return {};
  bytes.append(2, '\0');
  return bytes;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  return kvplatform::WriteFileBytes(path, std::string_view(text.c_str()));
}

bool WriteU32(std::uint32_t value, FILE* file) {
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  return file != nullptr && fwrite(bytes, 1, sizeof bytes, file) == sizeof bytes;
}
