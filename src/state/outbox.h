#pragma once
// One writer for the files under "/opt/set". The threads that must never wait
// on the card (the amplifier link, the timer, the buttons) hand their writes
// here and go on at once; the writer thread does the remount, the atomic write
// (temporary file, fsync, rename, folder fsync) and the remount back, one
// bracket for every batch of files.
//
// Writes of one file that wait together become one write of the latest
// content (a remote peer's 300 bank changes do not rewrite setup.txt 300
// times); appended lines are never merged away, they reach the file in the
// order they were given. A reader of a file with a write waiting sees what
// that write will leave, so a bank left and entered again before the card
// caught up still loads its latest tables.
//
// Until the program attaches its writer thread, and again once it has
// finished, each request is written by its caller before it returns: start-up,
// the tools and the tests of one subsystem see their files at once.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/board.h"
#include "platform/files.h"

class Outbox {
 public:
  // The whole file becomes `content`. `failure` is the system-log text when it
  // cannot be written (the path's errno follows it); empty for the usual one.
  void replace(const std::string& path, std::string content, std::string failure = {});
  // Adds `line` at the end of the file; a missing file starts with `header`.
  void append(const std::string& path, std::string line, std::string header);
  // Removes the file ("rm" or "rm -f" as `mode` says); `failure` is logged
  // when the command fails.
  void remove(const std::string& path, platform::RemoveMode mode, std::string failure = {});
  // The file as it will be once the writes waiting for it are done.
  platform::FileRead read(const std::string& path);

  // A table that could not be read is never replaced by the defaults that
  // stand in for it: replace() of that path is refused (and logged) until the
  // file reads again or is removed on purpose.
  void refuseWrites(const std::string& path);
  void allowWrites(const std::string& path);

  // Returns when everything requested before the call is on the disk.
  void flush();

  // The program's writer thread: attach() before starting it, run() is its
  // body, finish() makes run() write what is left and return.
  void attach();
  void run();
  void finish();
  // How long the writer lets requests gather before a batch (default 250 ms).
  void setGatherMs(int ms);
  // Once `path` is written, the writer leaves it alone for `ms`: what is asked
  // for meanwhile waits, the latest content winning, and goes in the first
  // batch after. For a file that a burst can rewrite many times a second (the
  // setup file under a peer's bank changes); flush() and finish() do not
  // wait, and without a writer thread the caller still writes at once.
  void setSpacingMs(const std::string& path, int ms);

  struct Counts {
    uint64_t requests = 0;  // replace, append and remove calls taken
    uint64_t writes = 0;    // files written or removed
    uint64_t batches = 0;   // remount brackets
    uint64_t refused = 0;   // replace() of an unreadable table
  };
  Counts counts() const;

 private:
  struct Pending {
    enum class Base { Keep, Replace, Remove };
    Base base = Base::Keep;
    std::string content;  // Replace: the new file
    platform::RemoveMode removeMode = platform::RemoveMode::Force;
    std::string header;   // a missing file starts with it before the appended lines
    std::string tail;     // appended lines, in order
    std::string failure;  // log text of a failed write or removal
    uint64_t baseSerial = 0;
  };
  using Batch = std::map<std::string, Pending>;

  Pending& entry(const std::string& path);  // caller holds mutex_
  void taken(std::unique_lock<std::mutex>& lock);
  // Caller holds mutex_: whether `path` waits for its spacing at `nowMs`,
  // and how long until the first waiting file may go (0: one may go now).
  bool spaced(const std::string& path, int64_t nowMs) const;
  int64_t untilWritable(int64_t nowMs) const;
  // Lets the spacing of a file run out unless something else comes first;
  // false when a new request came, to be gathered before the batch.
  bool waitForSpacing(std::unique_lock<std::mutex>& lock);
  void drainHere(bool everything = true);
  void writeBatch(const Batch& batch);
  void settle(const Batch& batch, uint64_t upTo, bool complete);
  void removeStaleTemporaries();

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  Batch pending_;
  std::set<std::string> refused_;
  uint64_t serial_ = 0;
  uint64_t queued_ = 0;   // requests taken
  uint64_t written_ = 0;  // requests whose batch is done
  bool attached_ = false;
  bool stopping_ = false;
  bool urgent_ = false;
  int gatherMs_ = 250;
  std::map<std::string, int> spacingMs_;
  std::map<std::string, int64_t> lastWriteMs_;  // monotonic, of the spaced files
  Counts counts_;
  // One batch at a time, whoever writes it.
  std::mutex drainMutex_;
};

// The program's one outbox.
Outbox& FileOutbox();
