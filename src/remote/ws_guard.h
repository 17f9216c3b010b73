#pragma once
// The passphrase is all that stands between the network and a kilowatt
// amplifier: it is compared in constant time, and an address that keeps
// failing (a wrong passphrase, or a login it never finished) is refused for
// a while.
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
  // Addresses remembered at most. When the table is full the oldest record
  // that refuses nobody makes room, and only then the oldest refusal: a scan
  // from many addresses never lets a guessing one through.
  static constexpr size_t kMaxRecords = 1024;
  // Whether `address` is refused at `nowMs`, and until when.
  bool refused(const std::string& address, int64_t nowMs);
  int64_t refusedUntil(const std::string& address, int64_t nowMs);
  // Counts a failed try (a wrong passphrase, a login that timed out or was
  // dropped); true when this one gets the address refused.
  bool failedTry(const std::string& address, int64_t nowMs, int windowMs, int banMs);
  size_t size();
  void clear();

 private:
  struct Record {
    std::vector<int64_t> wrongAt;
    int64_t refusedUntil = 0;
    int64_t lastSeen = 0;
  };
  void forgetOld(int64_t nowMs);
  void makeRoom(int64_t nowMs);
  std::mutex mutex_;
  std::map<std::string, Record> records_;
};

PeerBans& serverBans();
