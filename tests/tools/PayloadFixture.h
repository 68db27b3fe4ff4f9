// Writes project payloads for tests as a build does: magic and format version, the three
// tables, then every entry's data in table order, sources as one XZ stream (preset 6, CRC64).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/runtime-stub/PayloadReader.h"

namespace kvtest {

struct FixtureEntry {
  kvstub::PayloadTable table;
  std::string name;
  std::string data;  // as the project file holds it
};

struct FixturePayload {
  std::string bytes;
  // Where each entry's table record starts (its dataOffset field), in entry order; the
  // dataSize, packedSize and nameLength fields follow at +4, +8 and +12.
  std::vector<std::size_t> records;
  std::vector<kvstub::PayloadEntry> entries;
};

// Entries must come grouped by table: sources, windows, libraries.
FixturePayload BuildPayload(const std::vector<FixtureEntry>& entries);

// One XZ stream of data, as the build compresses sources.
std::string CompressForPayload(const std::string& data);

}  // namespace kvtest
