#include "tools/runtime-stub/PayloadReader.h"

#include <lzma.h>

#include <cinttypes>
#include <cstdio>

#include "build/PayloadFormat.h"
#include "common/ByteIO.h"
#include "common/LzmaStream.h"
#include "common/Crc32.h"

namespace kvstub {

namespace {

// Enough for any stream the XZ presets make (preset 9 with the extreme flag needs 65 MiB),
// small enough that a damaged header cannot make a 32-bit runtime run out of address space.
constexpr std::uint64_t kDecoderMemoryLimit = 128u << 20;
constexpr std::size_t kChunk = 64 * 1024;

std::string Describe(const PayloadEntry& entry) {
  return std::string(TableName(entry.table)) + " '" + entry.name + "'";
}

bool ReadTable(kvbytes::ByteReader& in, PayloadTable table, std::vector<PayloadEntry>& entries, std::string& error) {
  std::uint32_t count = 0;
  if (!in.u32(count)) {
    error = std::string("the ") + TableName(table) + " table has no entry count";
    return false;
  }
  // No reservation from the count: a damaged count ends at the first entry that is not there.
  for (std::uint32_t i = 0; i < count; ++i) {
    PayloadEntry entry;
    entry.table = table;
    unsigned char header[kvpayload::kEntryHeaderSize];
    const bool hasHeader = in.bytes(header, sizeof header);
    const kvpayload::EntryHeader fields = hasHeader ? kvpayload::ReadEntryHeader(header) : kvpayload::EntryHeader{};
    if (!hasHeader || !in.text(entry.name, fields.nameLength)) {
      error = std::string("the ") + TableName(table) + " table ends inside entry " + std::to_string(i + 1) +
              " of " + std::to_string(count);
      return false;
    }
    entry.dataOffset = fields.dataOffset;
    entry.dataSize = fields.dataSize;
    entry.packedSize = fields.packedSize;
    entries.push_back(std::move(entry));
  }
  return true;
}

const char* LzmaFailure(lzma_ret result) {
  switch (result) {
    case LZMA_BUF_ERROR: return "its stream is truncated";
    case LZMA_MEMLIMIT_ERROR:
    case LZMA_MEM_ERROR: return "its stream needs more memory than allowed";
    case LZMA_FORMAT_ERROR: return "its data is not an XZ stream";
    case LZMA_OPTIONS_ERROR: return "its stream uses unsupported options";
    case LZMA_DATA_ERROR: return "its stream is damaged";
    default: return "its stream cannot be decoded";
  }
}

bool StreamChecksum(std::string_view packed, const PayloadEntry& entry, std::uint32_t& crc, std::string& error) {
  KVLzmaStream decoder;
  lzma_stream& s = *decoder.Get();
  if (lzma_stream_decoder(&s, kDecoderMemoryLimit, 0) != LZMA_OK) {
    error = Describe(entry) + ": the XZ decoder cannot start";
    return false;
  }
  s.next_in = reinterpret_cast<const std::uint8_t*>(packed.data());
  s.avail_in = packed.size();

  kvbytes::Crc32 sum;
  std::uint64_t produced = 0;
  std::uint8_t out[kChunk];
  for (;;) {
    s.next_out = out;
    s.avail_out = sizeof out;
    const lzma_ret result = lzma_code(&s, LZMA_FINISH);
    const std::size_t got = sizeof out - s.avail_out;
    sum.Add(std::string_view(reinterpret_cast<const char*>(out), got));
    produced += got;
    if (produced > entry.dataSize) {
      error = Describe(entry) + ": decompresses to more than its " + std::to_string(entry.dataSize) + " bytes";
      return false;
    }
    if (result == LZMA_STREAM_END) break;
    if (result != LZMA_OK) {
      error = Describe(entry) + ": " + LzmaFailure(result);
      return false;
    }
  }
  if (s.avail_in != 0) {
    error = Describe(entry) + ": " + std::to_string(s.avail_in) + " bytes follow its stream";
    return false;
  }
  if (produced != entry.dataSize) {
    error = Describe(entry) + ": decompresses to " + std::to_string(produced) + " bytes, not " +
            std::to_string(entry.dataSize);
    return false;
  }
  crc = sum.Value();
  return true;
}

}  // namespace

const char* TableName(PayloadTable table) {
  switch (table) {
    case PayloadTable::Source: return "source";
    case PayloadTable::Window: return "window";
    case PayloadTable::Library: return "library";
  }
  return "?";
}

bool ReadPayloadTables(std::string_view payload, std::vector<PayloadEntry>& entries, std::string& error) {
  entries.clear();
  kvbytes::ByteReader in(payload);
  std::uint32_t magic = 0, version = 0;
  if (!in.u32(magic) || !in.u32(version)) {
    error = "the payload is shorter than its two reserved words";
    return false;
  }
  if (magic != kvpayload::kMagic) {
    error = "the snapshot section holds no project payload: its first word is not the payload's magic";
    return false;
  }
  if (version != kvpayload::kFormatVersion) {
    error = "the payload has format version " + std::to_string(version) + "; this runtime reads version " +
            std::to_string(kvpayload::kFormatVersion);
    return false;
  }
  return ReadTable(in, PayloadTable::Source, entries, error) && ReadTable(in, PayloadTable::Window, entries, error) &&
         ReadTable(in, PayloadTable::Library, entries, error);
}

bool EntryChecksum(std::string_view payload, const PayloadEntry& entry, std::uint32_t& crc, std::string& error) {
  const bool packed = entry.table == PayloadTable::Source && entry.packedSize != 0;
  const std::uint32_t stored = packed ? entry.packedSize : entry.table == PayloadTable::Source ? 0 : entry.dataSize;
  std::string_view data;
  if (!kvbytes::ByteReader::slice(payload, entry.dataOffset, stored, data)) {
    error = Describe(entry) + ": its " + std::to_string(stored) + " bytes at offset " +
            std::to_string(entry.dataOffset) + " lie outside the " + std::to_string(payload.size()) +
            "-byte payload";
    return false;
  }
  if (packed) return StreamChecksum(data, entry, crc, error);
  if (entry.table == PayloadTable::Source && entry.dataSize != 0) {
    error = Describe(entry) + ": has no stream for its " + std::to_string(entry.dataSize) + " bytes";
    return false;
  }
  crc = kvbytes::Crc32::Of(data);
  return true;
}

std::string ReportLine(const PayloadEntry& entry, std::uint32_t crc) {
  char numbers[48];
  std::snprintf(numbers, sizeof numbers, " %" PRIu32 " %" PRIu32 " %08" PRIx32, entry.dataSize, entry.packedSize, crc);
  return std::string(TableName(entry.table)) + ' ' + entry.name + numbers;
}

}  // namespace kvstub
