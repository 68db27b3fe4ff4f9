// imagetool: turns the PNGs rendered from the resource SVGs into the files the .rc script
// includes.
//
//   imagetool strip OUT.bmp IN.png...            toolbar strip, 32-bit BGRA with alpha
//   imagetool strip-disabled OUT.bmp IN.png...   the same strip drawn disabled
//   imagetool ico OUT.ico IN.png...              icon; images of 256 pixels stored as PNG

#include <cstdio>
#include <string>
#include <vector>

#include "tools/imagetool/BmpFile.h"
#include "tools/imagetool/Compose.h"
#include "tools/imagetool/FileIo.h"
#include "tools/imagetool/IconFile.h"
#include "tools/imagetool/PngCodec.h"

using namespace kv::imagetool;

namespace {

int usage()
{
    std::fputs("usage: imagetool strip|strip-disabled OUT.bmp IN.png...\n"
               "       imagetool ico OUT.ico IN.png...\n",
               stderr);
    return 2;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "imagetool: %s\n", message.c_str());
    return 1;
}

bool loadPngs(const std::vector<std::string>& paths, std::vector<Image>& images, std::string& error)
{
    for (const std::string& path : paths) {
        Bytes data;
        Image image;
        if (!readFile(path, data, error))
            return false;
        if (!decodePng(data, image, error)) {
            error = path + ": " + error;
            return false;
        }
        images.push_back(std::move(image));
    }
    return true;
}

bool buildStrip(const std::vector<Image>& images, bool disabled, Bytes& out, std::string& error)
{
    Image strip;
    if (!makeStrip(images, strip, error))
        return false;
    out = encodeBmpFile(disabled ? disabledImage(strip) : strip);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return usage();
    const std::string command = argv[1];
    if (command != "strip" && command != "strip-disabled" && command != "ico")
        return usage();
    const std::string output = argv[2];
    const std::vector<std::string> inputs(argv + 3, argv + argc);

    std::string error;
    std::vector<Image> images;
    if (!loadPngs(inputs, images, error))
        return fail(error);

    Bytes bytes;
    const bool built = command == "ico" ? encodeIco(images, bytes, error)
                                        : buildStrip(images, command == "strip-disabled", bytes, error);
    if (!built)
        return fail(output + ": " + error);
    if (!writeFile(output, bytes, error))
        return fail(error);
    return 0;
}
