#include "remote/ws_browser.h"

#include <cctype>
#include <cstring>

#include <glib.h>

#include "display/touch.h"
#include "platform/log.h"
#include "remote/ws_handshake.h"
#include "remote/ws_send.h"
#include "state/works.h"

namespace {

constexpr uint8_t kFin = 0x80;
constexpr uint8_t kMaskBit = 0x80;
constexpr size_t kControlPayloadMax = 125;
constexpr uint8_t kOpcodeText = 1, kOpcodeBinary = 2, kOpcodeClose = 8, kOpcodePing = 9, kOpcodePong = 10;

FrameBytes unmaskedFrame(uint8_t opcode, const uint8_t* data, size_t length) {
  FrameBytes out{static_cast<uint8_t>(kFin | opcode), static_cast<uint8_t>(length)};
  out.insert(out.end(), data, data + length);
  return out;
}

}  // namespace

std::string BrowserReply(std::string_view clientKey) {
  return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Accept: " +
         WebSocketAccept(clientKey) + "\r\n\r\n";
}

std::string BrowserRefusal(bool versionSupported) {
  if (!versionSupported)
    return "HTTP/1.1 426 Upgrade Required\r\nSec-WebSocket-Version: 13\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  return "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

std::string CrossOriginRefusal() {
  return "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

FrameBytes CloseFrame(uint16_t code, std::string_view reason) {
  reason = reason.substr(0, kControlPayloadMax - 2);
  std::vector<uint8_t> body{static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF)};
  body.insert(body.end(), reason.begin(), reason.end());
  return unmaskedFrame(kOpcodeClose, body.data(), body.size());
}

FrameBytes MaskedFrame(uint8_t opcode, const uint8_t* data, size_t length, const uint8_t key[4]) {
  FrameBytes out{static_cast<uint8_t>(kFin | opcode)};
  if (length < 126) {
    out.push_back(static_cast<uint8_t>(kMaskBit | length));
  } else {
    out.push_back(kMaskBit | 126);
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length & 0xFF));
  }
  out.insert(out.end(), key, key + 4);
  for (size_t i = 0; i < length; ++i) out.push_back(data[i] ^ key[i % 4]);
  return out;
}

ReadStatus BrowserFrameReader::read(FrameSource& source, WsFrame& frame) {
  auto status = [](SourceResult r) { return r == SourceResult::Stalled ? ReadStatus::Stalled : ReadStatus::Closed; };
  for (bool first = true;; first = true) {
    uint8_t head[8];
    SourceResult r = source.readExact(head, 2, first);
    if (r != SourceResult::Ok) return status(r);
    const uint8_t opcode = head[0] & 0x0F;
    // Every frame of a browser is masked and whole; anything else is not a
    // browser speaking the standard.
    if (!(head[0] & kFin) || !(head[1] & kMaskBit) || (head[0] & 0x70)) return ReadStatus::Malformed;
    size_t length = head[1] & 0x7F;
    if (length == 126) {
      if ((r = source.readExact(head, 2, false)) != SourceResult::Ok) return status(r);
      length = static_cast<size_t>(head[0]) << 8 | head[1];
    } else if (length == 127) {
      if ((r = source.readExact(head, 8, false)) != SourceResult::Ok) return status(r);
      length = 0;
      for (int i = 0; i < 8; ++i) length = length << 8 | head[i];
      if (head[0] != 0) return ReadStatus::Oversize;
    }
    if (length > kBrowserPayloadMax) return ReadStatus::Oversize;
    // Control frames carry at most 125 bytes; a close body, when there is
    // one, starts with a two-byte status code.
    if (opcode >= kOpcodeClose && length > kControlPayloadMax) return ReadStatus::Malformed;
    if (opcode == kOpcodeClose && length == 1) return ReadStatus::Malformed;
    uint8_t key[4];
    if ((r = source.readExact(key, 4, false)) != SourceResult::Ok) return status(r);
    std::memset(buf_.data(), 0, buf_.size());
    if (length > 0 && (r = source.readExact(buf_.data(), length, false)) != SourceResult::Ok) return status(r);
    for (size_t i = 0; i < length; ++i) buf_[i] ^= key[i % 4];
    switch (opcode) {
      case kOpcodeText:
        if (!g_utf8_validate_len(reinterpret_cast<const char*>(buf_.data()), length, nullptr))
          return ReadStatus::Malformed;
        frame = WsFrame{kOpText, static_cast<uint8_t>(std::min<size_t>(length, 125)), FrameForm::Text, buf_.data(),
                        strnlen(reinterpret_cast<const char*>(buf_.data()), length)};
        return ReadStatus::Frame;
      case kOpcodeBinary:
        frame = WsFrame{kOpBinary, 0, FrameForm::Long16, buf_.data(), length};
        return ReadStatus::Frame;
      case kOpcodePing: {
        const FrameBytes pong = unmaskedFrame(kOpcodePong, buf_.data(), length);
        sendFrames(w_, &pong, 1);
        continue;
      }
      case kOpcodePong:
        continue;
      case kOpcodeClose: {
        closed_ = true;
        const FrameBytes close = unmaskedFrame(kOpcodeClose, buf_.data(), std::min<size_t>(length, 2));
        sendFrames(w_, &close, 1);
        return ReadStatus::Closed;
      }
      default:
        return ReadStatus::Malformed;
    }
  }
}

bool ParseTouchText(std::string_view text, int& x, int& y) {
  if (text.size() != 12 || text.substr(0, 2) != "XY") return false;
  int v[2] = {0, 0};
  for (size_t i = 2; i < 12; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    v[(i - 2) / 5] = v[(i - 2) / 5] * 10 + (text[i] - '0');
  }
  x = v[0];
  y = v[1];
  return true;
}

void ApplyBrowserTouch(Works* w, int x, int y) { ApplyTouch(w, true, TouchPoint{x, y}); }
