// Feeds arbitrary bytes to the icon-file reader as a file on disk, then decodes every image it
// accepted: a decoded image always has exactly width x height pixels, and the group resource
// names each image once. The first input byte also drives the bitmap decoder directly.
// Run: kv_fuzz_ico -max_total_time=60 <work folder> fuzz/corpus/ico
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "build/IconFile.h"
#include "build/IconImage.h"
#include "platform/Platform.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

const std::string& ScratchPath() {
  static const std::string path = "/tmp/kv-fuzz-ico-" + std::to_string(kvplatform::CurrentProcessId()) + ".ico";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  {
    kvplatform::UniqueFile file(kvplatform::OpenFile(ScratchPath(), "wb"));
    if (!file || std::fwrite(data, 1, size, file.get()) != size) return 0;
  }

  KVIconFile icon;
  if (icon.Load(ScratchPath())) {
    Require(icon.Count() > 0 && icon.Images().size() == icon.Count());
    for (std::uint32_t i = 0; i < icon.Count(); ++i) {
      KVIconPixels pixels;
      if (icon.DecodeImage(i, pixels) == KVIconDecode::Decoded) {
        Require(pixels.width > 0 && pixels.height > 0);
        Require(pixels.bgra.size() == std::size_t{pixels.width} * pixels.height * 4);
      }
      std::string stored;
      Require(icon.ImageBytes(i, stored));
    }
    const std::string group = IconGroupResource(icon.Entries());
    Require(group.size() == 6 + 14 * std::size_t{icon.Count()});
  }

  if (!bytes.empty()) {
    KVIconPixels pixels;
    if (DecodeIconBitmap(bytes.substr(1), static_cast<std::uint8_t>(bytes[0]), pixels)) {
      Require(pixels.bgra.size() == std::size_t{pixels.width} * pixels.height * 4);
    }
  }
  return 0;
}
