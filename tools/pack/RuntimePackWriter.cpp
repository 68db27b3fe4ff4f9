#include "tools/pack/RuntimePackWriter.h"

#include <lzma.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "build/ExeFile.h"
#include "common/ByteIO.h"
#include "platform/Platform.h"

namespace kvpack {

namespace {

bool ReadWhole(const std::string& path, std::string& bytes, std::string& error) {
  if (kvplatform::ReadFileBytes(path, bytes)) return true;
  error = "cannot read " + path;
  return false;
}

std::string SectionName(const KVExeFile::SectionHeader& header) {
  std::string name(reinterpret_cast<const char*>(header.name.data()), header.name.size());
  return name.substr(0, name.find('\0'));
}

// The output as the IDE will read it: the last section is the pack, byte for byte.
bool CheckPacked(const std::string& path, std::size_t sectionCount, const std::string& pack, std::string& error) {
  KVExeFile packed;
  if (!packed.Read(path) || packed.Sections().size() != sectionCount + 1) {
    error = path + " does not read back as an image with one more section";
    return false;
  }
  const KVExeFile::SectionHeader& last = packed.Sections().back();
  std::string bytes;
  if (!ReadWhole(path, bytes, error)) return false;
  std::string_view stored;
  if (SectionName(last) != kSectionName || last.characteristics != kSectionCharacteristics ||
      last.virtualSize != pack.size() ||
      !kvbytes::ByteReader::slice(bytes, last.pointerToRawData, pack.size(), stored) || stored != pack) {
    error = path + ": the appended section does not hold the pack";
    return false;
  }
  return true;
}

}  // namespace

bool CompressXz(std::string_view data, std::string& xz, std::string& error) {
  xz.resize(lzma_stream_buffer_bound(data.size()));
  std::size_t written = 0;
  const lzma_ret result = lzma_easy_buffer_encode(
      6 | LZMA_PRESET_EXTREME, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const std::uint8_t*>(data.data()),
      data.size(), reinterpret_cast<std::uint8_t*>(xz.data()), &written, xz.size());
  if (result != LZMA_OK) {
    error = "XZ compression failed (lzma error " + std::to_string(static_cast<int>(result)) + ")";
    xz.clear();
    return false;
  }
  xz.resize(written);
  return true;
}

bool LayOutPack(const std::array<std::string, kEntryCount>& stored, std::string& pack, std::string& error) {
  std::uint64_t offset = kHeaderSize;
  std::string header;
  for (const std::string& entry : stored) {
    if (offset + entry.size() > UINT32_MAX) {
      error = "the pack does not fit 32-bit offsets";
      return false;
    }
    kvbytes::PutU32(header, static_cast<std::uint32_t>(offset));
    kvbytes::PutU32(header, static_cast<std::uint32_t>(entry.size()));
    offset += entry.size();
  }
  pack = std::move(header);
  pack.reserve(static_cast<std::size_t>(offset));
  for (const std::string& entry : stored) pack += entry;
  return true;
}

bool BuildPack(const std::string& icon, const std::string& windows64, const std::string& windows32,
               const std::string& macOS, std::string& pack, std::string& error) {
  std::array<std::string, kEntryCount> stored;
  if (!ReadWhole(icon, stored[0], error)) return false;
  const std::string* runtimes[] = {&windows64, &windows32, &macOS};
  for (std::size_t i = 0; i < 3; ++i) {
    std::string plain;
    if (!ReadWhole(*runtimes[i], plain, error)) return false;
    if (!CompressXz(plain, stored[i + 1], error)) {
      error = *runtimes[i] + ": " + error;
      return false;
    }
  }
  return LayOutPack(stored, pack, error);
}

bool AttachPack(const std::string& outputExe, const std::string& inputExe, const std::string& pack,
                std::string& error) {
  KVExeFile image;
  if (!image.Read(inputExe) || image.Sections().empty()) {
    error = inputExe + " is not a PE image with sections";
    return false;
  }
  const KVExeFile::SectionHeader& last = image.Sections().back();
  if (SectionName(last) == kSectionName) {
    error = inputExe + " already carries a runtime pack";
    return false;
  }
  const std::string payloadPath = outputExe + ".kvpack";
  const std::string newPath = outputExe + ".kvpack-new";
  if (!kvplatform::WriteFileBytes(payloadPath, pack)) {
    error = "cannot write " + payloadPath;
    return false;
  }
  const bool appended = image.AppendSection(newPath, payloadPath, kSectionName, kSectionCharacteristics);
  kvplatform::DeleteFileAt(payloadPath);
  if (!appended) {
    error = "cannot append a section to " + inputExe + " (its sections' data runs past its end, or no room)";
    return false;
  }
  if (!CheckPacked(newPath, image.Sections().size(), pack, error)) {
    kvplatform::DeleteFileAt(newPath);
    return false;
  }
  // The packed image is as executable as the linked one was.
  std::error_code ignored;
  std::filesystem::permissions(std::filesystem::u8path(newPath),
                               std::filesystem::status(std::filesystem::u8path(inputExe), ignored).permissions(),
                               ignored);
  if (kvplatform::PathExists(outputExe)) kvplatform::DeleteFileAt(outputExe);
  if (!kvplatform::MoveFileTo(newPath, outputExe)) {
    kvplatform::DeleteFileAt(newPath);
    error = "cannot move the packed image to " + outputExe;
    return false;
  }
  return true;
}

}  // namespace kvpack
