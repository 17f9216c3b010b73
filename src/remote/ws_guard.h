#pragma once
// The passphrase is all that stands between the network and a kilowatt
// amplifier: it is compared in constant time, and an address that keeps
// guessing is refused for a while.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// True when `received` equals `expected`; the time taken does not depend on
// where they first differ.
bool PassphraseMatches(std::string_view expected, std::string_view received);

class PeerBans {
 public:
  static constexpr int kWrongAllowed = 5;
  // Whether `address` is refused at `nowMs`.
  bool refused(const std::string& address, int64_t nowMs);
  // Counts a wrong passphrase; true when this one gets the address refused.
  bool wrongPassphrase(const std::string& address, int64_t nowMs, int windowMs, int banMs);
  void clear();

 private:
  struct Record {
    std::vector<int64_t> wrongAt;
    int64_t refusedUntil = 0;
  };
  void forgetOld(int64_t nowMs);
  std::mutex mutex_;
  std::map<std::string, Record> records_;
};

PeerBans& serverBans();
