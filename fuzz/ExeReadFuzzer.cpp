// Feeds arbitrary bytes to KVExeFile as an executable file. Whatever reads as an image gets
// a section appended, and the result must read back with every old section's data where its
// header now says and the payload in the new last section. Where raw data moved, the only
// bytes of it that may change are the debug entries' file offsets, and each must still lead
// to the same debug data (the same bytes but for such offsets where the data overlaps them).
// Run: kv_fuzz_pe -max_total_time=60 <work folder> fuzz/corpus/pe
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "build/ExeFile.h"
#include "common/ByteIO.h"
#include "fuzz/ScratchFolder.h"
#include "pe/PeFormat.h"
#include "pe/PeHeaders.h"
#include "platform/Platform.h"

namespace {

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Require(bool condition) {
  if (!condition) std::abort();
}


constexpr std::uint64_t kDebugSizeOfDataAt = 16;

std::uint32_t U32At(std::string_view bytes, std::uint64_t at) {
  kvbytes::ByteReader reader(bytes);
  std::uint32_t value = 0;
  Require(reader.seek(at) && reader.u32(value));
  return value;
}

// Where the debug entries lie in an image's file: the directory found by its address inside
// a section's raw data. Empty when the image has no such directory.
struct DebugEntries {
  std::uint64_t at = 0;
  std::uint64_t count = 0;
};

DebugEntries FindDebugEntries(const std::string& image) {
  kvpe::PeHeaders headers;
  if (!headers.Parse(image) || headers.Directories().size() <= kvpe::kDebugDirectory) return {};
  const kvpe::DataDirectory& debug = headers.Directories()[kvpe::kDebugDirectory];
  if (debug.rva == 0 || debug.size < kvpe::kDebugEntrySize) return {};
  for (const kvpe::SectionHeader& section : headers.Sections()) {
    if (debug.rva < section.virtualAddress || debug.rva - section.virtualAddress >= section.sizeOfRawData) continue;
    const std::uint64_t offset = debug.rva - section.virtualAddress;
    if (debug.size > section.sizeOfRawData - offset) return {};
    return {section.pointerToRawData + offset, debug.size / kvpe::kDebugEntrySize};
  }
  return {};
}

bool IsDebugPointer(const DebugEntries& entries, std::uint64_t at) {
  if (at < entries.at || at >= entries.at + entries.count * kvpe::kDebugEntrySize) return false;
  const std::uint64_t inEntry = (at - entries.at) % kvpe::kDebugEntrySize;
  return inEntry >= kvpe::kDebugPointerToRawDataAt && inEntry < kvpe::kDebugPointerToRawDataAt + 4;
}

// A debug entry whose offset changed points at the same debug data, moved by shift.
void RequireDebugDataFollowed(const std::string& before, const std::string& after, const DebugEntries& entries,
                              std::uint64_t shift) {
  for (std::uint64_t i = 0; i < entries.count; ++i) {
    const std::uint64_t entry = entries.at + i * kvpe::kDebugEntrySize;
    const std::uint32_t now = U32At(after, entry + kvpe::kDebugPointerToRawDataAt);
    const std::uint32_t was = U32At(before, entry - shift + kvpe::kDebugPointerToRawDataAt);
    if (now == was) continue;
    Require(now == was + shift);
    const std::uint64_t size = U32At(after, entry + kDebugSizeOfDataAt);
    if (std::uint64_t{was} + size > before.size()) continue;  // data the input does not hold cannot be compared
    Require(std::uint64_t{now} + size <= after.size());
    for (std::uint64_t k = 0; k < size; ++k) {
      // Debug data may overlap the entries themselves, whose offsets were rewritten.
      if (IsDebugPointer(entries, now + k)) continue;
      Require(before[was + k] == after[now + k]);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path& folder = kvfuzz::ScratchFolder("pe");
  const std::string input = (folder / "in.exe").u8string();
  const std::string payloadPath = (folder / "payload.bin").u8string();
  const std::string output = (folder / "out.exe").u8string();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string payload(size % 700, 'P');
  Write(input, bytes);
  Write(payloadPath, payload);
  std::filesystem::remove(std::filesystem::u8path(output));

  KVExeFile image;
  if (!image.Read(input)) return 0;
  Require(image.HeadersEnd() <= size);
  Require(image.LastSectionOffset() == (image.Sections().empty() ? 0 : image.Sections().back().pointerToRawData));

  if (!image.AppendSection(output, payloadPath)) {
    Require(!std::filesystem::exists(std::filesystem::u8path(output)));
    return 0;
  }
  const std::string appended = ReadAll(output);
  KVExeFile result;
  Require(result.Read(output));
  Require(result.Sections().size() == image.Sections().size() + 1);
  Require(appended.size() % result.SectionAlignment() == 0);
  const DebugEntries debug = FindDebugEntries(appended);
  std::uint64_t shift = 0;
  for (std::size_t i = 0; i < image.Sections().size(); ++i) {
    const auto& before = image.Sections()[i];
    const auto& after = result.Sections()[i];
    if (before.sizeOfRawData == 0) continue;
    Require(after.sizeOfRawData == before.sizeOfRawData && after.pointerToRawData >= before.pointerToRawData);
    shift = after.pointerToRawData - before.pointerToRawData;
    for (std::uint64_t k = 0; k < before.sizeOfRawData; ++k) {
      if (IsDebugPointer(debug, after.pointerToRawData + k)) continue;
      Require(bytes[before.pointerToRawData + k] == appended[after.pointerToRawData + k]);
    }
  }
  if (shift != 0) RequireDebugDataFollowed(bytes, appended, debug, shift);
  const KVExeFile::SectionHeader& added = result.Sections().back();
  Require(std::string(added.name.begin(), added.name.end()) == "snapshot");
  Require(added.virtualSize == payload.size());
  Require(std::size_t{added.pointerToRawData} + added.sizeOfRawData <= appended.size());
  Require(appended.compare(added.pointerToRawData, payload.size(), payload) == 0);
  return 0;
}
