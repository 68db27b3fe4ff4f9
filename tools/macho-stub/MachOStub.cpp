#include "tools/macho-stub/MachOStub.h"

#include <string_view>

#include "common/ByteIO.h"

namespace kvmacho {

namespace {

using kvbytes::PutU32;
using kvbytes::PutU64;

constexpr std::uint32_t kHeaderSize = 32;
constexpr std::uint32_t kSegmentCommandSize = 72;
constexpr std::uint32_t kSectionSize = 80;
constexpr std::uint32_t kThreadCommandSize = 16 + kThreadStateX86_64Count * 4;
constexpr std::uint32_t kCommandsSize = kSegmentCommandSize + (kSegmentCommandSize + kSectionSize) + kThreadCommandSize;
constexpr std::uint32_t kProtReadExecute = 0x1 | 0x4;
constexpr std::uint32_t kPureInstructions = 0x80000000 | 0x00000400;  // S_ATTR_PURE_ / SOME_INSTRUCTIONS
constexpr int kRipIndex = 16;  // rax..r15 come first in the thread state

// mov eax, 0x2000001 (exit, in the BSD syscall class); xor edi, edi; syscall
const unsigned char kExitCode[] = {0xB8, 0x01, 0x00, 0x00, 0x02, 0x31, 0xFF, 0x0F, 0x05};

// Segment and section names: 16 bytes, NUL-padded.
void PutName16(std::string& out, std::string_view name) {
  std::string field(name.substr(0, 16));
  field.resize(16, '\0');
  out += field;
}

void PutSegment(std::string& out, const char* name, std::uint64_t address, std::uint64_t size,
                std::uint64_t fileSize, std::uint32_t protection, std::uint32_t sections) {
  PutU32(out, kCommandSegment64);
  PutU32(out, kSegmentCommandSize + sections * kSectionSize);
  PutName16(out, name);
  PutU64(out, address);
  PutU64(out, size);
  PutU64(out, 0);  // fileoff
  PutU64(out, fileSize);
  PutU32(out, protection);  // maxprot
  PutU32(out, protection);  // initprot
  PutU32(out, sections);
  PutU32(out, 0);  // flags
}

}  // namespace

std::string BuildMachOStub() {
  const std::uint32_t codeOffset = kHeaderSize + kCommandsSize;
  const std::uint64_t entry = kTextAddress + codeOffset;
  std::string out;

  PutU32(out, kMagic64);
  PutU32(out, kCpuTypeX86_64);
  PutU32(out, kCpuSubtypeX86_64All);
  PutU32(out, kFileTypeExecute);
  PutU32(out, 3);  // ncmds
  PutU32(out, kCommandsSize);
  PutU32(out, kFlagNoUndefs);
  PutU32(out, 0);  // reserved

  // Catches null pointers: the whole low 4 GiB, no access.
  PutSegment(out, "__PAGEZERO", 0, kTextAddress, 0, 0, 0);

  // __TEXT maps the file's one page, headers included, as the linker lays it out.
  PutSegment(out, "__TEXT", kTextAddress, kPageSize, kPageSize, kProtReadExecute, 1);
  PutName16(out, "__text");
  PutName16(out, "__TEXT");
  PutU64(out, entry);
  PutU64(out, sizeof kExitCode);
  PutU32(out, codeOffset);
  PutU32(out, 0);  // align, as a power of two
  PutU32(out, 0);  // reloff
  PutU32(out, 0);  // nreloc
  PutU32(out, kPureInstructions);
  PutU32(out, 0);  // reserved1..3
  PutU32(out, 0);
  PutU32(out, 0);

  PutU32(out, kCommandUnixThread);
  PutU32(out, kThreadCommandSize);
  PutU32(out, kThreadStateX86_64);
  PutU32(out, kThreadStateX86_64Count);
  for (int reg = 0; reg < static_cast<int>(kThreadStateX86_64Count / 2); ++reg) PutU64(out, reg == kRipIndex ? entry : 0);

  out.append(reinterpret_cast<const char*>(kExitCode), sizeof kExitCode);
  out.resize(kPageSize, '\0');
  return out;
}

}  // namespace kvmacho
