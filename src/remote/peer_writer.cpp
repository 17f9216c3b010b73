#include "remote/peer_writer.h"

#include <cerrno>

#include "platform/clock.h"
#include "platform/log.h"
#include "platform/transport.h"
#include "platform/serial.h"
#include "platform/thread_name.h"
#include "state/works.h"

using platform::kErr;

PeerWriter::PeerWriter(std::shared_ptr<platform::Transport> stream, Works* works, Limits limits)
    : stream_(std::move(stream)), works_(works), limits_(limits) {
  thread_ = std::thread([this] { run(); });
}

PeerWriter::~PeerWriter() { stop(); }

bool PeerWriter::behind(int64_t nowMs) const {
  if (bytes_ > limits_.staleBacklog) return true;
  return !queue_.empty() && nowMs - queue_.front().queuedAt > limits_.staleAgeMs;
}

void PeerWriter::dropPeer(const char* why) {
  if (dropped_) return;
  dropped_ = true;
  platform::sysLog(kErr, "remote: peer dropped: %s", why);
  // The reader wakes on the shut socket and ends the connection; senders
  // stop at once.
  stream_->shutdown();
  if (works_) works_->wsConnected = 0;
  queue_.clear();
  live_.clear();
  bytes_ = liveBytes_ = 0;
  wake_.notify_all();
  emptied_.notify_all();
}

PeerWriter::Push PeerWriter::push(const FrameBytes* frames, size_t count, Kind kind) {
  size_t size = 0;
  for (size_t i = 0; i < count; ++i) size += frames[i].size();
  const int64_t now = platform::monotonicMs();
  std::lock_guard lock(mutex_);
  if (dropped_ || stop_) return Push::Dropped;
  if (kind == Kind::Live) return pushLive(frames, count, size, now);
  if (kind == Kind::Stale && behind(now)) {
    counts_.framesSkipped += count;
    return Push::Skipped;
  }
  if (bytes_ + size > limits_.queueMax) {
    dropPeer("it does not take its frames");
    return Push::Dropped;
  }
  for (size_t i = 0; i < count; ++i) {
    if (frames[i].empty()) continue;
    queue_.push_back({frames[i], kind, now});
  }
  bytes_ += size;
  wake_.notify_one();
  return Push::Queued;
}

// Caller holds mutex_.
PeerWriter::Push PeerWriter::pushLive(const FrameBytes* frames, size_t count, size_t size, int64_t now) {
  const bool late = !live_.empty() && now - live_.front().queuedAt > limits_.staleAgeMs;
  if (late || liveBytes_ + size > limits_.staleBacklog) {
    counts_.framesSkipped += count;
    return Push::Skipped;
  }
  for (size_t i = 0; i < count; ++i)
    if (!frames[i].empty()) live_.push_back({frames[i], Kind::Live, now});
  liveBytes_ += size;
  wake_.notify_one();
  return Push::Queued;
}

void PeerWriter::run() {
  platform::nameThisThread("ws-writer");
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || dropped_ || !queue_.empty() || !live_.empty(); });
    if (stop_ || dropped_) return;
    std::deque<Entry>& from = live_.empty() ? queue_ : live_;
    Entry e = std::move(from.front());
    from.pop_front();
    (e.kind == Kind::Live ? liveBytes_ : bytes_) -= e.bytes.size();
    writing_ = true;
    // Audio that waited here too long is worth less than the gap it leaves;
    // a picture once begun goes whole.
    const bool late = e.kind == Kind::Live && platform::monotonicMs() - e.queuedAt > limits_.staleAgeMs;
    lock.unlock();
    const bool ok = late || stream_->sendAllWithin(e.bytes.data(), e.bytes.size(), limits_.blockMs);
    const int error = errno;
    lock.lock();
    writing_ = false;
    if (late) {
      ++counts_.framesSkipped;
    } else if (ok) {
      ++counts_.framesSent;
      counts_.bytesSent += e.bytes.size();
    } else if (!stop_) {
      const std::string why = error == ETIMEDOUT ? "a write stayed blocked" : platform::errorText(error);
      dropPeer(why.c_str());
    }
    if (queue_.empty() && live_.empty()) emptied_.notify_all();
  }
}

void PeerWriter::drain(int ms) {
  std::unique_lock lock(mutex_);
  emptied_.wait_for(lock, std::chrono::milliseconds(ms),
                    [&] { return dropped_ || stop_ || (queue_.empty() && live_.empty() && !writing_); });
}

void PeerWriter::stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    queue_.clear();
    live_.clear();
    bytes_ = liveBytes_ = 0;
  }
  wake_.notify_all();
  emptied_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool PeerWriter::dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

size_t PeerWriter::queuedBytes() const {
  std::lock_guard lock(mutex_);
  return bytes_ + liveBytes_;
}

PeerWriter::Counts PeerWriter::counts() const {
  std::lock_guard lock(mutex_);
  return counts_;
}
