// An .ico file: its directory, what each image is, and its images decoded to 32-bit pixels.
// Also the icon-group resource that names the images once they are written into an
// executable as RT_ICON resources.
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

enum class KVIconDecode {
  Decoded,
  Png,  // a PNG stream, decoded by the platform's PNG reader
  Failed,
};

class KVIconFile {
public:
  KVIconFile() = default;
  virtual ~KVIconFile() = default;

  // False for an unreadable file, no images, or a directory or image header that lies
  // outside the file; the object is then empty.
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

  // Decodes a bitmap image into out. A PNG image is reported as Png and out is left empty.
  KVIconDecode DecodeImage(std::uint32_t index, KVIconPixels& out) const;

private:
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
