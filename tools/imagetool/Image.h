#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv::imagetool {

// 8-bit RGBA pixels, rows top to bottom, straight (not premultiplied) alpha.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgba(static_cast<std::size_t>(w) * h * 4, 0) {}

    std::uint8_t* pixel(int x, int y) { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
    const std::uint8_t* pixel(int x, int y) const
    {
        return &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
    }
};

using Bytes = std::vector<std::uint8_t>;

}  // namespace kv::imagetool
