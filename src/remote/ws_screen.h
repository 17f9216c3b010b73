#pragma once
// Screen images between two units: the sender's JPEG coding of its draw
// buffer, the receiver's decoding into its own, and the chunked "FB" object
// that carries them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "remote/ws_chunks.h"

struct Works;

// Set by the server thread when it starts; the screen sender takes `works`
// from it.
extern Works* staticworks;

// JPEG-encodes the draw buffer at `jpegQuality` into `out` (capacity
// `*length`); the encoded size in `*length`. Returns it, or -1 (a screen that
// is not 4 bytes per pixel, or a quality out of range).
int Compress(Works* works, uint8_t* out, int* length);
// Decodes JPEG data into the draw buffer. An image that does not decode, or
// is not exactly the screen's size, leaves the draw buffer as it was.
// 0 on success, -1 otherwise.
int Uncompress(Works* works, const uint8_t* data, int length);
// Sends the screen (server side only): JPEG at `jpegQuality`, raw pixels
// when it is 0 or the coding fails. Returns the bytes of the object.
int sendWebSockFbFrame();

// The receiving end of "FB": gathers chunks in an area of the screen's size
// and shows the completed image.
class ScreenReceiver {
 public:
  explicit ScreenReceiver(Works* works);
  // Takes one "FB" frame; true when it completed and showed an image.
  bool take(const WsFrame& frame);
  uint64_t dropped() const { return dropped_; }
  uint64_t shown() const { return shown_; }

 private:
  Works* w_;
  std::vector<uint8_t> area_;
  ChunkAssembler assembler_;
  uint64_t dropped_ = 0, shown_ = 0;
};
