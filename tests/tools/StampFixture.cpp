// kv_stamp_fixture EXE COUNT
// Stamps an icon group 107 of COUNT images into EXE through the IDE's resource-update
// wrapper, as a build stamps a project's icon. Only the group directory is written: enough
// for a runtime stub to report the new count.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/ByteIO.h"
#include "platform/ResourceUpdate.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: kv_stamp_fixture EXE COUNT\n", stderr);
    return 2;
  }
  const auto count = static_cast<std::uint16_t>(std::atoi(argv[2]));
  std::string group;
  kvbytes::PutU16(group, 0);  // reserved
  kvbytes::PutU16(group, 1);  // icons
  kvbytes::PutU16(group, count);
  for (std::uint16_t id = 1; id <= count; ++id) {
    const auto size = static_cast<std::uint8_t>(16 * id);
    group += static_cast<char>(size);  // width
    group += static_cast<char>(size);  // height
    group += std::string(2, '\0');     // colours, reserved
    kvbytes::PutU16(group, 1);         // planes
    kvbytes::PutU16(group, 32);        // bits per pixel
    kvbytes::PutU32(group, 40 + 4u * size * size);
    kvbytes::PutU16(group, id);
  }
  constexpr std::uint16_t kGroupIcon = 14;  // RT_GROUP_ICON
  if (!kvplatform::UpdateSingleResource(argv[1], kGroupIcon, 107, group.data(),
                                        static_cast<std::uint32_t>(group.size()))) {
    std::fprintf(stderr, "kv_stamp_fixture: cannot update %s\n", argv[1]);
    return 1;
  }
  return 0;
}
