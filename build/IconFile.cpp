#include "build/IconFile.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "build/Icns.h"
#include "build/OutputFile.h"
#include "common/ByteIO.h"
#include "platform/PngCodec.h"
#include "platform/Platform.h"

namespace {

constexpr std::uint64_t kDirectoryHeader = 6;
constexpr std::uint64_t kEntrySize = 16;
constexpr std::uint64_t kBitmapHeader = 40;
constexpr char kPngSignature[] = "\x89PNG\r\n\x1A\n";
constexpr std::uint64_t kPngSignatureSize = 8;
// Signature, then the IHDR chunk's length and type, then its width and height.
constexpr std::uint64_t kPngHeadSize = 24;
// The directory cannot describe anything larger; beyond it a PNG would only cost memory.
constexpr std::int32_t kLargestIconSide = 256;

std::uint32_t BigEndian(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

bool IsPng(std::string_view head) {
  return head.size() >= kPngSignatureSize && head.compare(0, kPngSignatureSize, kPngSignature, kPngSignatureSize) == 0;
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
  kvbuild::OutputFile out(path);
  return out.Write(bytes) && out.Commit();
}

bool ReadImageHeader(std::string_view head, KVIconImage& image) {
  if (IsPng(head)) {
    if (head.size() < kPngHeadSize || head.compare(12, 4, "IHDR") != 0) return false;
    image.isPng = true;
    image.width = static_cast<std::int32_t>(BigEndian(head, 16));
    image.height = static_cast<std::int32_t>(BigEndian(head, 20));
    image.bitCount = 32;
    return true;
  }
  kvbytes::ByteReader in(head);
  std::uint32_t width = 0, height = 0;
  std::uint16_t planes = 0;
  if (!in.u32(image.headerSize) || !in.u32(width) || !in.u32(height) || !in.u16(planes) ||
      !in.u16(image.bitCount) || !in.skip(16) || !in.u32(image.coloursUsed)) {
    return false;
  }
  image.width = static_cast<std::int32_t>(width);
  image.height = static_cast<std::int32_t>(height);
  return true;
}

}  // namespace

bool KVIconFile::Load(const std::string& from) {
  path.clear();
  entries.clear();
  images.clear();

  kvplatform::UniqueFile file(kvplatform::OpenFile(from, "rb"));
  std::uint64_t length = 0;
  if (!file || !kvplatform::FileLength(file.get(), length)) return false;

  std::string header;
  if (!kvplatform::ReadAt(file.get(), length, 0, kDirectoryHeader, header)) return false;
  kvbytes::ByteReader headerIn(header);
  std::uint16_t reserved = 0, type = 0, count = 0;
  if (!headerIn.u16(reserved) || !headerIn.u16(type) || !headerIn.u16(count) || count == 0) return false;

  std::string directory;
  if (!kvplatform::ReadAt(file.get(), length, kDirectoryHeader, kEntrySize * count, directory)) return false;
  kvbytes::ByteReader in(directory);
  std::vector<KVIconEntry> readEntries(count);
  std::vector<KVIconImage> readImages(count);
  for (std::uint16_t i = 0; i < count; ++i) {
    KVIconEntry& e = readEntries[i];
    if (!in.u8(e.width) || !in.u8(e.height) || !in.u8(e.colourCount) || !in.u8(e.reserved) || !in.u16(e.planes) ||
        !in.u16(e.bitCount) || !in.u32(e.bytesInImage) || !in.u32(e.offset)) {
      return false;
    }
    // The whole image must lie inside the file, and its header inside the image.
    if (e.offset > length || e.bytesInImage > length - e.offset) return false;
    const std::uint64_t headSize = std::min<std::uint64_t>(e.bytesInImage, kBitmapHeader);
    std::string head;
    if (!kvplatform::ReadAt(file.get(), length, e.offset, headSize, head)) return false;
    if (!ReadImageHeader(head, readImages[i])) return false;
  }
  // Every image is copied into a build once per entry: entries sharing bytes would let a
  // small file multiply into a huge executable, so each image must have bytes of its own,
  // apart from the directory.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
  spans.reserve(count + 1u);
  spans.emplace_back(0, kDirectoryHeader + kEntrySize * count);
  for (const KVIconEntry& e : readEntries) spans.emplace_back(e.offset, std::uint64_t{e.offset} + e.bytesInImage);
  std::sort(spans.begin(), spans.end());
  for (std::size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].first < spans[i - 1].second) return false;
  }

  path = from;
  entries = std::move(readEntries);
  images = std::move(readImages);
  return true;
}

int KVIconFile::SelectImage(std::uint8_t widthByte) const {
  int best = -1;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].width != widthByte) continue;
    if (best < 0 || images[i].bitCount > images[static_cast<std::size_t>(best)].bitCount) best = static_cast<int>(i);
  }
  return best;
}

bool KVIconFile::ImageBytes(std::uint32_t index, std::string& out) const {
  out.clear();
  if (index >= entries.size()) return false;
  kvplatform::UniqueFile file(kvplatform::OpenFile(path, "rb"));
  std::uint64_t length = 0;
  if (!file || !kvplatform::FileLength(file.get(), length)) return false;
  // The file may have changed since Load; ReadAt checks the range again.
  return kvplatform::ReadAt(file.get(), length, entries[index].offset, entries[index].bytesInImage, out);
}

bool KVIconFile::DecodeImage(std::uint32_t index, KVPixels& out) const {
  out = KVPixels{};
  std::string bytes;
  if (!ImageBytes(index, bytes)) return false;
  if (!IsPng(bytes)) return DecodeIconBitmap(bytes, entries[index].height, out);

  const KVIconImage& image = images[index];
  if (image.width <= 0 || image.height <= 0 || image.width > kLargestIconSide || image.height > kLargestIconSide) {
    return false;
  }
  KVPixels decoded;
  // The file may have changed since Load: the stream must still be the size Load saw.
  if (!kvplatform::DecodePng(bytes, decoded) || decoded.width != static_cast<std::uint32_t>(image.width) ||
      decoded.height != static_cast<std::uint32_t>(image.height)) {
    return false;
  }
  out = std::move(decoded);
  return true;
}

bool KVIconFile::DecodeAtListedSize(std::uint32_t index, KVPixels& out) const {
  if (!DecodeImage(index, out)) return false;
  const auto side = [](std::uint8_t listed) { return listed == 0 ? 256u : std::uint32_t{listed}; };
  if (out.width == side(entries[index].width) && out.height == side(entries[index].height)) return true;
  out = KVPixels{};
  return false;
}

bool KVIconFile::WriteRleRgb(std::uint32_t index, const std::string& to) const {
  KVPixels pixels;
  return DecodeAtListedSize(index, pixels) && WriteWhole(to, IcnsRgbData(pixels));
}

bool KVIconFile::WriteAlphaMask(std::uint32_t index, const std::string& to) const {
  KVPixels pixels;
  return DecodeAtListedSize(index, pixels) && WriteWhole(to, IcnsMaskData(pixels));
}

bool KVIconFile::WritePng(std::uint32_t index, const std::string& to) const {
  if (index >= images.size()) return false;
  if (images[index].isPng) {
    std::string bytes;
    return ImageBytes(index, bytes) && WriteWhole(to, bytes);
  }
  KVPixels pixels;
  return DecodeImage(index, pixels) && kvplatform::WritePngFile(pixels, to);
}

std::string IconGroupResource(const std::vector<KVIconEntry>& entries) {
  std::string out;
  const auto count = static_cast<std::uint16_t>(entries.size());
  kvbytes::PutU16(out, 0);
  kvbytes::PutU16(out, 1);
  kvbytes::PutU16(out, count);
  for (std::uint16_t i = 0; i < count; ++i) {
    const KVIconEntry& e = entries[i];
    out.push_back(static_cast<char>(e.width));
    out.push_back(static_cast<char>(e.height));
    out.push_back(static_cast<char>(e.colourCount));
    out.push_back(static_cast<char>(e.reserved));
    kvbytes::PutU16(out, e.planes);
    kvbytes::PutU16(out, e.bitCount);
    kvbytes::PutU32(out, e.bytesInImage);
    kvbytes::PutU16(out, static_cast<std::uint16_t>(i + 1));
  }
  return out;
}
