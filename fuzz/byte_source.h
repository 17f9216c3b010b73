#pragma once
// A fuzz input as the frame reader's source: the bytes in order, then a
// closed connection.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "remote/ws_frame.h"

struct Bytes : FrameSource {
  const uint8_t* data;
  size_t size, at = 0;
  Bytes(const uint8_t* d, size_t n) : data(d), size(n) {}
  SourceResult readExact(uint8_t* out, size_t n, bool) override {
    if (size - at < n) return SourceResult::Closed;
    std::memcpy(out, data + at, n);
    at += n;
    return SourceResult::Ok;
  }
};
