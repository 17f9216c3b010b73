#pragma once
// The outbox of amplifier commands: any thread asks for a command, only the
// amplifier link takes them out, one exchange at a time.
//
// It holds requests, not a fixed ring: a setting asked for again before it
// went out is sent once, with its latest value (the value is read when the
// command is formatted, so keeping one entry per setting is enough), and a
// request is never refused. Two lanes: protection commands go out before any
// other pending command, so no flood from a dial, a key or a peer can hold
// them back. Within a lane the order of first request is kept, so an ordered
// sequence (start-up, a tune's start, a frequency road) goes out as asked.
//
// Entries of one batch (one producer's sequence) are never merged with each
// other: a sequence that asks for the same setting twice on purpose (the
// tune's start switches protections on, clears them, then off) keeps every
// step. A request merges only into an entry left by an earlier batch.
//
// The record also keeps, per setting, the command last asked for (wanted) and
// the text the amplifier last acknowledged (confirmed): what the unit has to
// send again after the microcontroller restarts, and what tests and the
// information screen can trust.
#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class AmpCmdPath {
 public:
  AmpCmdPath() { wanted_.fill(-1); }

  static constexpr int kKeys = 48;  // setting keys are 0..kKeys-1
  enum class Lane : uint8_t { Normal = 0, Urgent = 1 };

  struct Taken {
    int code = -1;
    int key = -1;
    Lane lane = Lane::Normal;
  };

  // A new batch number; requests of one batch never merge with each other.
  uint64_t newBatch();
  // Asks for command `code` of setting `key`. An urgent request also removes
  // the setting's normal entries, which would undo it when they went out
  // after it, and goes behind the urgent ones asked for before it. Returns
  // true when the request replaced a pending entry.
  bool request(int code, int key, Lane lane, uint64_t batch);
  // Puts back a command whose sends all failed, first in its lane, unless a
  // newer request for the same setting is already pending (it carries the
  // latest value). Returns true when it was put back.
  bool requeueFailed(const Taken& failed);
  // The next command: urgent ones first.
  std::optional<Taken> take();
  std::optional<Taken> takeUrgent();
  bool empty() const;
  bool urgentPending() const;
  bool pending(int key) const;
  int size() const;
  // Codes in the order they would go out.
  std::vector<int> codes() const;
  void clear();

  // Wanted and confirmed state, by setting.
  void noteWanted(int key, int code);
  int wanted(int key) const;  // -1 when never asked for
  // The command just written; confirmed when its own reply arrives.
  void markSent(int key, const std::string& text);
  // The reply to the command in flight arrived: it counts as applied.
  void confirmInFlight();
  // The command in flight will not be answered (retries exhausted, or a new
  // exchange replaced it).
  void dropInFlight();
  std::string confirmed(int key) const;  // "" until acknowledged
  // Forgets what the amplifier acknowledged (it restarted and lost it).
  void forgetConfirmed();

  // Largest number of entries pending at once since start (for the figures).
  int highWater() const;

 private:
  struct Entry {
    int code;
    int key;
    uint64_t batch;
  };
  std::deque<Entry>& lane(Lane l) { return lanes_[static_cast<int>(l)]; }
  Entry* lastOf(int key);
  bool requestUrgent(int code, int key, uint64_t batch);
  void append(std::deque<Entry>& q, Entry e);
  void removeKey(std::deque<Entry>& lane, int key);

  // Past this many entries in a lane, any request for a setting already
  // pending merges regardless of batch, so the outbox cannot grow without end.
  static constexpr size_t kMergeAlways = 64;

  mutable std::mutex mutex_;
  std::deque<Entry> lanes_[2];
  uint64_t nextBatch_ = 1;
  int highWater_ = 0;
  std::array<int, kKeys> wanted_{};
  std::array<std::string, kKeys> confirmed_{};
  int inFlightKey_ = -1;
  std::string inFlightText_;
};
