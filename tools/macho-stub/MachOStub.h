// The smallest real x86-64 Mach-O executable we ship for the macOS target until the real
// runtime is put in at release time: a __PAGEZERO segment, a __TEXT segment whose __text
// section calls exit(0), and an LC_UNIXTHREAD command that starts there. The IDE never looks
// inside it; it only has to be a Mach-O that macOS and file(1) recognise.
#pragma once

#include <cstdint>
#include <string>

namespace kvmacho {

constexpr std::uint32_t kMagic64 = 0xFEEDFACF;         // MH_MAGIC_64
constexpr std::uint32_t kCpuTypeX86_64 = 0x01000007;   // CPU_TYPE_X86 | CPU_ARCH_ABI64
constexpr std::uint32_t kCpuSubtypeX86_64All = 3;
constexpr std::uint32_t kFileTypeExecute = 2;          // MH_EXECUTE
constexpr std::uint32_t kFlagNoUndefs = 0x1;           // MH_NOUNDEFS
constexpr std::uint32_t kCommandSegment64 = 0x19;      // LC_SEGMENT_64
constexpr std::uint32_t kCommandUnixThread = 0x5;      // LC_UNIXTHREAD
constexpr std::uint32_t kThreadStateX86_64 = 4;        // x86_THREAD_STATE64
constexpr std::uint32_t kThreadStateX86_64Count = 42;  // its size in 32-bit words
constexpr std::uint64_t kTextAddress = 0x100000000;    // __TEXT starts above the 4 GiB zero page
constexpr std::uint32_t kPageSize = 0x1000;

// The whole file: one page, the load commands at its start and the code after them.
std::string BuildMachOStub();

}  // namespace kvmacho
