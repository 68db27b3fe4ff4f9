#include "tools/imagetool/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace kv::imagetool {
namespace {

// Inputs are icon-sized PNGs; anything larger than this is not one of ours.
constexpr long kMaxInputBytes = 64L * 1024 * 1024;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string describe(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool readFile(const std::string& path, Bytes& out, std::string& error)
{
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        error = describe("cannot open", path);
        return false;
    }
    if (std::fseek(f.get(), 0, SEEK_END) != 0) {
        error = describe("cannot seek", path);
        return false;
    }
    const long size = std::ftell(f.get());
    if (size < 0 || size > kMaxInputBytes || std::fseek(f.get(), 0, SEEK_SET) != 0) {
        error = "cannot read " + path + ": missing or too large";
        return false;
    }
    Bytes data(static_cast<std::size_t>(size));
    if (!data.empty() && std::fread(data.data(), 1, data.size(), f.get()) != data.size()) {
        error = "cannot read " + path + ": short read";
        return false;
    }
    out = std::move(data);
    return true;
}

bool writeFile(const std::string& path, const Bytes& data, std::string& error)
{
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        error = describe("cannot create", path);
        return false;
    }
    const bool written = data.empty() || std::fwrite(data.data(), 1, data.size(), f.get()) == data.size();
    // Close explicitly: a full disk may only show up when the buffer is flushed.
    const bool closed = std::fclose(f.release()) == 0;
    if (!written || !closed) {
        error = describe("cannot write", path);
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace kv::imagetool
