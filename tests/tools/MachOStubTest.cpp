// The macOS entry of the runtime pack must be a real x86-64 Mach-O executable: its load
// commands are walked here as the kernel walks them, and file(1) is asked when installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "common/ByteIO.h"
#include "tests/common/TempFolder.h"
#include "tools/macho-stub/MachOStub.h"

namespace {

struct Segment {
  std::uint64_t address = 0, size = 0, fileOffset = 0, fileSize = 0;
  std::uint32_t protection = 0, sections = 0;
  std::string firstSection;
  std::uint64_t sectionAddress = 0, sectionSize = 0;
  std::uint32_t sectionOffset = 0;
};

std::string Name16(kvbytes::ByteReader& in) {
  std::string name;
  EXPECT_TRUE(in.text(name, 16));
  return name.substr(0, name.find('\0'));
}

}  // namespace

TEST(MachOStub, IsAnX86_64ExecutableThatStartsAtAnExitCall) {
  const std::string file = kvmacho::BuildMachOStub();
  ASSERT_EQ(file.size(), kvmacho::kPageSize);
  kvbytes::ByteReader in(file);
  std::uint32_t magic, cpu, subtype, type, commands, commandsSize, flags, reserved;
  ASSERT_TRUE(in.u32(magic) && in.u32(cpu) && in.u32(subtype) && in.u32(type) && in.u32(commands) &&
              in.u32(commandsSize) && in.u32(flags) && in.u32(reserved));
  EXPECT_EQ(magic, 0xFEEDFACFu);
  EXPECT_EQ(cpu, 0x01000007u);
  EXPECT_EQ(subtype, 3u);
  EXPECT_EQ(type, 2u);
  EXPECT_EQ(flags, 1u);
  ASSERT_EQ(commands, 3u);

  std::map<std::string, Segment> segments;
  std::uint64_t rip = 0;
  std::uint32_t walked = 0;
  for (std::uint32_t i = 0; i < commands; ++i) {
    const std::size_t start = in.position();
    std::uint32_t command, size;
    ASSERT_TRUE(in.u32(command) && in.u32(size));
    walked += size;
    if (command == 0x19) {
      const std::string name = Name16(in);
      Segment& s = segments[name];
      std::uint32_t maxProtection, segmentFlags;
      ASSERT_TRUE(in.u64(s.address) && in.u64(s.size) && in.u64(s.fileOffset) && in.u64(s.fileSize) &&
                  in.u32(maxProtection) && in.u32(s.protection) && in.u32(s.sections) && in.u32(segmentFlags));
      EXPECT_EQ(size, 72 + 80 * s.sections) << name;
      if (s.sections) {
        s.firstSection = Name16(in);
        EXPECT_EQ(Name16(in), name);
        ASSERT_TRUE(in.u64(s.sectionAddress) && in.u64(s.sectionSize) && in.u32(s.sectionOffset));
      }
    } else if (command == 0x5) {
      std::uint32_t flavor, count;
      ASSERT_TRUE(in.u32(flavor) && in.u32(count));
      EXPECT_EQ(flavor, 4u);
      ASSERT_EQ(count, 42u);
      EXPECT_EQ(size, 16 + 4 * count);
      ASSERT_TRUE(in.skip(16 * 8) && in.u64(rip));
    } else {
      ADD_FAILURE() << "unexpected load command " << command;
    }
    ASSERT_TRUE(in.seek(start + size));
  }
  EXPECT_EQ(walked, commandsSize);

  const Segment& zero = segments["__PAGEZERO"];
  EXPECT_EQ(zero.address, 0u);
  EXPECT_EQ(zero.size, 0x100000000u);
  EXPECT_EQ(zero.fileSize, 0u);
  EXPECT_EQ(zero.protection, 0u);

  const Segment& text = segments["__TEXT"];
  EXPECT_EQ(text.address, 0x100000000u);
  EXPECT_EQ(text.fileOffset, 0u);
  EXPECT_EQ(text.fileSize, file.size());
  EXPECT_EQ(text.protection, 5u);  // read and execute
  EXPECT_EQ(text.firstSection, "__text");
  EXPECT_EQ(text.sectionAddress, text.address + text.sectionOffset);
  EXPECT_EQ(rip, text.sectionAddress);

  // mov eax, 0x2000001; xor edi, edi; syscall
  EXPECT_EQ(file.substr(text.sectionOffset, text.sectionSize), std::string("\xB8\x01\x00\x00\x02\x31\xFF\x0F\x05", 9));
}

TEST(MachOStub, FileRecognisesIt) {
  if (std::system("command -v file >/dev/null 2>&1") != 0) GTEST_SKIP() << "file(1) is not installed";
  kvtest::TempFolder folder;
  const std::string path = folder / "runtime";
  kvtest::TempFolder::Write(path, kvmacho::BuildMachOStub());
  FILE* pipe = popen(("file -b '" + path + "'").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[256] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  ASSERT_TRUE(read);
  EXPECT_EQ(std::string(line).rfind("Mach-O 64-bit x86_64 executable", 0), 0u) << line;
}
