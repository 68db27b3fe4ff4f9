// imagetool: turns the PNGs rendered from the resource SVGs into the files the .rc script
// includes.
//
//   imagetool strip OUT.bmp IN.png...            toolbar strip, 32-bit BGRA with alpha
//   imagetool strip-disabled OUT.bmp IN.png...   the same strip drawn disabled
//   imagetool bmpv5 OUT.bmp IN.png...            32-bit BGRA with alpha behind a BITMAPV5HEADER
//   imagetool strip-white OUT.bmp IN.png...      opaque 24-bit strip drawn onto white, for
//                                                bitmaps whose white is the transparent colour
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
      "usage: imagetool strip|strip-disabled|bmpv5|strip-white OUT.bmp IN.png...\n"
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

// The pictures side by side, written as the command asks; a single picture is a strip of one.
bool BuildStrip(const std::vector<KVPixels>& images, const std::string& command, std::string& out, std::string& error) {
  KVPixels strip;
  if (!kvimage::MakeStrip(images, strip, error)) return false;
  if (command == "strip-disabled") {
    out = kvimage::BmpFile(kvimage::DisabledImage(strip));
  } else if (command == "bmpv5") {
    out = kvimage::BmpV5File(strip);
  } else if (command == "strip-white") {
    out = kvimage::Bmp24File(kvimage::OverWhite(strip));
  } else {
    out = kvimage::BmpFile(strip);
  }
  return true;
}

bool KnownCommand(const std::string& command) {
  for (const char* known : {"strip", "strip-disabled", "bmpv5", "strip-white", "ico"}) {
    if (command == known) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string command = argv[1];
  if (!KnownCommand(command)) return Usage();
  const std::string output = argv[2];
  const std::vector<std::string> inputs(argv + 3, argv + argc);

  std::string error;
  std::vector<KVPixels> images;
  if (!LoadPngs(inputs, images, error)) return Fail(error);

  std::string bytes;
  const bool built =
      command == "ico" ? kvimage::EncodeIco(images, bytes, error) : BuildStrip(images, command, bytes, error);
  if (!built) return Fail(output + ": " + error);
  // Written whole or not at all, so a build never picks up a truncated image.
  if (!kvplatform::WriteFileBytes(output, bytes)) return Fail("cannot write " + output);
  return 0;
}
