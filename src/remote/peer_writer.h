#pragma once
// The writing side of one connection. Senders run on threads that must never
// wait on a peer (the timer, the amplifier link, the buttons): they only put
// frames on this queue, and the connection's own writer thread takes them to
// the socket. A peer that stops draining is dropped, not waited on: a write
// that stays blocked too long, or a queue that grows past its budget, shuts
// the socket, and the connection's reader then ends the connection.
//
// Frames that lose their worth with time are left out while the link is
// behind: screen images and spectra (`Stale`) while much is queued, audio
// (`Live`) once it has waited too long. Audio goes ahead of everything else
// queued, between whole frames, so a screen image on its way never holds it
// up: a slow link hears current audio with gaps, never audio seconds old.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "remote/ws_frame.h"

struct Works;
namespace platform {
class Transport;
}

class PeerWriter {
 public:
  enum class Kind { Keep, Stale, Live };
  enum class Push { Queued, Skipped, Dropped };

  struct Limits {
    int blockMs = 2000;                 // one write may stay blocked this long
    size_t queueMax = 384 * 1024;       // bytes waiting before the peer is dropped
    size_t staleBacklog = 64 * 1024;    // Stale frames are left out above this
    int staleAgeMs = 250;               // ... or when the oldest frame waited this long
  };

  // Starts the writer thread on `stream`. `works` gets wsConnected cleared
  // when the peer is dropped; it may be null in tests.
  PeerWriter(std::shared_ptr<platform::Transport> stream, Works* works, Limits limits);
  ~PeerWriter();
  PeerWriter(const PeerWriter&) = delete;
  PeerWriter& operator=(const PeerWriter&) = delete;

  // Queues `count` frames back to back; they reach the socket together and
  // in order. Never waits on the socket.
  Push push(const FrameBytes* frames, size_t count, Kind kind);
  // Waits up to `ms` for the queue to empty (a close frame before the end).
  void drain(int ms);
  // Ends the thread; frames still queued are discarded.
  void stop();

  bool dropped() const;
  size_t queuedBytes() const;
  struct Counts {
    uint64_t framesSent = 0;
    uint64_t framesSkipped = 0;  // Stale frames left out
    uint64_t bytesSent = 0;
  };
  Counts counts() const;

 private:
  struct Entry {
    FrameBytes bytes;
    Kind kind;
    int64_t queuedAt;
  };
  void run();
  bool behind(int64_t nowMs) const;  // caller holds mutex_
  Push pushLive(const FrameBytes* frames, size_t count, size_t size, int64_t nowMs);
  void dropPeer(const char* why);    // caller holds mutex_

  const std::shared_ptr<platform::Transport> stream_;
  Works* const works_;
  const Limits limits_;
  mutable std::mutex mutex_;
  std::condition_variable wake_, emptied_;
  std::deque<Entry> queue_, live_;
  size_t bytes_ = 0, liveBytes_ = 0;
  bool stop_ = false, dropped_ = false, writing_ = false;
  Counts counts_;
  std::thread thread_;
};
