// An .ico file: its directory, what each image is, its images decoded to 32-bit pixels and
// written as macOS icon elements. Also the icon-group resource that names the images once
// they are written into an executable as RT_ICON resources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "build/IconImage.h"

// One directory entry, as stored in the file.
struct KVIconEntry {
  std::uint8_t width = 0;  // 0 means 256
  std::uint8_t height = 0;
  std::uint8_t colourCount = 0;
  std::uint8_t reserved = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t bytesInImage = 0;
  std::uint32_t offset = 0;
};

// What an image's own header says.
struct KVIconImage {
  bool isPng = false;
  std::uint32_t headerSize = 0;  // biSize of a bitmap image
  std::int32_t width = 0;
  std::int32_t height = 0;  // a bitmap's biHeight: twice the icon height when a mask follows
  std::uint16_t bitCount = 0;  // 32 for PNG images
  std::uint32_t coloursUsed = 0;
};

class KVIconFile {
public:
  KVIconFile() = default;
  virtual ~KVIconFile() = default;

  // False for an unreadable file, no images, a directory or image header that lies outside
  // the file, or images that overlap each other or the directory; the object is then empty.
  bool Load(const std::string& path);

  const std::string& Path() const { return path; }
  std::uint32_t Count() const { return static_cast<std::uint32_t>(entries.size()); }
  const std::vector<KVIconEntry>& Entries() const { return entries; }
  const std::vector<KVIconImage>& Images() const { return images; }

  // Among the images whose directory width byte is widthByte (0 for 256), the one with the
  // most bits per pixel; the first of equals. -1 when there is none.
  int SelectImage(std::uint8_t widthByte) const;

  // The stored bytes of one image, read again from the file.
  bool ImageBytes(std::uint32_t index, std::string& out) const;

  // Decodes a bitmap or PNG image into out. False, out left empty, for an image that cannot
  // be decoded or a PNG image larger than 256 pixels a side.
  bool DecodeImage(std::uint32_t index, KVPixels& out) const;

  // Writers of the macOS icon file's elements, each replacing the file at path with one
  // element's data. The run-length and mask writers refuse an image whose pixels do not have
  // the size its directory entry gives. False when the image cannot be converted (path is
  // then not touched) or written (path is then removed).
  bool WriteRleRgb(std::uint32_t index, const std::string& path) const;
  bool WriteAlphaMask(std::uint32_t index, const std::string& path) const;
  // A PNG image's stored bytes unchanged; a bitmap image encoded as PNG.
  bool WritePng(std::uint32_t index, const std::string& path) const;

private:
  // DecodeImage, refused unless the pixels have the directory entry's size.
  bool DecodeAtListedSize(std::uint32_t index, KVPixels& out) const;

  std::string path;
  std::vector<KVIconEntry> entries;
  std::vector<KVIconImage> images;
};

// Resource type and id the icon is written with.
inline constexpr std::uint16_t kResourceTypeIcon = 3;        // RT_ICON
inline constexpr std::uint16_t kResourceTypeGroupIcon = 14;  // RT_GROUP_ICON
inline constexpr std::uint16_t kIconGroupId = 107;

// The RT_GROUP_ICON data for these directory entries: a 6-byte header (0, 1, count) and one
// 14-byte entry per image, naming RT_ICON i + 1 for image i.
std::string IconGroupResource(const std::vector<KVIconEntry>& entries);
