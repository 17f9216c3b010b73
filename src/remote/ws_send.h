#pragma once
// The senders other threads call while a peer is connected. Each returns at
// once without one; otherwise it writes its frame whole under the WebSocket
// write mutex, so frames from different threads never mix. A chunked object
// takes the mutex once per chunk, so audio can pass between the chunks of a
// screen image. A peer that stops taking bytes is dropped rather than left to
// hold the mutex (and the timer thread behind it).
//
// Each returns the bytes written, 0 when nothing was sent, -1 on failure.
#include <cstddef>
#include <cstdint>

#include "remote/ws_frame.h"

struct Works;

int sendWebSockStatusFrame(Works* works, const char* data, int length);
// CAT text longer than one short frame goes out as several "CA" frames,
// back to back; the peer writes each to its CAT port in turn.
int sendWebSockCatFrame(Works* works, const char* data, int length);
int sendWebSockSerFrame(Works* works, const char* data, int length);
int sendWebSockSerParFrame(Works* works, const uint8_t* data, int length);
int sendWebSockSerSpectrFrame(Works* works, const uint8_t* data, int length);
int sendWebSockEventFrame(Works* works, int x, int y);
// One chunked object of any tag; what sendWebSockSerSpectrFrame and the
// screen sender use.
int sendChunkedObject(Works* works, const char* tag, const uint8_t* data, size_t length);
// Writes prepared frames whole under the write mutex (the passphrase frame,
// tests that play a peer's part).
int sendFrames(Works* works, const FrameBytes* frames, size_t count);

// The connection thread's side: makes `fd` the connection the senders write
// to, and takes it away again (closing it) so no sender writes to a
// descriptor number that has been reused.
void AttachConnection(Works* works, int fd);
void DropConnection(Works* works);
