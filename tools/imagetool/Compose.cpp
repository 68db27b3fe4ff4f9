#include "tools/imagetool/Compose.h"

#include <algorithm>

namespace kvimage {

namespace {

// Disabled greys span only [kGreyFloor, kGreyFloor + kGreyRange] and keep 60 % of the
// original opacity; integer arithmetic keeps the result identical on every host.
constexpr unsigned kGreyFloor = 96;
constexpr unsigned kGreyRange = 115;
constexpr unsigned kOpacity = 153;  // out of 255

// BMP widths are 32-bit, but no image list needs anything near this.
constexpr std::uint32_t kLargestStripWidth = 1u << 16;

std::string SizeText(const KVPixels& image) { return std::to_string(image.width) + "x" + std::to_string(image.height); }

}  // namespace

void ClearTransparentPixels(KVPixels& image) {
  for (std::size_t i = 0; i + 3 < image.bgra.size(); i += 4) {
    if (image.bgra[i + 3] == 0) std::fill_n(&image.bgra[i], 3, std::uint8_t{0});
  }
}

bool MakeStrip(const std::vector<KVPixels>& images, KVPixels& strip, std::string& error) {
  if (images.empty()) {
    error = "no images for the strip";
    return false;
  }
  const std::uint32_t width = images.front().width;
  const std::uint32_t height = images.front().height;
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (images[i].width != width || images[i].height != height) {
      error = "image " + std::to_string(i + 1) + " is " + SizeText(images[i]) + ", the first is " +
              SizeText(images.front());
      return false;
    }
  }
  if (width == 0 || height == 0 || images.size() > kLargestStripWidth / width) {
    error = "strip would be too wide";
    return false;
  }

  KVPixels out(width * static_cast<std::uint32_t>(images.size()), height);
  for (std::size_t i = 0; i < images.size(); ++i) {
    for (std::uint32_t y = 0; y < height; ++y) {
      std::copy_n(images[i].At(0, y), static_cast<std::size_t>(width) * 4,
                  out.At(static_cast<std::uint32_t>(i) * width, y));
    }
  }
  ClearTransparentPixels(out);
  strip = std::move(out);
  return true;
}

KVPixels DisabledImage(const KVPixels& image) {
  KVPixels out = image;
  for (std::size_t i = 0; i + 3 < out.bgra.size(); i += 4) {
    std::uint8_t* p = &out.bgra[i];
    // Rec. 709 luma weights scaled to 256, on blue, green, red.
    const unsigned luma = (19u * p[0] + 183u * p[1] + 54u * p[2] + 128) >> 8;
    const auto grey = static_cast<std::uint8_t>(kGreyFloor + (luma * kGreyRange + 127) / 255);
    p[0] = p[1] = p[2] = grey;
    p[3] = static_cast<std::uint8_t>((p[3] * kOpacity + 127) / 255);
  }
  ClearTransparentPixels(out);
  return out;
}

KVPixels OverWhite(const KVPixels& image) {
  KVPixels out = image;
  for (std::size_t i = 0; i + 3 < out.bgra.size(); i += 4) {
    std::uint8_t* p = &out.bgra[i];
    const unsigned alpha = p[3];
    for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>((p[c] * alpha + 255 * (255 - alpha) + 127) / 255);
    p[3] = 255;
  }
  return out;
}

}  // namespace kvimage
