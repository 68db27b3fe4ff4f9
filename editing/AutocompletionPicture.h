// The pictures shown beside the entries of the member lists. The IDE carries each as a
// complete 32-bit BMP file (a KV_DATA resource); the editing component wants top-down RGBA.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace kveditor {

struct RgbaPicture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba;  // width * height * 4 bytes, rows top to bottom
};

// The picture in a BMP file whose bottom-up B, G, R, A rows end the file; nothing when the
// bytes cannot hold the picture their header declares.
std::optional<RgbaPicture> DecodeAutocompletionPicture(std::string_view bmpFile);

}  // namespace kveditor
