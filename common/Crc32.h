// CRC-32 as zlib, gzip and PNG compute it (reflected polynomial 0xEDB88320, initial value and
// final XOR 0xFFFFFFFF), fed in pieces so that streamed data never has to be held whole.
#pragma once

#include <cstdint>
#include <string_view>

namespace kvbytes {

class Crc32 {
public:
  void Add(std::string_view data);
  std::uint32_t Value() const { return ~state; }

  static std::uint32_t Of(std::string_view data) {
    Crc32 crc;
    crc.Add(data);
    return crc.Value();
  }

private:
  std::uint32_t state = 0xFFFFFFFFu;
};

}  // namespace kvbytes
