#include "platform/log_queue.h"

#include <cstdio>
#include <utility>

namespace platform {

LogQueue::LogQueue(Sink sink) : LogQueue(std::move(sink), Limits{}) {}

LogQueue::LogQueue(Sink sink, Limits limits) : sink_(std::move(sink)), limits_(limits) {}

// One line always fits an empty queue, however long: a single huge line is
// bounded by itself, and dropping it every time would lose it for good.
bool LogQueue::full(size_t more) const {
  if (lines_.empty()) return false;
  return lines_.size() >= limits_.lines || bytes_ + more > limits_.bytes;
}

bool LogQueue::post(Target target, std::string text) {
  std::unique_lock lock(mutex_);
  if (!attached_) {
    // No writer: written here, in the order callers come, as they always were.
    ++counts_.posted;
    ++counts_.written;
    sink_(Line{target, std::move(text)});
    return true;
  }
  if (full(text.size())) {
    ++counts_.dropped;
    return false;
  }
  bytes_ += text.size();
  lines_.push_back(Line{target, std::move(text)});
  ++queuedSerial_;
  ++counts_.posted;
  lock.unlock();
  work_.notify_one();
  return true;
}

void LogQueue::attach() {
  std::lock_guard lock(mutex_);
  attached_ = true;
  stopping_ = false;
}

void LogQueue::finish() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_.notify_one();
}

void LogQueue::hold(bool held) {
  {
    std::lock_guard lock(mutex_);
    held_ = held;
  }
  work_.notify_one();
}

void LogQueue::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // The shut-down writes what is left even past a test's hold: the last
    // lines of a run are the ones that tell why it ended.
    work_.wait(lock, [&] {
      const bool work = !lines_.empty() || counts_.dropped != reported_;
      return (work && !held_) || stopping_;
    });
    if (lines_.empty() && counts_.dropped == reported_) break;  // stopping, nothing left
    std::deque<Line> batch;
    batch.swap(lines_);
    bytes_ = 0;
    const uint64_t upTo = queuedSerial_;
    const uint64_t newlyDropped = counts_.dropped - reported_;
    reported_ = counts_.dropped;
    lock.unlock();
    writeBatch(batch, newlyDropped);
    lock.lock();
    counts_.written += batch.size();
    writtenSerial_ = upTo;
    done_.notify_all();
  }
  attached_ = false;
  done_.notify_all();
}

// The drop notice follows the batch: the lines were lost after those in it,
// when the queue they filled was full. It goes to both the system log and
// standard error, since the lost lines may have been meant for either.
void LogQueue::writeBatch(std::deque<Line>& batch, uint64_t newlyDropped) {
  for (const Line& line : batch) sink_(line);
  if (newlyDropped == 0) return;
  char notice[64];
  std::snprintf(notice, sizeof notice, "log: %llu lines dropped", static_cast<unsigned long long>(newlyDropped));
  sink_(Line{Target::SysErr, notice});
  sink_(Line{Target::StdErr, std::string(notice) + "\n"});
}

void LogQueue::flush() {
  std::unique_lock lock(mutex_);
  const uint64_t target = queuedSerial_;
  done_.wait(lock, [&] { return !attached_ || writtenSerial_ >= target; });
}

LogQueue::Counts LogQueue::counts() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

}  // namespace platform
