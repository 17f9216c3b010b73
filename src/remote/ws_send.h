#pragma once
// The senders other threads call while a peer is connected. Each returns at
// once: without a peer it does nothing, otherwise it queues its frames whole
// for the connection's writer thread, so frames from different threads never
// mix and no sender waits on the network. A peer that stops taking bytes is
// dropped by the writer.
//
// Each returns the bytes queued, 0 when nothing was sent (no peer, or a frame
// that lost its worth while the link is behind), -1 when the peer is dropped.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "remote/ws_frame.h"

struct Works;
namespace platform {
class Transport;
}

int sendWebSockStatusFrame(Works* works, const char* data, int length);
// CAT text longer than one short frame goes out as several "CA" frames,
// back to back; the peer writes each to its CAT port in turn.
int sendWebSockCatFrame(Works* works, const char* data, int length);
int sendWebSockSerFrame(Works* works, const char* data, int length);
int sendWebSockSerParFrame(Works* works, const uint8_t* data, int length);
int sendWebSockSerSpectrFrame(Works* works, const uint8_t* data, int length);
int sendWebSockEventFrame(Works* works, int x, int y);
// One chunked object of any tag; what sendWebSockSerSpectrFrame and the
// screen sender use. Queued whole, and left out while the link is behind.
int sendChunkedObject(Works* works, const char* tag, const uint8_t* data, size_t length);
// Queues prepared frames whole (control frames, tests that play a peer's part).
int sendFrames(Works* works, const FrameBytes* frames, size_t count);
// The same for audio: it goes ahead of queued screens and spectra, and is
// left out (returning 0) once audio before it has waited too long.
int sendStaleFrames(Works* works, const FrameBytes* frames, size_t count);

// The connection thread's side: makes `fd` the connection the senders write
// to, and takes it away again (closing it) so no sender writes to a
// descriptor number that has been reused.
// Attaching starts the connection's writer thread; dropping ends it, after
// letting it write what is queued for up to `drainMs` (a close frame).
// `stream` is how the connection is written (TLS); plain TCP on `fd` when null.
void AttachConnection(Works* works, int fd, std::shared_ptr<platform::Transport> stream = nullptr);
void DropConnection(Works* works, int drainMs = 0);
// Bytes queued for the peer, and whether the writer dropped it.
size_t PeerBacklogBytes(const Works* works);
bool PeerDropped(const Works* works);
