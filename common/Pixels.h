// The one image buffer of the code base: PNG decoding and encoding, icon images and the
// image tool all hand pixels over in it.
//
// Rows run top to bottom; each pixel is blue, green, red, alpha in memory order, which is how
// 32-bit DIBs, icon bitmaps and WIC's 32bppBGRA hold them, so those copy rows as they are.
// Colour is straight, not premultiplied: the files read and written here (PNG, icon and .bmp
// images) store straight colour, and premultiplying loses colour under partial alpha. Code
// that draws with GDI premultiplies its own copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct KVPixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> bgra;  // width * height * 4 bytes

  KVPixels() = default;
  // All pixels transparent black.
  KVPixels(std::uint32_t width, std::uint32_t height)
      : width(width), height(height), bgra(static_cast<std::size_t>(width) * height * 4, 0) {}

  // True when the buffer holds exactly width * height pixels.
  bool Consistent() const { return bgra.size() == static_cast<std::size_t>(width) * height * 4; }

  std::uint8_t* At(std::uint32_t x, std::uint32_t y) { return bgra.data() + Offset(x, y); }
  const std::uint8_t* At(std::uint32_t x, std::uint32_t y) const { return bgra.data() + Offset(x, y); }

private:
  std::size_t Offset(std::uint32_t x, std::uint32_t y) const { return (static_cast<std::size_t>(y) * width + x) * 4; }
};
