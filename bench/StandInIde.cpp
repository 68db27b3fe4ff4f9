#include "bench/StandInIde.h"

#include <lzma.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "bench/JsProject.h"
#include "common/ByteIO.h"

namespace kvbench {

namespace {

class Random {
public:
  explicit Random(std::uint64_t seed) : state(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
  // Small values far more often than large ones, as opcodes and offsets are in real code.
  std::uint32_t Skewed(std::uint32_t n) { return Below(Below(n) + 1); }

private:
  std::uint64_t state;
};

enum class Operand { None, Disp8, Rel8, Rel32, Imm32 };

struct Instruction {
  std::initializer_list<std::uint8_t> bytes;
  Operand operand;
};

// x86-64 instructions a compiler emits often, the most frequent first.
const Instruction kInstructions[] = {
    {{0x48, 0x8B, 0x45}, Operand::Disp8},       {{0x48, 0x89, 0x45}, Operand::Disp8},
    {{0xE8}, Operand::Rel32},                   {{0x48, 0x89, 0xC1}, Operand::None},
    {{0x85, 0xC0}, Operand::None},              {{0x74}, Operand::Rel8},
    {{0x75}, Operand::Rel8},                    {{0x48, 0x8D, 0x0D}, Operand::Rel32},
    {{0x8B, 0x44, 0x24}, Operand::Disp8},       {{0x89, 0x44, 0x24}, Operand::Disp8},
    {{0x48, 0x8B, 0x4C, 0x24}, Operand::Disp8}, {{0x31, 0xC0}, Operand::None},
    {{0x48, 0x83, 0xC4}, Operand::Disp8},       {{0x48, 0x83, 0xEC}, Operand::Disp8},
    {{0xEB}, Operand::Rel8},                    {{0x0F, 0x84}, Operand::Rel32},
    {{0x0F, 0x85}, Operand::Rel32},             {{0xFF, 0x15}, Operand::Rel32},
    {{0x48, 0x8B, 0x05}, Operand::Rel32},       {{0xB8}, Operand::Imm32},
    {{0xBA}, Operand::Imm32},                   {{0x41, 0xB8}, Operand::Imm32},
    {{0x48, 0x85, 0xD2}, Operand::None},        {{0x4C, 0x89, 0xE1}, Operand::None},
    {{0x48, 0x89, 0xDA}, Operand::None},        {{0x0F, 0xB6, 0x43}, Operand::Disp8},
    {{0x83, 0xF8}, Operand::Disp8},             {{0x48, 0x39, 0xC3}, Operand::None},
    {{0x4C, 0x8D, 0x05}, Operand::Rel32},       {{0xE9}, Operand::Rel32},
    {{0x66, 0x0F, 0x6F, 0x05}, Operand::Rel32}, {{0xF3, 0x0F, 0x10, 0x44, 0x24}, Operand::Disp8},
};
constexpr std::uint32_t kInstructionCount = sizeof kInstructions / sizeof kInstructions[0];

void PutOperand(std::string& out, Operand operand, Random& random) {
  switch (operand) {
    case Operand::None: break;
    case Operand::Disp8: out += static_cast<char>(8 * random.Skewed(16)); break;
    case Operand::Rel8: out += static_cast<char>(random.Below(256)); break;
    case Operand::Rel32: {
      // Calls and references reach within a few hundred kilobytes, either way.
      const std::int32_t distance = static_cast<std::int32_t>(random.Below(1 << 19)) - (1 << 18);
      kvbytes::PutU32(out, static_cast<std::uint32_t>(distance));
      break;
    }
    case Operand::Imm32: kvbytes::PutU32(out, random.Skewed(4096)); break;
  }
}

void PutFunction(std::string& out, Random& random) {
  for (std::uint8_t b : {0x55, 0x48, 0x89, 0xE5, 0x53, 0x48, 0x83, 0xEC}) out += static_cast<char>(b);
  out += static_cast<char>(8 * (2 + random.Below(12)));
  const std::uint32_t length = 8 + random.Below(80);
  for (std::uint32_t i = 0; i < length; ++i) {
    const Instruction& instruction = kInstructions[random.Skewed(kInstructionCount)];
    for (std::uint8_t b : instruction.bytes) out += static_cast<char>(b);
    PutOperand(out, instruction.operand, random);
  }
  for (std::uint8_t b : {0x48, 0x83, 0xC4}) out += static_cast<char>(b);
  out += static_cast<char>(8 * (2 + random.Below(12)));
  for (std::uint8_t b : {0x5B, 0x5D, 0xC3}) out += static_cast<char>(b);
  while (out.size() % 16 != 0) out += static_cast<char>(0xCC);
}

void PutStrings(std::string& out, std::uint64_t length, Random& random) {
  std::string text = GenerateJsFile(random.Next(), length);
  std::replace(text.begin(), text.end(), '\n', '\0');
  out += text;
}

void PutPointers(std::string& out, std::uint64_t length, Random& random) {
  std::uint64_t address = 0x140001000ull + random.Below(1 << 22);
  for (std::uint64_t i = 0; i + 8 <= length; i += 8) {
    address += 8 * random.Skewed(64);
    kvbytes::PutU64(out, address);
  }
}

void PutNoise(std::string& out, std::uint64_t length, Random& random) {
  for (std::uint64_t i = 0; i + 8 <= length; i += 8) kvbytes::PutU64(out, random.Next());
}

}  // namespace

std::string GenerateRuntime(std::uint64_t seed, std::uint64_t size) {
  Random random(seed);
  std::string out;
  out.reserve(size + 0x20000);
  while (out.size() < size) {
    const std::uint64_t region = 0x1000 * (1 + random.Below(16));
    const std::uint64_t end = out.size() + region;
    const std::uint32_t kind = random.Below(100);
    if (kind < 64) {
      while (out.size() < end) PutFunction(out, random);
    } else if (kind < 78) {
      PutStrings(out, region, random);
    } else if (kind < 88) {
      PutPointers(out, region, random);
    } else if (kind < 93) {
      out.append(region, '\0');
    } else {
      PutNoise(out, region, random);
    }
  }
  out.resize(size);
  return out;
}

std::string XzPreset6(const std::string& data) {
  std::string out(lzma_stream_buffer_bound(data.size()), '\0');
  std::size_t written = 0;
  if (lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const std::uint8_t*>(data.data()),
                              data.size(), reinterpret_cast<std::uint8_t*>(out.data()), &written,
                              out.size()) != LZMA_OK) {
    return {};
  }
  out.resize(written);
  return out;
}

std::string StandInIde(const std::string& xzRuntime) {
  constexpr std::uint32_t kFileAlignment = 0x200;
  constexpr std::uint32_t kSectionAlignment = 0x1000;
  constexpr std::uint32_t kPackAt = kFileAlignment;  // the headers fit in the first 0x200 bytes

  const std::string icon(64, '\x01');
  std::string pack;
  const std::uint32_t iconAt = 32;
  const auto runtimeAt = static_cast<std::uint32_t>(iconAt + icon.size());
  kvbytes::PutU32(pack, iconAt);
  kvbytes::PutU32(pack, static_cast<std::uint32_t>(icon.size()));
  for (int target = 0; target < 3; ++target) {
    kvbytes::PutU32(pack, runtimeAt);
    kvbytes::PutU32(pack, static_cast<std::uint32_t>(xzRuntime.size()));
  }
  pack += icon;
  pack += xzRuntime;
  const auto packSize = static_cast<std::uint32_t>(pack.size());
  const std::uint32_t rawSize = (packSize + kFileAlignment - 1) / kFileAlignment * kFileAlignment;
  const std::uint32_t virtualSize = (packSize + kSectionAlignment - 1) / kSectionAlignment * kSectionAlignment;

  std::string image = "MZ";
  image.resize(60, '\0');
  kvbytes::PutU32(image, 64);  // e_lfanew
  image += std::string("PE\0\0", 4);
  kvbytes::PutU16(image, 0x8664);  // x86-64
  kvbytes::PutU16(image, 1);       // sections
  image.append(12, '\0');          // time stamp, symbol table
  kvbytes::PutU16(image, 112 + 16 * 8);
  kvbytes::PutU16(image, 0x0022);  // executable, large-address aware

  std::string optional(112, '\0');
  kvbytes::SetU16(optional, 0, 0x20B);
  kvbytes::SetU32(optional, 32, kSectionAlignment);
  kvbytes::SetU32(optional, 36, kFileAlignment);
  kvbytes::SetU32(optional, 56, kSectionAlignment + virtualSize);  // SizeOfImage
  kvbytes::SetU32(optional, 60, kPackAt);                          // SizeOfHeaders
  kvbytes::SetU32(optional, 108, 16);                              // data directories
  image += optional;
  image.append(16 * 8, '\0');

  image += std::string("kvrsrc\0\0", 8);
  kvbytes::PutU32(image, packSize);
  kvbytes::PutU32(image, kSectionAlignment);
  kvbytes::PutU32(image, rawSize);
  kvbytes::PutU32(image, kPackAt);
  image.append(12, '\0');
  kvbytes::PutU32(image, 0x02000000);  // discardable

  image.resize(kPackAt, '\0');
  pack.resize(rawSize, '\0');
  return image + pack;
}

}  // namespace kvbench
