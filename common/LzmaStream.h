// One liblzma stream, ended when its owner goes. The user starts it as an encoder or a
// decoder and links LibLZMA itself; this header only owns the stream.
#pragma once

#include <lzma.h>

class KVLzmaStream {
public:
  KVLzmaStream() = default;
  ~KVLzmaStream() { lzma_end(&stream); }
  KVLzmaStream(const KVLzmaStream&) = delete;
  KVLzmaStream& operator=(const KVLzmaStream&) = delete;

  lzma_stream* operator->() { return &stream; }
  lzma_stream* Get() { return &stream; }

private:
  lzma_stream stream = LZMA_STREAM_INIT;
};
