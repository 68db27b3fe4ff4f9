// imagetool: turns the PNGs rendered from the resource SVGs into the files the .rc script
// includes.
//
//   imagetool strip OUT.bmp IN.png...            toolbar strip, 32-bit BGRA with alpha
//   imagetool strip-disabled OUT.bmp IN.png...   the same strip drawn disabled
//   imagetool ico OUT.ico IN.png...              icon; images of 256 pixels stored as PNG

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/PngCodec.h"
#include "tools/imagetool/BmpFile.h"
#include "tools/imagetool/Compose.h"
#include "tools/imagetool/IconFile.h"

namespace {

// Inputs are icon-sized PNGs; anything larger than this is not one of ours.
constexpr std::int64_t kLargestInput = 64 * 1024 * 1024;

int Usage() {
  std::fputs(
      "usage: imagetool strip|strip-disabled OUT.bmp IN.png...\n"
      "       imagetool ico OUT.ico IN.png...\n",
      stderr);
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "imagetool: %s\n", message.c_str());
  return 1;
}

bool LoadPngs(const std::vector<std::string>& paths, std::vector<KVPixels>& images, std::string& error) {
  for (const std::string& path : paths) {
    std::string data;
    if (kvplatform::FileSize(path) > kLargestInput || !kvplatform::ReadFileBytes(path, data)) {
      error = "cannot read " + path + ": missing or too large";
      return false;
    }
    KVPixels image;
    if (!kvplatform::DecodePng(data, image)) {
      error = path + ": not a PNG image of at most " + std::to_string(kvplatform::kLargestPngSide) + " pixels a side";
      return false;
    }
    images.push_back(std::move(image));
  }
  return true;
}

bool BuildStrip(const std::vector<KVPixels>& images, bool disabled, std::string& out, std::string& error) {
  KVPixels strip;
  if (!kvimage::MakeStrip(images, strip, error)) return false;
  out = kvimage::BmpFile(disabled ? kvimage::DisabledImage(strip) : strip);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string command = argv[1];
  if (command != "strip" && command != "strip-disabled" && command != "ico") return Usage();
  const std::string output = argv[2];
  const std::vector<std::string> inputs(argv + 3, argv + argc);

  std::string error;
  std::vector<KVPixels> images;
  if (!LoadPngs(inputs, images, error)) return Fail(error);

  std::string bytes;
  const bool built = command == "ico" ? kvimage::EncodeIco(images, bytes, error)
                                      : BuildStrip(images, command == "strip-disabled", bytes, error);
  if (!built) return Fail(output + ": " + error);
  // Written whole or not at all, so a build never picks up a truncated image.
  if (!kvplatform::WriteFileBytes(output, bytes)) return Fail("cannot write " + output);
  return 0;
}
