#include "remote/ws_chunks.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kChunkHeader = 10;  // tag, total, offset

uint32_t be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

bool ParseChunk(const WsFrame& frame, Chunk& chunk) {
  if (frame.bodyLength < kChunkHeader) return false;
  chunk.total = be32(frame.body + 2);
  chunk.offset = be32(frame.body + 6);
  if (chunk.total == 0 || chunk.offset >= chunk.total) return false;
  chunk.length = std::min<size_t>(kChunkData, chunk.total - chunk.offset);
  chunk.data = frame.body + kChunkHeader;
  return chunk.length <= frame.bodyLength - kChunkHeader;
}

ChunkAssembler::Result ChunkAssembler::add(const Chunk& c) {
  const uint64_t end = static_cast<uint64_t>(c.offset) + c.length;
  if (c.total > capacity_ || end > capacity_ || c.length == 0) {
    ++dropped_;
    return Result::Dropped;
  }
  std::memcpy(area_ + c.offset, c.data, c.length);
  // The last chunk is the one that reaches the end of the object.
  if (static_cast<uint64_t>(c.offset) + kChunkData < c.total) return Result::Partial;
  total_ = c.total;
  return Result::Complete;
}
