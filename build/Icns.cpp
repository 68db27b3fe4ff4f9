#include "build/Icns.h"

#include <cstdint>
#include <vector>

#include "build/IconFile.h"
#include "build/OutputFile.h"
#include "platform/Platform.h"
#include "platform/TempFile.h"
#include "project/FileUtil.h"

namespace {

constexpr std::size_t kLongestLiteral = 128;
constexpr std::size_t kShortestRun = 3;
constexpr std::size_t kLongestRun = 130;
constexpr unsigned kRunBias = 125;  // control byte = run length + 125

class PlaneEncoder {
public:
  explicit PlaneEncoder(std::string& out) : out(out) {}

  void Add(char byte) {
    if (inRun) {
      if (count == kLongestRun || byte != runByte) {
        FlushRun();
        StartLiteral(byte);
      } else {
        ++count;
      }
      return;
    }
    if (count == kLongestLiteral) {
      FlushLiteral(count);
      StartLiteral(byte);
      return;
    }
    if (count >= 2 && buffer[count - 1] == byte && buffer[count - 2] == byte) {
      // Three equal bytes: what came before them stays literal, they start a run.
      if (count > 2) FlushLiteral(count - 2);
      inRun = true;
      runByte = byte;
      count = kShortestRun;
      return;
    }
    buffer[count++] = byte;
  }

  void Finish() {
    if (inRun) {
      FlushRun();
    } else if (count > 0) {
      FlushLiteral(count);
    }
    count = 0;
  }

private:
  void StartLiteral(char byte) {
    inRun = false;
    buffer[0] = byte;
    count = 1;
  }
  void FlushLiteral(std::size_t length) {
    out.push_back(static_cast<char>(length - 1));
    out.append(buffer, length);
  }
  void FlushRun() {
    out.push_back(static_cast<char>(count + kRunBias));
    out.push_back(runByte);
  }

  std::string& out;
  char buffer[kLongestLiteral] = {};
  std::size_t count = 0;
  bool inRun = false;
  char runByte = 0;
};

struct Element {
  const char* type;
  std::uint8_t widthByte;
  bool (KVIconFile::*write)(std::uint32_t, const std::string&) const;
};

// In the order they appear in the file.
const Element kElements[] = {
    {"is32", 16, &KVIconFile::WriteRleRgb},   {"s8mk", 16, &KVIconFile::WriteAlphaMask},
    {"il32", 32, &KVIconFile::WriteRleRgb},   {"l8mk", 32, &KVIconFile::WriteAlphaMask},
    {"ic07", 128, &KVIconFile::WritePng},     {"ic08", 0, &KVIconFile::WritePng},
};

void PutU32BigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

constexpr std::uint32_t kHeaderSize = 8;
// Elements are limited so that every length fits its 32-bit field with room to spare.
constexpr std::uint64_t kLargestElement = 64u * 1024 * 1024;

}  // namespace

std::string IcnsRunLength(std::string_view plane) {
  std::string out;
  PlaneEncoder encoder(out);
  for (const char byte : plane) encoder.Add(byte);
  encoder.Finish();
  return out;
}

std::string IcnsRgbData(const KVPixels& pixels) {
  std::string out;
  if (!pixels.Consistent()) return out;
  std::string plane;
  // Red, green, blue planes from blue, green, red, alpha pixels.
  for (const std::size_t channel : {2, 1, 0}) {
    plane.clear();
    for (std::size_t i = 0; i < pixels.bgra.size(); i += 4) {
      // Fully transparent pixels are all zeros whatever colour they were given.
      plane.push_back(static_cast<char>(pixels.bgra[i + 3] == 0 ? 0 : pixels.bgra[i + channel]));
    }
    out += IcnsRunLength(plane);
  }
  return out;
}

std::string IcnsMaskData(const KVPixels& pixels) {
  std::string out;
  if (!pixels.Consistent()) return out;
  out.reserve(pixels.bgra.size() / 4);
  for (std::size_t i = 3; i < pixels.bgra.size(); i += 4) out.push_back(static_cast<char>(pixels.bgra[i]));
  return out;
}

bool WriteIcns(const std::string& iconPath, const std::string& icnsPath) {
  KVIconFile icon;
  if (!icon.Load(iconPath)) return false;

  // Each element is staged in the scratch file; one that cannot be made is left out of the
  // table of contents as well, so the file never lists an element it lacks.
  const std::string scratch = icnsPath + ".png";
  const kvplatform::TempFileRemover removeScratch(scratch);
  struct Made {
    const char* type;
    std::string data;
  };
  std::vector<Made> made;
  for (const Element& element : kElements) {
    const int index = icon.SelectImage(element.widthByte);
    if (index < 0) continue;
    // A stale scratch file from an earlier element must never be taken for this one.
    kvplatform::DeleteFileAt(scratch);
    std::string data;
    if (!(icon.*element.write)(static_cast<std::uint32_t>(index), scratch) || !ReadFileBytes(scratch, data) ||
        data.size() > kLargestElement) {
      continue;
    }
    made.push_back({element.type, std::move(data)});
  }
  if (made.empty()) return false;

  const auto tocLength = static_cast<std::uint32_t>(kHeaderSize + kHeaderSize * made.size());
  std::uint32_t total = kHeaderSize + tocLength;
  for (const Made& m : made) total += kHeaderSize + static_cast<std::uint32_t>(m.data.size());

  std::string bytes = "icns";
  PutU32BigEndian(bytes, total);
  bytes += "TOC ";
  PutU32BigEndian(bytes, tocLength);
  for (const Made& m : made) {
    bytes += m.type;
    PutU32BigEndian(bytes, kHeaderSize + static_cast<std::uint32_t>(m.data.size()));
  }
  for (const Made& m : made) {
    bytes += m.type;
    PutU32BigEndian(bytes, kHeaderSize + static_cast<std::uint32_t>(m.data.size()));
    bytes += m.data;
  }
  kvbuild::OutputFile out(icnsPath);
  return out.Write(bytes) && out.Commit();
}
