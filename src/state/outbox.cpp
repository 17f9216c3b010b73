#include "state/outbox.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/clock.h"
#include "platform/log.h"
#include "platform/remount.h"

using platform::FileRead;

namespace {

constexpr const char* kSetFolder = "/opt/set";

std::string withNewline(std::string text) {
  if (!text.empty() && text.back() != '\n') text += '\n';
  return text;
}

void logFailure(const std::string& failure, const std::string& path, int error) {
  if (failure.empty())
    platform::sysLog(platform::kErr, "can't write %s error %d", path.c_str(), error);
  else
    platform::sysLog(platform::kErr, "%s (%s)", failure.c_str(), std::strerror(error));
  platform::errPrintf("can't write %s error %d\n", path.c_str(), error);
}

}  // namespace

Outbox& FileOutbox() {
  static Outbox outbox;
  return outbox;
}

Outbox::Pending& Outbox::entry(const std::string& path) {
  auto [it, fresh] = pending_.try_emplace(path);
  if (fresh) it->second.baseSerial = ++serial_;
  return it->second;
}

// Called with the mutex held after a request was added: wakes the writer, or
// writes at once when there is no writer thread.
void Outbox::taken(std::unique_lock<std::mutex>& lock) {
  ++queued_;
  ++counts_.requests;
  const bool inline_ = !attached_;
  lock.unlock();
  changed_.notify_all();
  if (inline_) drainHere();
}

void Outbox::replace(const std::string& path, std::string content, std::string failure) {
  std::unique_lock lock(mutex_);
  if (refused_.count(path)) {
    ++counts_.refused;
    lock.unlock();
    platform::sysLog(platform::kErr, "%s could not be read at load: not overwritten", path.c_str());
    platform::errPrintf("%s could not be read at load: not overwritten\n", path.c_str());
    return;
  }
  Pending& p = entry(path);
  p.base = Pending::Base::Replace;
  p.content = std::move(content);
  p.tail.clear();
  p.failure = std::move(failure);
  p.baseSerial = ++serial_;
  taken(lock);
}

void Outbox::append(const std::string& path, std::string line, std::string header) {
  std::unique_lock lock(mutex_);
  Pending& p = entry(path);
  if (p.header.empty()) p.header = std::move(header);
  p.tail += line;
  taken(lock);
}

void Outbox::remove(const std::string& path, platform::RemoveMode mode, std::string failure) {
  std::unique_lock lock(mutex_);
  refused_.erase(path);  // removed on purpose: what comes next may be written
  Pending& p = entry(path);
  p.base = Pending::Base::Remove;
  p.removeMode = mode;
  p.content.clear();
  p.tail.clear();
  p.header.clear();
  p.failure = std::move(failure);
  p.baseSerial = ++serial_;
  taken(lock);
}

FileRead Outbox::read(const std::string& path) {
  {
    std::lock_guard lock(mutex_);
    auto it = pending_.find(path);
    if (it != pending_.end()) {
      const Pending& p = it->second;
      if (p.base == Pending::Base::Replace) return {FileRead::Status::Ok, p.content + p.tail, 0};
      if (p.base == Pending::Base::Remove && p.tail.empty()) return {FileRead::Status::Missing, {}, ENOENT};
      if (p.base == Pending::Base::Remove) return {FileRead::Status::Ok, p.header + p.tail, 0};
    }
  }
  // Lines waiting to be appended depend on what the disk holds: let them land.
  bool appending;
  {
    std::lock_guard lock(mutex_);
    appending = pending_.count(path) != 0;
  }
  if (appending) flush();
  return platform::readWholeFile(path);
}

void Outbox::refuseWrites(const std::string& path) {
  std::lock_guard lock(mutex_);
  refused_.insert(path);
}

void Outbox::allowWrites(const std::string& path) {
  std::lock_guard lock(mutex_);
  refused_.erase(path);
}

void Outbox::flush() {
  std::unique_lock lock(mutex_);
  const uint64_t target = queued_;
  if (!attached_) {
    lock.unlock();
    drainHere();
    return;
  }
  urgent_ = true;
  changed_.notify_all();
  changed_.wait(lock, [&] { return written_ >= target || !attached_; });
  if (written_ < target) {  // the writer finished meanwhile
    lock.unlock();
    drainHere();
  }
}

void Outbox::attach() {
  std::lock_guard lock(mutex_);
  attached_ = true;
  stopping_ = false;
}

void Outbox::finish() {
  std::lock_guard lock(mutex_);
  stopping_ = true;
  changed_.notify_all();
}

void Outbox::setGatherMs(int ms) {
  std::lock_guard lock(mutex_);
  gatherMs_ = ms;
}

void Outbox::setSpacingMs(const std::string& path, int ms) {
  std::lock_guard lock(mutex_);
  lastWriteMs_.erase(path);  // the new spacing starts from the next write
  if (ms > 0)
    spacingMs_[path] = ms;
  else
    spacingMs_.erase(path);
}

bool Outbox::spaced(const std::string& path, int64_t nowMs) const {
  auto spacing = spacingMs_.find(path);
  if (spacing == spacingMs_.end()) return false;
  auto last = lastWriteMs_.find(path);
  return last != lastWriteMs_.end() && nowMs - last->second < spacing->second;
}

int64_t Outbox::untilWritable(int64_t nowMs) const {
  int64_t wait = -1;
  for (const auto& [path, p] : pending_) {
    if (!spaced(path, nowMs)) return 0;
    const int64_t left = lastWriteMs_.at(path) + spacingMs_.at(path) - nowMs;
    if (wait < 0 || left < wait) wait = left;
  }
  return wait < 0 ? 0 : wait;
}

bool Outbox::waitForSpacing(std::unique_lock<std::mutex>& lock) {
  if (urgent_ || stopping_) return true;
  const int64_t wait = untilWritable(platform::monotonicMs());
  if (wait <= 0) return true;
  const uint64_t seen = queued_;
  const bool woken = changed_.wait_for(lock, std::chrono::milliseconds(wait),
                                       [&] { return urgent_ || stopping_ || queued_ != seen; });
  return !woken || urgent_ || stopping_;
}

Outbox::Counts Outbox::counts() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

void Outbox::run() {
  removeStaleTemporaries();
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return !pending_.empty() || stopping_; });
    if (pending_.empty()) break;  // stopping, and nothing is left
    // Let the requests of a burst (a dial spun, a key held) gather into one
    // batch; a flush or the shut-down does not wait.
    const auto gather = std::chrono::milliseconds(gatherMs_);
    changed_.wait_for(lock, gather, [&] { return urgent_ || stopping_; });
    // Files written a moment ago wait out their spacing; a new request
    // meanwhile is gathered first, and the batch leaves the waiting ones.
    if (!waitForSpacing(lock)) continue;
    const bool everything = urgent_ || stopping_;
    urgent_ = false;
    lock.unlock();
    drainHere(everything);
    lock.lock();
  }
  attached_ = false;
  changed_.notify_all();
}

void Outbox::drainHere(bool everything) {
  std::lock_guard drain(drainMutex_);
  Batch batch;
  uint64_t upTo;
  bool complete;
  {
    std::lock_guard lock(mutex_);
    if (pending_.empty()) {
      written_ = queued_;
      return;
    }
    const int64_t now = platform::monotonicMs();
    for (const auto& [path, p] : pending_)
      if (everything || !spaced(path, now)) batch.emplace(path, p);
    if (batch.empty()) return;
    for (const auto& [path, p] : batch)
      if (spacingMs_.count(path)) lastWriteMs_[path] = now;
    complete = batch.size() == pending_.size();
    upTo = queued_;
    ++counts_.batches;
  }
  writeBatch(batch);
  settle(batch, upTo, complete);
}

void Outbox::writeBatch(const Batch& batch) {
  if (!RemountSetRW()) {
    // Logged by the remount; the files keep their old contents, as they did
    // when each writer remounted for itself.
    platform::errPrintf("can't mount rw /opt/set/ error %d\n", errno);
    return;
  }
  uint64_t writes = 0;
  for (const auto& [path, p] : batch) {
    std::string content;
    if (p.base == Pending::Base::Remove) {
      ++writes;
      if (platform::removeFile(path, p.removeMode) != 0 && !p.failure.empty())
        platform::sysLog(platform::kErr, "%s", p.failure.c_str());
      if (p.tail.empty()) continue;
      content = p.header + p.tail;
    } else if (p.base == Pending::Base::Replace) {
      content = p.content + p.tail;
    } else {
      FileRead old = platform::readWholeFile(path);
      if (old.status == FileRead::Status::Failed) {
        // An unreadable log is left as it is rather than started again.
        logFailure(p.failure, path, old.error);
        continue;
      }
      content = (old.ok() ? withNewline(std::move(old.bytes)) : p.header) + p.tail;
    }
    ++writes;
    if (!platform::writeFileAtomic(path, content)) logFailure(p.failure, path, errno);
  }
  // Read-only again even after a failed write: the partition must not stay
  // writable where a power loss could damage it.
  if (!RemountSetRO()) platform::errPrintf("can't mount ro /opt/set/ error %d\n", errno);
  std::lock_guard lock(mutex_);
  counts_.writes += writes;
}

// What was written leaves the queue; what came in meanwhile stays. Lines
// appended after the batch was taken keep their place behind the written ones.
void Outbox::settle(const Batch& batch, uint64_t upTo, bool complete) {
  {
    std::lock_guard lock(mutex_);
    for (const auto& [path, done] : batch) {
      auto it = pending_.find(path);
      if (it == pending_.end()) continue;
      Pending& now = it->second;
      if (now.baseSerial != done.baseSerial) continue;  // replaced or removed again since
      now.tail.erase(0, done.tail.size());
      if (now.tail.empty()) {
        pending_.erase(it);
      } else {
        now.base = Pending::Base::Keep;
        now.content.clear();
      }
    }
    // A batch that left a file waiting has not written everything up to
    // `upTo`: a flush waiting for it needs the batch that takes the rest.
    if (complete) written_ = std::max(written_, upTo);
  }
  changed_.notify_all();
}

void Outbox::removeStaleTemporaries() {
  std::vector<std::string> stale = platform::staleTemporaries(kSetFolder);
  if (stale.empty()) return;
  if (!RemountSetRW()) return;
  for (const std::string& path : stale) {
    platform::errPrintf("removing %s, left by a write cut short\n", path.c_str());
    platform::removeFile(path, platform::RemoveMode::Force);
  }
  RemountSetRO();
}
