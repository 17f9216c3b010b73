#include "remote/ws_send.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/log.h"
#include "platform/net.h"
#include "platform/transport.h"
#include "remote/peer_writer.h"
#include "remote/ws_timing.h"
#include "state/works.h"

using platform::kErr;

namespace {

// One writer for each connection in this process (a server and a client can
// share one in tests). Senders copy the pointer under the lock and push
// outside it, so DropConnection never frees a writer a sender still uses.
std::mutex gWritersMutex;
std::map<const Works*, std::shared_ptr<PeerWriter>> gWriters;

std::shared_ptr<PeerWriter> writerOf(const Works* w) {
  std::lock_guard lock(gWritersMutex);
  auto it = gWriters.find(w);
  return it == gWriters.end() ? nullptr : it->second;
}

PeerWriter::Limits writerLimits() {
  PeerWriter::Limits l;
  l.blockMs = wsTimings().writeBlockMs;
  l.queueMax = static_cast<size_t>(wsTimings().queueMaxBytes.load());
  return l;
}

int push(Works* w, const FrameBytes* frames, size_t count, PeerWriter::Kind kind) {
  if (!w || w->wsConnected != 1) return 0;
  const std::shared_ptr<PeerWriter> writer = writerOf(w);
  if (!writer) return 0;
  int size = 0;
  for (size_t i = 0; i < count; ++i) size += static_cast<int>(frames[i].size());
  switch (writer->push(frames, count, kind)) {
    case PeerWriter::Push::Queued:
      return size;
    case PeerWriter::Push::Skipped:
      return 0;
    case PeerWriter::Push::Dropped:
      break;
  }
  return -1;
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
  return push(w, frames, count, PeerWriter::Kind::Keep);
}

int sendStaleFrames(Works* w, const FrameBytes* frames, size_t count) {
  return push(w, frames, count, PeerWriter::Kind::Live);
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
  // The whole object is queued at once or not at all: a screen or a spectrum
  // the peer cannot finish is worth nothing, and the next one replaces it.
  std::vector<FrameBytes> chunks;
  chunks.reserve(length / kChunkData + 1);
  for (size_t offset = 0; offset < length; offset += kChunkData)
    chunks.push_back(ChunkFrame(tag, static_cast<uint32_t>(length), static_cast<uint32_t>(offset), data));
  return push(w, chunks.data(), chunks.size(), PeerWriter::Kind::Stale);
}

int sendWebSockSerSpectrFrame(Works* w, const uint8_t* data, int length) {
  if (length <= 0) return 0;
  return sendChunkedObject(w, "SP", data, static_cast<size_t>(length));
}

void AttachConnection(Works* w, int fd, std::shared_ptr<platform::Transport> stream) {
  if (!stream) stream = std::make_shared<platform::PlainTransport>(fd);
  auto writer = std::make_shared<PeerWriter>(std::move(stream), w, writerLimits());
  {
    std::lock_guard lock(*w->mutexPtr);
    w->sockFD = fd;
  }
  std::lock_guard lock(gWritersMutex);
  gWriters[w] = std::move(writer);
}

void DropConnection(Works* w, int drainMs) {
  std::shared_ptr<PeerWriter> writer;
  {
    std::lock_guard lock(gWritersMutex);
    auto it = gWriters.find(w);
    if (it != gWriters.end()) {
      writer = std::move(it->second);
      gWriters.erase(it);
    }
  }
  if (writer && drainMs > 0) writer->drain(drainMs);
  w->wsConnected = 0;
  std::lock_guard lock(*w->mutexPtr);
  const int fd = w->sockFD.exchange(-1);
  // A writer blocked on a peer that stopped reading wakes on the shut socket.
  platform::shutdownSocket(fd);
  if (writer) writer->stop();
  if (fd > 0) platform::closeSocket(fd);
}

size_t PeerBacklogBytes(const Works* w) {
  const std::shared_ptr<PeerWriter> writer = writerOf(w);
  return writer ? writer->queuedBytes() : 0;
}

bool PeerDropped(const Works* w) {
  const std::shared_ptr<PeerWriter> writer = writerOf(w);
  return writer && writer->dropped();
}
