#include "remote/ws_guard.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cstring>

#include "remote/ws_timing.h"

namespace {
constexpr size_t kCompareSize = 128;  // longer than any text frame
}  // namespace

WsTimings& wsTimings() {
  static WsTimings timings;
  return timings;
}

bool PassphraseMatches(std::string_view expected, std::string_view received) {
  unsigned char a[kCompareSize] = {}, b[kCompareSize] = {};
  std::memcpy(a, expected.data(), std::min(expected.size(), kCompareSize));
  std::memcpy(b, received.data(), std::min(received.size(), kCompareSize));
  const bool same = CRYPTO_memcmp(a, b, kCompareSize) == 0;
  return same && expected.size() == received.size() && !expected.empty();
}

void PeerBans::forgetOld(int64_t nowMs) {
  const int64_t window = wsTimings().banWindowMs;
  for (auto it = records_.begin(); it != records_.end();) {
    Record& r = it->second;
    std::erase_if(r.wrongAt, [&](int64_t t) { return nowMs - t > window; });
    if (r.wrongAt.empty() && r.refusedUntil <= nowMs)
      it = records_.erase(it);
    else
      ++it;
  }
}

void PeerBans::makeRoom(int64_t nowMs) {
  auto oldest = records_.end(), oldestRefusing = records_.end();
  for (auto it = records_.begin(); it != records_.end(); ++it) {
    auto& pick = it->second.refusedUntil > nowMs ? oldestRefusing : oldest;
    if (pick == records_.end() || it->second.lastSeen < pick->second.lastSeen) pick = it;
  }
  records_.erase(oldest != records_.end() ? oldest : oldestRefusing);
}

bool PeerBans::refused(const std::string& address, int64_t nowMs) { return refusedUntil(address, nowMs) > nowMs; }

int64_t PeerBans::refusedUntil(const std::string& address, int64_t nowMs) {
  std::lock_guard lock(mutex_);
  auto it = records_.find(address);
  return it != records_.end() && it->second.refusedUntil > nowMs ? it->second.refusedUntil : 0;
}

bool PeerBans::failedTry(const std::string& address, int64_t nowMs, int windowMs, int banMs) {
  std::lock_guard lock(mutex_);
  forgetOld(nowMs);
  if (records_.size() >= kMaxRecords && !records_.count(address)) makeRoom(nowMs);
  Record& r = records_[address];
  r.lastSeen = nowMs;
  std::erase_if(r.wrongAt, [&](int64_t t) { return nowMs - t > windowMs; });
  r.wrongAt.push_back(nowMs);
  if (static_cast<int>(r.wrongAt.size()) < kWrongAllowed) return false;
  r.wrongAt.clear();
  r.refusedUntil = nowMs + banMs;
  return true;
}

size_t PeerBans::size() {
  std::lock_guard lock(mutex_);
  return records_.size();
}

void PeerBans::clear() {
  std::lock_guard lock(mutex_);
  records_.clear();
}

PeerBans& serverBans() {
  static PeerBans bans;
  return bans;
}
