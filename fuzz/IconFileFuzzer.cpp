// Feeds arbitrary bytes to the icon-file reader as a file on disk, then decodes every image it
// accepted, bitmap or PNG: a decoded image always has exactly width x height pixels, its macOS
// icon elements have the sizes the pixels call for, and the group resource names each image
// once. The first input byte also drives the bitmap decoder directly, and the whole input goes
// to the PNG decoder.
// Run: kv_fuzz_ico -max_total_time=60 <work folder> fuzz/corpus/ico
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "build/Icns.h"
#include "build/IconFile.h"
#include "build/IconImage.h"
#include "fuzz/ScratchFolder.h"
#include "platform/PngCodec.h"
#include "platform/Platform.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

const std::string& ScratchPath() {
  static const std::string path = (kvfuzz::ScratchFolder("ico") / "input.ico").string();
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
      KVPixels pixels;
      if (icon.DecodeImage(i, pixels)) {
        Require(pixels.width > 0 && pixels.height > 0);
        Require(pixels.bgra.size() == std::size_t{pixels.width} * pixels.height * 4);
        Require(IcnsMaskData(pixels).size() == std::size_t{pixels.width} * pixels.height);
        // Each plane of n bytes takes at most n + n / 128 + 1 encoded bytes.
        const std::size_t plane = std::size_t{pixels.width} * pixels.height;
        Require(IcnsRgbData(pixels).size() <= 3 * (plane + plane / 128 + 1));
      }
      std::string stored;
      Require(icon.ImageBytes(i, stored));
    }
    const std::string group = IconGroupResource(icon.Entries());
    Require(group.size() == 6 + 14 * std::size_t{icon.Count()});
  }

  KVPixels image;
  if (kvplatform::DecodePng(bytes, image)) {
    Require(image.width > 0 && image.height > 0);
    Require(image.width <= kvplatform::kLargestPngSide && image.height <= kvplatform::kLargestPngSide);
    Require(image.Consistent());
  }

  if (!bytes.empty()) {
    KVPixels pixels;
    if (DecodeIconBitmap(bytes.substr(1), static_cast<std::uint8_t>(bytes[0]), pixels)) {
      Require(pixels.bgra.size() == std::size_t{pixels.width} * pixels.height * 4);
    }
  }
  return 0;
}
