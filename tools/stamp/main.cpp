// kvstamp EXE TYPE NAME FILE [TYPE NAME FILE ...]
// Stamps each FILE's bytes into EXE as the resource (TYPE, NAME), language 1033, all in one
// begin/update/end cycle of the IDE's resource-update wrapper: the Windows API on Windows
// (under Wine, Wine's), our own PE resource writer elsewhere. TYPE and NAME are numbers
// (decimal, up to 65535) or strings. Exit status 0 on success; 1 with a message when the
// update fails, in which case EXE is unchanged; 2 for a usage error.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/Text.h"
#include "platform/Platform.h"
#include "platform/ResourceUpdate.h"

namespace {

kvplatform::ResourceId ParseId(const std::string& text) {
  if (!text.empty() && text.size() <= 5 && text.find_first_not_of("0123456789") == std::string::npos) {
    const unsigned long value = std::stoul(text);
    if (value <= 0xFFFF) return kvplatform::ResourceId(static_cast<std::uint16_t>(value));
  }
  return kvplatform::ResourceId(text);
}

int Run(const std::vector<std::string>& args) {
  if (args.size() < 4 || (args.size() - 1) % 3 != 0) {
    std::fputs("usage: kvstamp EXE TYPE NAME FILE [TYPE NAME FILE ...]\n", stderr);
    return 2;
  }
  const std::string& exe = args[0];
  struct Stamp {
    kvplatform::ResourceId type, name;
    std::string bytes;
  };
  std::vector<Stamp> stamps;
  for (std::size_t i = 1; i < args.size(); i += 3) {
    Stamp stamp{ParseId(args[i]), ParseId(args[i + 1]), {}};
    if (!kvplatform::ReadFileBytes(args[i + 2], stamp.bytes)) {
      std::fprintf(stderr, "kvstamp: cannot read %s\n", args[i + 2].c_str());
      return 1;
    }
    if (stamp.bytes.size() > 0xFFFFFFFFu) {
      std::fprintf(stderr, "kvstamp: %s is too large for a resource\n", args[i + 2].c_str());
      return 1;
    }
    stamps.push_back(std::move(stamp));
  }
  kvplatform::ResourceUpdate update = kvplatform::BeginResourceUpdate(exe);
  if (!update) {
    std::fprintf(stderr, "kvstamp: %s is not an executable whose resources can be updated\n", exe.c_str());
    return 1;
  }
  for (std::size_t i = 0; i < stamps.size(); ++i) {
    const Stamp& stamp = stamps[i];
    if (!kvplatform::UpdateResourceEntry(update, stamp.type, stamp.name, stamp.bytes.data(),
                                         static_cast<std::uint32_t>(stamp.bytes.size()))) {
      std::fprintf(stderr, "kvstamp: cannot add %s %s to %s\n", args[1 + 3 * i].c_str(), args[2 + 3 * i].c_str(),
                   exe.c_str());
      kvplatform::EndResourceUpdate(update, true);
      return 1;
    }
  }
  if (!kvplatform::EndResourceUpdate(update, false)) {
    std::fprintf(stderr, "kvstamp: writing the resources of %s failed; it is unchanged\n", exe.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(kvtext::WideToUtf8(argv[i]));
  return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
