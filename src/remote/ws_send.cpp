#include "remote/ws_send.h"

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "platform/clock.h"
#include "platform/log.h"
#include "platform/net.h"
#include "platform/serial.h"
#include "remote/ws_timing.h"
#include "state/works.h"

using platform::kErr;

namespace {

constexpr long kPauseUs = 10;

// Writes under the mutex; the caller has checked wsConnected. A failed or
// stalled write leaves the stream out of step, so the connection is shut
// down and its reader drops it.
int writeLocked(Works* w, const FrameBytes* frames, size_t count) {
  const int fd = w->sockFD;
  if (w->wsConnected != 1 || fd <= 0) return 0;
  int sent = 0;
  for (size_t i = 0; i < count; ++i) {
    if (frames[i].empty()) continue;
    if (!platform::sendAllWithin(fd, frames[i].data(), frames[i].size(), wsTimings().sendMs)) {
      platform::sysLog(kErr, "remote: write to the peer failed (%s), connection dropped",
                       platform::errorText(errno).c_str());
      platform::shutdownSocket(fd);
      w->wsConnected = 0;
      return -1;
    }
    sent += static_cast<int>(frames[i].size());
  }
  return sent;
}

int sendShort(Works* w, const char* tag, const void* data, int length) {
  if (!w || w->wsConnected != 1) return 0;
  if (length < 0 || static_cast<size_t>(length) > kShortPayloadMax) {
    platform::sysLog(kErr, "remote: %d bytes too long for one \"%s\" frame, not sent", length, tag);
    return -1;
  }
  const FrameBytes frame = ShortBinaryFrame(tag, static_cast<const uint8_t*>(data), static_cast<size_t>(length));
  return sendFrames(w, &frame, 1);
}

}  // namespace

int sendFrames(Works* w, const FrameBytes* frames, size_t count) {
  if (!w || w->wsConnected != 1) return 0;
  platform::sleepUs(kPauseUs);
  std::lock_guard lock(*w->mutexPtr);
  return writeLocked(w, frames, count);
}

int sendWebSockStatusFrame(Works* w, const char* data, int length) { return sendShort(w, "ST", data, length); }
int sendWebSockSerFrame(Works* w, const char* data, int length) { return sendShort(w, "SC", data, length); }
int sendWebSockSerParFrame(Works* w, const uint8_t* data, int length) { return sendShort(w, "PA", data, length); }

int sendWebSockCatFrame(Works* w, const char* data, int length) {
  if (!w || w->wsConnected != 1 || length <= 0) return 0;
  std::vector<FrameBytes> pieces;
  const auto* bytes = reinterpret_cast<const uint8_t*>(data);
  for (int at = 0; at < length; at += static_cast<int>(kShortPayloadMax)) {
    const size_t n = std::min<size_t>(kShortPayloadMax, static_cast<size_t>(length - at));
    pieces.push_back(ShortBinaryFrame("CA", bytes + at, n));
  }
  return sendFrames(w, pieces.data(), pieces.size());
}

int sendWebSockEventFrame(Works* w, int x, int y) {
  if (!w || w->wsConnected != 1) return 0;
  const FrameBytes frame = EventFrame(x, y);
  return sendFrames(w, &frame, 1);
}

int sendChunkedObject(Works* w, const char* tag, const uint8_t* data, size_t length) {
  if (!w || w->wsConnected != 1 || !data || length == 0 || length > UINT32_MAX) return 0;
  int sent = 0;
  for (size_t offset = 0; offset < length; offset += kChunkData) {
    const FrameBytes frame = ChunkFrame(tag, static_cast<uint32_t>(length), static_cast<uint32_t>(offset), data);
    const int n = sendFrames(w, &frame, 1);
    if (n <= 0) return n < 0 ? -1 : sent;
    sent += n;
  }
  return sent;
}

int sendWebSockSerSpectrFrame(Works* w, const uint8_t* data, int length) {
  if (length <= 0) return 0;
  return sendChunkedObject(w, "SP", data, static_cast<size_t>(length));
}

void AttachConnection(Works* w, int fd) {
  std::lock_guard lock(*w->mutexPtr);
  w->sockFD = fd;
}

void DropConnection(Works* w) {
  std::lock_guard lock(*w->mutexPtr);
  w->wsConnected = 0;
  const int fd = w->sockFD.exchange(-1);
  if (fd > 0) platform::closeSocket(fd);
}
