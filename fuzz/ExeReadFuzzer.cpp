// Feeds arbitrary bytes to KVExeFile as an executable file. Whatever reads as an image gets
// a section appended, and the result must read back with every old section's data where its
// header now says and the payload in the new last section.
// Run: kv_fuzz_pe -max_total_time=60 <work folder> fuzz/corpus/pe
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "build/ExeFile.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("kv-fuzz-pe-" + std::to_string(kvplatform::CurrentProcessId()));
  std::filesystem::create_directories(folder);
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
  for (std::size_t i = 0; i < image.Sections().size(); ++i) {
    const auto& before = image.Sections()[i];
    const auto& after = result.Sections()[i];
    if (before.sizeOfRawData == 0) continue;
    Require(bytes.compare(before.pointerToRawData, before.sizeOfRawData, appended, after.pointerToRawData,
                          after.sizeOfRawData) == 0);
  }
  const KVExeFile::SectionHeader& added = result.Sections().back();
  Require(std::string(added.name.begin(), added.name.end()) == "snapshot");
  Require(added.virtualSize == payload.size());
  Require(std::size_t{added.pointerToRawData} + added.sizeOfRawData <= appended.size());
  Require(appended.compare(added.pointerToRawData, payload.size(), payload) == 0);
  return 0;
}
