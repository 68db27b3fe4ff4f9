// Reads the project payload a build attaches to the runtime, laid out as build/PayloadFormat.h
// describes: the magic and format version, then the source, window and library tables.
// A source is one XZ stream of packedSize bytes that decompresses to dataSize bytes; windows
// and libraries are stored as they are (packedSize 0).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "build/PayloadFormat.h"

namespace kvstub {

using PayloadTable = kvpayload::Table;

// "source", "window" or "library".
const char* TableName(PayloadTable table);

struct PayloadEntry {
  PayloadTable table = PayloadTable::Source;
  std::string name;
  std::uint32_t dataOffset = 0;
  std::uint32_t dataSize = 0;
  std::uint32_t packedSize = 0;
};

// The entries of all three tables, in payload order. False, with a message, when the payload
// does not start with the magic and a format version this reader knows, or a table runs past
// its end.
bool ReadPayloadTables(std::string_view payload, std::vector<PayloadEntry>& entries, std::string& error);

// CRC-32 of an entry's data: of the decompressed stream for a source, of the stored bytes
// otherwise. False, with a message naming the entry, when its data lies outside the payload
// or a source's stream is damaged, truncated, followed by other bytes within packedSize, or
// does not decompress to exactly dataSize bytes. A source with packedSize 0 has no stream and
// must have dataSize 0 (the build writes that for a file it could not open).
bool EntryChecksum(std::string_view payload, const PayloadEntry& entry, std::uint32_t& crc, std::string& error);

// "TABLE NAME DATASIZE PACKEDSIZE CRC32", the CRC as 8 lowercase hex digits, for example
// "source main.js 120 96 1a2b3c4d". Names may hold spaces; the last three fields are numbers.
std::string ReportLine(const PayloadEntry& entry, std::uint32_t crc);

}  // namespace kvstub
