#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/imagetool/Image.h"

namespace kv::imagetool {

// Appends little-endian fields to a byte buffer, as the BMP and ICO headers store them.
class ByteWriter {
public:
    explicit ByteWriter(Bytes& out) : out_(out) {}

    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16(std::uint16_t v)
    {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void bytes(const Bytes& b) { out_.insert(out_.end(), b.begin(), b.end()); }

private:
    Bytes& out_;
};

}  // namespace kv::imagetool
