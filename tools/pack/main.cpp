// kvpack OUT_EXE IN_EXE ICON WIN64_RUNTIME WIN32_RUNTIME MACOS_RUNTIME
// Writes OUT_EXE as IN_EXE with the runtime pack (see RuntimePackWriter.h) as its last
// section. OUT_EXE may be IN_EXE.
#include <cstdio>
#include <string>

#include "tools/pack/RuntimePackWriter.h"

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fputs("usage: kvpack OUT_EXE IN_EXE ICON WIN64_RUNTIME WIN32_RUNTIME MACOS_RUNTIME\n", stderr);
    return 2;
  }
  std::string pack, error;
  if (!kvpack::BuildPack(argv[3], argv[4], argv[5], argv[6], pack, error) ||
      !kvpack::AttachPack(argv[1], argv[2], pack, error)) {
    std::fprintf(stderr, "kvpack: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
