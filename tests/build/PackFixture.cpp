#include "tests/build/PackFixture.h"

#include <gtest/gtest.h>
#include <lzma.h>

#include "common/ByteIO.h"
#include "tests/build/PeFixture.h"

namespace kvtest {

std::string Xz(const std::string& data) {
  std::string out(lzma_stream_buffer_bound(data.size()), '\0');
  std::size_t written = 0;
  const lzma_ret result =
      lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const std::uint8_t*>(data.data()),
                              data.size(), reinterpret_cast<std::uint8_t*>(out.data()), &written, out.size());
  EXPECT_EQ(result, LZMA_OK);
  out.resize(written);
  return out;
}

std::string Pack(const std::vector<std::string>& entries) {
  std::string header, data;
  std::uint32_t offset = 32;
  for (const std::string& entry : entries) {
    kvbytes::PutU32(header, offset);
    kvbytes::PutU32(header, static_cast<std::uint32_t>(entry.size()));
    data += entry;
    offset += static_cast<std::uint32_t>(entry.size());
  }
  return header + data;
}

std::string IdeWithPack(const std::string& pack, const char* lastSection) {
  PeFixture image = PeFixture::Contiguous(false, 3);
  image.sections.back().name = lastSection;
  std::string bytes = image.Bytes();
  bytes.resize(image.sections.back().pointerToRawData);
  return bytes + pack;
}

}  // namespace kvtest
