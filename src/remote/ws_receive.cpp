#include "remote/ws_receive.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "links/cat_relay.h"
#include "links/ext_io_params.h"
#include "links/ext_io_spectrum.h"
#include "platform/log.h"
#include "platform/log_limit.h"
#include "platform/serial.h"
#include "remote/audio.h"
#include "remote/follow_server.h"
#include "remote/remote_commands.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

namespace {

// Room for the widest spectrum a peer sends (1706 points) with margin.
constexpr size_t kSpectrumAreaSize = 4096;

// Every frame of a busy peer would log this: once a second per tag is enough.
void qzk(const char* tag) { platform::sysLogLimited("qzk", tag, kInfo, "QZK, %s", tag); }

// A port that is not open (0 or -1) takes nothing: the bytes are dropped
// instead of landing on standard input.
bool writePort(int fd, const uint8_t* data, size_t length) { return fd <= 0 || platform::writeAll(fd, data, length); }

}  // namespace

FrameDispatcher::FrameDispatcher(Works* w, PeerSide side)
    : w_(w), side_(side), screen_(w), spectrumArea_(kSpectrumAreaSize), spectrum_(spectrumArea_.data(), kSpectrumAreaSize), catWatch_(w) {}

void FrameDispatcher::statusText(const uint8_t* data, size_t length) {
  std::memset(w_->remoteStatusText, 0, sizeof w_->remoteStatusText);
  std::memcpy(w_->remoteStatusText, data, std::min(length, sizeof w_->remoteStatusText - 1));
  dispStat(w_);
  // A client unit mirrors the far one, bank included.
  if (side_ == PeerSide::Client) FollowServerBank(w_, data, length);
}

bool FrameDispatcher::writeCat(const uint8_t* data, size_t length) {
  catWatch_.take(data, length);
  if (writePort(w_->catFD, data, length)) return true;
  platform::sysLog(kInfo, "TCP read Error 7a %d", errno);
  ExitCAT(w_);
  return false;
}

bool FrameDispatcher::shortBinary(const WsFrame& f) {
  const std::string_view tag = f.tag();
  const uint8_t* payload = f.body + 2;
  const size_t length = f.bodyLength - 2;
  if (tag == "CA") {
    qzk("CA");
    platform::errPrintf("QZK, CA\n");
    return writeCat(payload, length);
  }
  if (tag == "ST") {
    qzk("ST");
    statusText(payload, length);
    return true;
  }
  if (tag == "PA" && side_ == PeerSide::Client) {
    storeParameters(w_, static_cast<int>(length), payload);
    return true;
  }
  if (tag == "SC" || tag == "PA") {
    if (tag == "PA") platform::errPrintf("S BUFFER WEB SERVER : %.*s\n", static_cast<int>(length), payload);
    qzk(tag == "PA" ? "PA" : "SC");
    if (writePort(w_->serFD, payload, length)) return true;
    platform::sysLog(kInfo, "TCP read Error %s %d", tag == "PA" ? "8a" : "7a", errno);
    return false;
  }
  platform::sysLog(kErr, "wrong message type: %x", f.op);
  return true;
}

void FrameDispatcher::spectrum(const WsFrame& f) {
  if (side_ == PeerSide::Server) return;
  Chunk chunk;
  const auto result = ParseChunk(f, chunk) ? spectrum_.add(chunk) : ChunkAssembler::Result::Dropped;
  if (result == ChunkAssembler::Result::Complete) storeFFT(w_, static_cast<int>(spectrum_.total()), spectrumArea_.data());
}

// "SO": a 32-bit length, then that many audio bytes. A length that passes the
// frame's end is the peer's fault: the packet is dropped, the link kept.
bool FrameDispatcher::audio(const WsFrame& f) {
  if (f.bodyLength < 6) return true;
  const uint8_t* b = f.body + 2;
  const size_t length = static_cast<size_t>(b[0]) << 24 | static_cast<size_t>(b[1]) << 16 | b[2] << 8 | b[3];
  if (length > f.bodyLength - 6) {
    platform::sysLog(kErr, "remote: audio packet of %zu bytes in a frame of %zu, dropped", length, f.bodyLength - 6);
    return true;
  }
  return PlayAudioPacket(w_, side_ == PeerSide::Server, playback_, f.body + 6, length);
}

bool FrameDispatcher::longBinary(const WsFrame& f) {
  const std::string_view tag = f.tag();
  if (tag == "SP")
    spectrum(f);
  else if (tag == "FB")
    screen_.take(f);
  else if (tag == "SO")
    return audio(f);
  else
    platform::sysLog(kErr, "wrong message type: %x", f.op);
  return true;
}

bool FrameDispatcher::dispatch(const WsFrame& f) {
  if (f.form == FrameForm::Text) {
    int x = 0, y = 0;
    if (f.bodyLength >= 12 && std::memcmp(f.body, "XY", 2) == 0)
      std::sscanf(reinterpret_cast<const char*>(f.body) + 2, "%5d%5d", &x, &y);  // taken, not acted on
    return true;
  }
  if (f.op == kOpBinary && f.form == FrameForm::ShortBinary) return shortBinary(f);
  if (f.op == kOpBinary && f.form == FrameForm::Long16) return longBinary(f);
  platform::sysLog(kErr, "wrong message type: %x", f.op);
  return true;
}
