// The runtime pack as kvpack lays it out and attaches it to an executable.
#include <gtest/gtest.h>

#include <lzma.h>

#include <filesystem>
#include <string>

#include "build/ExeFile.h"
#include "tests/common/TempFolder.h"
#include "tests/tools/PeImage.h"
#include "tools/pack/RuntimePackWriter.h"

using kvtest::PeImage;
using kvtest::TempFolder;

namespace {

std::uint32_t U32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
  return value;
}

std::string Decompress(const std::string& xz) {
  std::string out(1 << 20, '\0');
  std::uint64_t limit = UINT64_MAX;
  std::size_t inPos = 0, outPos = 0;
  if (lzma_stream_buffer_decode(&limit, 0, nullptr, reinterpret_cast<const std::uint8_t*>(xz.data()), &inPos,
                                xz.size(), reinterpret_cast<std::uint8_t*>(out.data()), &outPos,
                                out.size()) != LZMA_OK ||
      inPos != xz.size()) {
    return "<not one intact XZ stream>";
  }
  out.resize(outPos);
  return out;
}

// Distinct contents per runtime, compressible and not, so that a swapped or mangled entry
// shows.
std::string Content(char seed, std::size_t size) {
  std::string data(size, '\0');
  std::uint32_t state = static_cast<unsigned char>(seed) * 2654435761u;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1664525u + 1013904223u;
    data[i] = i % 3 ? seed : static_cast<char>(state >> 24);
  }
  return data;
}

struct PackFiles {
  explicit PackFiles(const TempFolder& folder)
      : icon(folder / "project.ico"), win64(folder / "win64.exe"), win32(folder / "win32.exe"),
        macOS(folder / "macos") {
    TempFolder::Write(icon, iconBytes);
    TempFolder::Write(win64, win64Bytes);
    TempFolder::Write(win32, win32Bytes);
    TempFolder::Write(macOS, macOSBytes);
  }
  std::string icon, win64, win32, macOS;
  std::string iconBytes = std::string("\0\0\1\0", 4) + Content('i', 500);
  std::string win64Bytes = "MZ" + Content('6', 70000);
  std::string win32Bytes = "MZ" + Content('3', 50000);
  std::string macOSBytes = "\xCF\xFA\xED\xFE" + Content('m', 4092);
};

std::string SectionName(const KVExeFile::SectionHeader& header) {
  std::string name(reinterpret_cast<const char*>(header.name.data()), 8);
  return name.substr(0, name.find('\0'));
}

}  // namespace

TEST(RuntimePack, LaysOutTheHeaderAndEntriesWithoutGaps) {
  std::string pack, error;
  ASSERT_TRUE(kvpack::LayOutPack({"ICON", "A", "", "xyz"}, pack, error)) << error;
  const std::string expected = std::string("\x20\0\0\0\x04\0\0\0"
                                           "\x24\0\0\0\x01\0\0\0"
                                           "\x25\0\0\0\0\0\0\0"
                                           "\x25\0\0\0\x03\0\0\0",
                                           32) +
                               "ICONAxyz";
  EXPECT_EQ(pack, expected);
}

TEST(RuntimePack, StoresTheIconAndCompressesEachRuntimeAsOneCrc64Stream) {
  TempFolder folder;
  const PackFiles files(folder);
  std::string pack, error;
  ASSERT_TRUE(kvpack::BuildPack(files.icon, files.win64, files.win32, files.macOS, pack, error)) << error;

  const std::string* plain[] = {&files.iconBytes, &files.win64Bytes, &files.win32Bytes, &files.macOSBytes};
  std::uint32_t expectedOffset = kvpack::kHeaderSize;
  for (std::size_t entry = 0; entry < 4; ++entry) {
    const std::uint32_t offset = U32(pack, 8 * entry), size = U32(pack, 8 * entry + 4);
    EXPECT_EQ(offset, expectedOffset) << entry;
    expectedOffset = offset + size;
    const std::string stored = pack.substr(offset, size);
    if (entry == 0) {
      EXPECT_EQ(stored, files.iconBytes);
      continue;
    }
    // Stream header: magic, then the stream flags 00 04 that name CRC64.
    EXPECT_EQ(stored.substr(0, 8), std::string("\xFD" "7zXZ\0\0\x04", 8)) << entry;
    EXPECT_EQ(Decompress(stored), *plain[entry]) << entry;
  }
  EXPECT_EQ(expectedOffset, pack.size());
}

TEST(RuntimePack, MissingInputsFailWithTheirName) {
  TempFolder folder;
  const PackFiles files(folder);
  const std::string missing = folder / "missing";
  const std::string inputs[4] = {files.icon, files.win64, files.win32, files.macOS};
  for (int broken = 0; broken < 4; ++broken) {
    std::string args[4] = {inputs[0], inputs[1], inputs[2], inputs[3]};
    args[broken] = missing;
    std::string pack, error;
    EXPECT_FALSE(kvpack::BuildPack(args[0], args[1], args[2], args[3], pack, error)) << broken;
    EXPECT_NE(error.find(missing), std::string::npos) << error;
  }
}

// Whatever the IDE finds through the last section header must be what went in, for PE32 and
// PE32+ hosts, written beside the input or over it.
TEST(RuntimePack, AttachedPackIsTheLastSectionByteForByte) {
  for (bool pe32 : {false, true}) {
    for (bool inPlace : {false, true}) {
      TempFolder folder;
      const PackFiles files(folder);
      const std::string input = folder / "KelVoxStudio.exe";
      const std::string output = inPlace ? input : folder / "packed.exe";
      const std::string image =
          PeImage::Build(pe32, {{".text", Content('t', 3000)}, {".rsrc", Content('r', 700)}, {".reloc", "relocs"}});
      TempFolder::Write(input, image);
      std::filesystem::permissions(std::filesystem::u8path(input), std::filesystem::perms(0755));

      std::string pack, error;
      ASSERT_TRUE(kvpack::BuildPack(files.icon, files.win64, files.win32, files.macOS, pack, error)) << error;
      ASSERT_TRUE(kvpack::AttachPack(output, input, pack, error)) << error;

      KVExeFile packed;
      ASSERT_TRUE(packed.Read(output));
      ASSERT_EQ(packed.Sections().size(), 4u);
      const KVExeFile::SectionHeader& last = packed.Sections().back();
      EXPECT_EQ(SectionName(last), "kvrsrc");
      EXPECT_EQ(last.characteristics, 0x02000000u);
      EXPECT_EQ(last.virtualSize, pack.size());
      const std::string written = TempFolder::Read(output);
      EXPECT_EQ(written.substr(last.pointerToRawData, pack.size()), pack);
      // The host's own sections are untouched.
      EXPECT_EQ(written.substr(0x200, image.size() - 0x200), image.substr(0x200));

      // Found as the IDE finds it: through the last section header.
      const std::string found = written.substr(packed.LastSectionOffset());
      const std::string* expected[] = {&files.iconBytes, &files.win64Bytes, &files.win32Bytes, &files.macOSBytes};
      for (std::size_t entry = 0; entry < 4; ++entry) {
        const std::string stored = found.substr(U32(found, 8 * entry), U32(found, 8 * entry + 4));
        EXPECT_EQ(entry ? Decompress(stored) : stored, *expected[entry]) << entry << (pe32 ? " PE32" : " PE32+");
      }
      EXPECT_FALSE(TempFolder::Exists(output + ".kvpack"));
      EXPECT_FALSE(TempFolder::Exists(output + ".kvpack-new"));
      // Still executable where the file system says so.
      EXPECT_EQ(std::filesystem::status(std::filesystem::u8path(output)).permissions(),
                std::filesystem::perms(0755));
    }
  }
}

// An executable linked without -s keeps its COFF symbols after the last section; they stay
// where its header says they are, and the pack goes after them.
TEST(RuntimePack, KeepsSymbolsThatFollowTheLastSection) {
  TempFolder folder;
  std::string image = PeImage::Build(false, {{".text", "code"}, {".rsrc", "resources"}});
  const std::uint32_t symbolsAt = static_cast<std::uint32_t>(image.size());
  PeImage::Put32(image, PeImage::kCoffOffset + 8, symbolsAt);
  image += std::string(100, 's');
  TempFolder::Write(folder / "in.exe", image);

  std::string error;
  ASSERT_TRUE(kvpack::AttachPack(folder / "out.exe", folder / "in.exe", "PACK", error)) << error;
  const std::string written = TempFolder::Read(folder / "out.exe");
  EXPECT_EQ(U32(written, PeImage::kCoffOffset + 8), symbolsAt);
  EXPECT_EQ(written.substr(symbolsAt, 100), std::string(100, 's'));
  KVExeFile packed;
  ASSERT_TRUE(packed.Read(folder / "out.exe"));
  EXPECT_GE(packed.LastSectionOffset(), symbolsAt + 100);
  EXPECT_EQ(written.substr(packed.LastSectionOffset(), 4), "PACK");
}

TEST(RuntimePack, RefusesHostsItCannotExtendSafely) {
  const std::string plain = PeImage::Build(false, {{".text", "code"}, {".rsrc", "resources"}});
  std::string packedOnce;
  {
    TempFolder folder;
    TempFolder::Write(folder / "in.exe", plain);
    std::string error;
    ASSERT_TRUE(kvpack::AttachPack(folder / "out.exe", folder / "in.exe", "PACK", error)) << error;
    packedOnce = TempFolder::Read(folder / "out.exe");
  }
  const struct {
    const char* what;
    std::string image;
    const char* message;
  } cases[] = {
      {"last section cut short", plain.substr(0, plain.size() - 1), "cannot append a section"},
      {"already packed", packedOnce, "already carries a runtime pack"},
      {"not an image", "MZ not really", "is not a PE image"},
      {"no sections", PeImage::Build(false, {}), "is not a PE image with sections"},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    const std::string input = folder / "in.exe";
    const std::string output = folder / "out.exe";
    TempFolder::Write(input, c.image);
    TempFolder::Write(output, "previous build");
    std::string error;
    EXPECT_FALSE(kvpack::AttachPack(output, input, "PACK", error)) << c.what;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(TempFolder::Read(output), "previous build") << c.what;
    EXPECT_EQ(TempFolder::Read(input), c.image) << c.what;
    EXPECT_FALSE(TempFolder::Exists(output + ".kvpack")) << c.what;
    EXPECT_FALSE(TempFolder::Exists(output + ".kvpack-new")) << c.what;
  }
}
