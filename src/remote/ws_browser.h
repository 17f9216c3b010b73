#pragma once
// A browser as the peer: the standard upgrade reply, the standard framing of
// what it sends (every frame masked), and what its text means. Units keep
// their own dialect; what the server sends is valid standard framing already
// (binary frames without a key), so both kinds of peer read the same senders.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "remote/ws_frame.h"

struct Works;

// The reply that ends a browser's upgrade (one empty line, no subprotocol).
std::string BrowserReply(std::string_view clientKey);
// The answer to an upgrade the reply cannot accept: a version other than 13
// is told the version this server speaks; a missing or malformed key, or a
// method other than GET, is a bad request. The connection closes after it.
std::string BrowserRefusal(bool versionSupported);

// The answer to an upgrade from a page that is not the unit's own.
std::string CrossOriginRefusal();
// A close frame of the server: `code` and a reason of at most 123 bytes.
FrameBytes CloseFrame(uint16_t code, std::string_view reason);

// Browsers send only short texts (the passphrase, touches); a longer frame is
// not one of ours and closes the connection.
inline constexpr size_t kBrowserPayloadMax = 1024;

// Reads the browser's frames: unmasks them, answers pings, and gives back
// text and binary messages. Fragmented or unmasked frames, control frames
// longer than 125 bytes, a close body of one byte and text that is not UTF-8
// break the standard and close the connection.
class BrowserFrameReader {
 public:
  explicit BrowserFrameReader(Works* works) : w_(works), buf_(kBrowserPayloadMax + 1) {}
  ReadStatus read(FrameSource& source, WsFrame& frame);
  bool closedByPeer() const { return closed_; }

 private:
  Works* w_;
  std::vector<uint8_t> buf_;
  bool closed_ = false;
};

// The standard frame a browser sends: masked with `key`. For tests and the
// fuzz target's seeds.
FrameBytes MaskedFrame(uint8_t opcode, const uint8_t* data, size_t length, const uint8_t key[4]);

// A touch text "XY" plus five digits each of x and y; false for anything else.
bool ParseTouchText(std::string_view text, int& x, int& y);
// What a browser's touch does: a point in the button bar holds that soft
// button; any other point (the page sends one when the finger lifts) lets go.
void ApplyBrowserTouch(Works* works, int x, int y);
