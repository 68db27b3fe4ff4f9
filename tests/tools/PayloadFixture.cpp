#include "tests/tools/PayloadFixture.h"

#include <lzma.h>

#include <stdexcept>

#include "build/PayloadFormat.h"
#include "common/ByteIO.h"

namespace kvtest {

std::string CompressForPayload(const std::string& data) {
  std::string out(lzma_stream_buffer_bound(data.size()), '\0');
  std::size_t written = 0;
  if (lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const std::uint8_t*>(data.data()),
                              data.size(), reinterpret_cast<std::uint8_t*>(out.data()), &written,
                              out.size()) != LZMA_OK) {
    throw std::runtime_error("XZ compression failed");
  }
  out.resize(written);
  return out;
}

FixturePayload BuildPayload(const std::vector<FixtureEntry>& entries) {
  FixturePayload payload;
  std::vector<std::string> blocks;
  for (const FixtureEntry& entry : entries) {
    kvstub::PayloadEntry record;
    record.table = entry.table;
    record.name = entry.name;
    record.dataSize = static_cast<std::uint32_t>(entry.data.size());
    if (entry.table == kvstub::PayloadTable::Source) {
      blocks.push_back(CompressForPayload(entry.data));
      record.packedSize = static_cast<std::uint32_t>(blocks.back().size());
    } else {
      blocks.push_back(entry.data);
    }
    payload.entries.push_back(record);
  }

  std::size_t tablesSize = 8 + 3 * 4;
  for (const FixtureEntry& entry : entries) tablesSize += 16 + entry.name.size();
  std::uint32_t offset = static_cast<std::uint32_t>(tablesSize);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    payload.entries[i].dataOffset = offset;
    offset += static_cast<std::uint32_t>(blocks[i].size());
  }

  std::string& out = payload.bytes;
  kvpayload::AppendHeader(out);
  for (kvstub::PayloadTable table :
       {kvstub::PayloadTable::Source, kvstub::PayloadTable::Window, kvstub::PayloadTable::Library}) {
    std::uint32_t count = 0;
    for (const kvstub::PayloadEntry& entry : payload.entries) count += entry.table == table;
    kvbytes::PutU32(out, count);
    for (std::size_t i = 0; i < payload.entries.size(); ++i) {
      const kvstub::PayloadEntry& entry = payload.entries[i];
      if (entry.table != table) continue;
      payload.records.push_back(out.size());
      kvbytes::PutU32(out, entry.dataOffset);
      kvbytes::PutU32(out, entry.dataSize);
      kvbytes::PutU32(out, entry.packedSize);
      kvbytes::PutU32(out, static_cast<std::uint32_t>(entry.name.size()));
      out += entry.name;
    }
  }
  for (const std::string& block : blocks) out += block;
  return payload;
}

}  // namespace kvtest
