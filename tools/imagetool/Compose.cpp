#include "tools/imagetool/Compose.h"

#include <algorithm>

namespace kv::imagetool {
namespace {

// Disabled greys span only [kGreyFloor, kGreyFloor + kGreyRange] and keep 60 % of the
// original opacity; integer arithmetic keeps the result identical on every host.
constexpr int kGreyFloor = 96;
constexpr int kGreyRange = 115;
constexpr int kOpacity = 153;  // out of 255

// BMP widths are 32-bit, but no image list needs anything near this.
constexpr int kMaxStripWidth = 1 << 16;

}  // namespace

void clearTransparentPixels(Image& image)
{
    for (std::size_t i = 0; i + 3 < image.rgba.size(); i += 4)
        if (image.rgba[i + 3] == 0)
            std::fill_n(&image.rgba[i], 3, std::uint8_t{0});
}

bool makeStrip(const std::vector<Image>& images, Image& strip, std::string& error)
{
    if (images.empty()) {
        error = "no images for the strip";
        return false;
    }
    const int w = images.front().width;
    const int h = images.front().height;
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (images[i].width != w || images[i].height != h) {
            error = "image " + std::to_string(i + 1) + " is " + std::to_string(images[i].width) + "x" +
                    std::to_string(images[i].height) + ", the first is " + std::to_string(w) + "x" +
                    std::to_string(h);
            return false;
        }
    }
    if (w <= 0 || h <= 0 || images.size() > static_cast<std::size_t>(kMaxStripWidth / w)) {
        error = "strip would be too wide";
        return false;
    }

    Image out(w * static_cast<int>(images.size()), h);
    for (std::size_t i = 0; i < images.size(); ++i)
        for (int y = 0; y < h; ++y)
            std::copy_n(images[i].pixel(0, y), static_cast<std::size_t>(w) * 4,
                        out.pixel(static_cast<int>(i) * w, y));
    clearTransparentPixels(out);
    strip = std::move(out);
    return true;
}

Image disabledImage(const Image& image)
{
    Image out = image;
    for (std::size_t i = 0; i + 3 < out.rgba.size(); i += 4) {
        std::uint8_t* p = &out.rgba[i];
        // Rec. 709 luma weights scaled to 256.
        const int luma = (54 * p[0] + 183 * p[1] + 19 * p[2] + 128) >> 8;
        const auto grey = static_cast<std::uint8_t>(kGreyFloor + (luma * kGreyRange + 127) / 255);
        p[0] = p[1] = p[2] = grey;
        p[3] = static_cast<std::uint8_t>((p[3] * kOpacity + 127) / 255);
    }
    clearTransparentPixels(out);
    return out;
}

}  // namespace kv::imagetool
