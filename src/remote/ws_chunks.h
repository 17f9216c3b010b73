#pragma once
// Chunked objects (spectrum "SP", screen image "FB"): each chunk names the
// object's total length and its own offset; the receiver copies it by offset
// into its area and shows the object when the last chunk has come. Every
// number is the peer's, so each is checked against the area before a byte
// is copied.
#include <cstddef>
#include <cstdint>

#include "remote/ws_frame.h"

struct Chunk {
  uint32_t total = 0;
  uint32_t offset = 0;
  const uint8_t* data = nullptr;
  size_t length = 0;  // the bytes of this chunk that belong to the object
};

// The chunk in a long binary frame; false when the frame is too short for the
// chunk header or for the bytes its offset promises.
bool ParseChunk(const WsFrame& frame, Chunk& chunk);

class ChunkAssembler {
 public:
  enum class Result { Partial, Complete, Dropped };
  ChunkAssembler(uint8_t* area, size_t capacity) : area_(area), capacity_(capacity) {}
  // Copies a chunk into the area. Dropped when it would pass the end of the
  // area or its object could not fit the area at all.
  Result add(const Chunk& chunk);
  // The total length of the object last completed.
  uint32_t total() const { return total_; }
  const uint8_t* area() const { return area_; }
  uint64_t dropped() const { return dropped_; }

 private:
  uint8_t* area_;
  size_t capacity_;
  uint32_t total_ = 0;
  uint64_t dropped_ = 0;
};
