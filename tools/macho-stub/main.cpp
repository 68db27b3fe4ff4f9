// macho-stub OUT: writes the macOS runtime stub (see MachOStub.h) to OUT.
#include <cstdio>
#include <string>

#include "tools/macho-stub/MachOStub.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: macho-stub OUT\n", stderr);
    return 2;
  }
  const std::string bytes = kvmacho::BuildMachOStub();
  FILE* out = std::fopen(argv[1], "wb");
  const bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  const bool closed = out && std::fclose(out) == 0;
  if (!written || !closed) {
    std::fprintf(stderr, "macho-stub: cannot write %s\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
