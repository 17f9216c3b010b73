#pragma once
// The frames two units exchange after the upgrade handshake: a fixed subset of
// WebSocket framing with a two-letter tag in every message. Builders make the
// bytes of each form; FrameReader takes one frame at a time off a byte source.
//
// Dialect (both ends rely on it): text frames always carry a 4-byte key after
// the header with the mask bit clear, and the reader XORs with it anyway;
// binary frames carry no key; the 16-bit length counts every byte after the
// 4-byte header; a second byte of 127 or more is a 32-bit length.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

inline constexpr uint8_t kOpText = 0x81;
inline constexpr uint8_t kOpBinary = 0x82;
// Payload bytes after the tag that a short binary frame holds (length byte 125).
inline constexpr size_t kShortPayloadMax = 123;
inline constexpr size_t kTextPayloadMax = 125;
// Chunked objects: 512 data bytes per 526-byte frame whose count is 522.
inline constexpr size_t kChunkData = 512;
inline constexpr size_t kChunkCount = 522;
inline constexpr size_t kChunkFrameSize = 526;
// The largest frame of the dialect: the 16-bit length form at its limit. A
// 32-bit length beyond it is refused, so no peer sizes our buffers.
inline constexpr size_t kLongCountMax = 65535;
inline constexpr size_t kFrameMax = 4 + kLongCountMax;

using FrameBytes = std::vector<uint8_t>;

// "ST", "CA", "SC", "PA": the tag and up to kShortPayloadMax bytes; empty
// when the payload does not fit.
FrameBytes ShortBinaryFrame(std::string_view tag, const uint8_t* data, size_t length);
// Text with an all-zero key (so it goes out as it is); empty when too long.
FrameBytes TextFrame(const uint8_t* data, size_t length);
// One chunk of a chunked object ("SP", "FB") at `offset` of `total` bytes
// held in `object`: min(512, total - offset) bytes, zero-padded to 512.
FrameBytes ChunkFrame(std::string_view tag, uint32_t total, uint32_t offset, const uint8_t* object);
// "SO": one audio packet; empty when it does not fit the 16-bit count.
FrameBytes AudioFrame(const uint8_t* data, size_t length);
// "XY": a touch position, each coordinate as five digits.
FrameBytes EventFrame(int x, int y);

enum class FrameForm { ShortBinary, Text, Long16, Long32 };

// One frame as read. For binary forms `body` starts at the tag; for text it is
// the unmasked payload up to its first zero byte.
struct WsFrame {
  uint8_t op = 0;
  uint8_t lengthByte = 0;
  FrameForm form = FrameForm::ShortBinary;
  const uint8_t* body = nullptr;
  size_t bodyLength = 0;
  std::string_view tag() const;
  bool isBinary() const { return op == kOpBinary; }
};

// Where frames come from. readExact fills `n` bytes; the first call of a
// frame may wait for the peer as long as the connection lives, the others
// only as long as a frame may stall.
enum class SourceResult { Ok, Closed, Stalled };
struct FrameSource {
  virtual ~FrameSource() = default;
  virtual SourceResult readExact(uint8_t* data, size_t n, bool frameStart) = 0;
};

enum class ReadStatus {
  Frame,
  Closed,     // end of stream or a read error
  Stalled,    // the peer stopped inside a frame
  Oversize,   // a 32-bit length beyond the largest frame
  Malformed,  // a length that cannot hold its own header
};

class FrameReader {
 public:
  FrameReader() : buf_(kFrameMax + 8) {}
  // Reads one frame; `frame` points into the reader until the next call.
  ReadStatus read(FrameSource& source, WsFrame& frame);

 private:
  ReadStatus finishText(WsFrame& frame, size_t payload);
  std::vector<uint8_t> buf_;
};

const char* ReadStatusText(ReadStatus status);
