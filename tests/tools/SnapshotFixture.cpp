// kv_snapshot_fixture OUT_EXE IN_EXE [--damage NAME] TABLE:NAME=FILE...
// Writes OUT_EXE as IN_EXE with a payload of the given files appended as its "snapshot"
// section, the way a build attaches a project. TABLE is source, window or library; entries
// must come grouped in that order. --damage flips one bit in the middle of that entry's
// stored bytes. Prints one line per entry, "TABLE NAME DATASIZE PACKEDSIZE", as written.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "build/ExeFile.h"
#include "tests/tools/PayloadFixture.h"

namespace {

int Usage() {
  std::fputs("usage: kv_snapshot_fixture OUT_EXE IN_EXE [--damage NAME] TABLE:NAME=FILE...\n", stderr);
  return 2;
}

bool ParseEntry(const std::string& argument, kvtest::FixtureEntry& entry) {
  const std::size_t colon = argument.find(':');
  const std::size_t equals = argument.find('=', colon == std::string::npos ? 0 : colon);
  if (colon == std::string::npos || equals == std::string::npos) return false;
  const std::string table = argument.substr(0, colon);
  if (table == "source") {
    entry.table = kvstub::PayloadTable::Source;
  } else if (table == "window") {
    entry.table = kvstub::PayloadTable::Window;
  } else if (table == "library") {
    entry.table = kvstub::PayloadTable::Library;
  } else {
    return false;
  }
  entry.name = argument.substr(colon + 1, equals - colon - 1);
  std::ifstream in(argument.substr(equals + 1), std::ios::binary);
  if (!in) return false;
  entry.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string output = argv[1], input = argv[2];
  std::string damaged;
  std::vector<kvtest::FixtureEntry> entries;
  for (int i = 3; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--damage" && i + 1 < argc) {
      damaged = argv[++i];
      continue;
    }
    kvtest::FixtureEntry entry;
    if (!ParseEntry(argument, entry)) {
      std::fprintf(stderr, "kv_snapshot_fixture: bad entry %s\n", argument.c_str());
      return Usage();
    }
    entries.push_back(std::move(entry));
  }

  kvtest::FixturePayload payload = kvtest::BuildPayload(entries);
  for (const kvstub::PayloadEntry& entry : payload.entries) {
    if (entry.name == damaged) {
      const std::uint32_t stored = entry.packedSize ? entry.packedSize : entry.dataSize;
      payload.bytes[entry.dataOffset + stored / 2] ^= 0x10;
    }
    std::printf("%s %s %u %u\n", kvstub::TableName(entry.table), entry.name.c_str(), entry.dataSize,
                entry.packedSize);
  }

  const std::string payloadPath = output + ".bin";
  {
    std::ofstream out(payloadPath, std::ios::binary);
    out << payload.bytes;
    if (!out) {
      std::fprintf(stderr, "kv_snapshot_fixture: cannot write %s\n", payloadPath.c_str());
      return 1;
    }
  }
  KVExeFile image;
  if (!image.Read(input)) {
    std::fprintf(stderr, "kv_snapshot_fixture: %s is not a PE image\n", input.c_str());
    return 1;
  }
  image.AppendSection(output, payloadPath);
  std::remove(payloadPath.c_str());
  return 0;
}
