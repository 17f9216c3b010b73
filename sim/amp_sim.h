#pragma once
// The simulated amplifier microcontroller at the far end of the amplifier's
// serial line. It keeps the master side of a pseudo-terminal, answers every
// command in the wire format (two checksum digits, text, ";"), drives the
// status reply from sim::AmpModel and can misbehave on demand.
//
// Starting it:
//   sim::AmpSim amp;                         // opens the pseudo-terminal
//   amp.linkSlaveTo(root + "/dev/ttyAMA0");  // where the program looks for the port
//   amp.start();                             // answers on its own thread
//   amp.setDrive(5); amp.setTransmit(true);  // bench inputs, any thread
//   amp.received();                          // every command seen, time-stamped
//   amp.stop();                              // or let the destructor stop it
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "amp_model.h"
#include "pty.h"

namespace sim {

class AmpSim {
 public:
  // A command as it arrived: milliseconds since start(), its text without the
  // checksum digits, and whether the checksum held.
  struct Received {
    int64_t ms = 0;
    std::string text;
    bool checksumOk = true;
  };

  AmpSim();
  ~AmpSim();
  AmpSim(const AmpSim&) = delete;
  AmpSim& operator=(const AmpSim&) = delete;

  bool ok() const { return pty_.ok(); }
  const std::string& slaveName() const { return pty_.slaveName(); }
  bool linkSlaveTo(const std::string& hostPath) const { return pty_.linkSlaveTo(hostPath); }
  void start();
  void stop();

  // Bench inputs.
  void setDrive(float watts);
  void setTransmit(bool on);
  void setFrequency(uint32_t hz);
  void setAntennaSwr(int antenna, float swr);  // a resistive load of 50 x swr ohm on antenna 0..2
  void setAntennaLoad(int antenna, const LoadModel& load);
  void setAmbient(float celsius);
  void setIdentity(int type, char variant, const std::string& version);
  void setCalibration(float kIn, float kFwd, float kRefl, float kReflCorr = 0);

  // Faults, switchable at any time.
  void setSilent(bool on);       // receives but never answers
  void setGarbage(bool on);      // noise bytes before every reply
  void setBadChecksum(bool on);  // replies with a wrong checksum
  void setReject(bool on);       // answers every command with "XX?;"
  // The next `count` replies leave `ms` late (the program may have given up
  // on them and sent again); a late reply delays the ones behind it.
  void delayReplies(int ms, int count = 1);
  // Every reply goes out in two writes 25 ms apart.
  void setSplit(bool on);
  // The next `count` replies stop half-way: the rest never comes.
  void cutReplies(int count = 1);
  // The next `count` replies each come after a stale copy of the reply
  // before them, as a late answer to an earlier exchange would.
  void staleReplies(int count = 1);
  // The next `count` commands that begin with `prefix` get no answer.
  void ignoreCommands(const std::string& prefix, int count = 1);
  void setHighSwr(bool on);      // status byte 1 bit 1
  void setBandFault(bool on);    // status byte 2 bit 6
  void trip(uint8_t bits);       // latches protection bits (AmpTrip) until "CPFFFF;"
  void resetMicro();             // power-on reset: status byte 2 bit 7
  // Sensor 1 or 2 reports `raw` (up to four digits) whatever its temperature;
  // a negative value returns it to the thermal model.
  void setSensorRaw(int sensor, int raw);

  // What was received; clearing restarts the record (not the clock).
  std::vector<Received> received() const;
  void clearReceived();
  // Texts received, in order, optionally from index `from`.
  std::vector<std::string> texts(size_t from = 0) const;
  // Waits until `done` holds for the record, or `timeoutMs` passes.
  bool waitFor(const std::function<bool(const std::vector<Received>&)>& done, int timeoutMs) const;
  // Also appends "ms text" lines to a file ("" stops).
  void logToFile(const std::string& path);

  // A copy of the model, for tests and the bench's "state" command.
  AmpModel model() const;
  uint64_t repliesSent() const { return replies_; }
  uint64_t badFrames() const { return badFrames_; }

 private:
  void run();
  void onBytes(const char* data, size_t n);
  void onFrame(const std::string& frame);
  void reply(const std::string& text);
  void writeOut(const std::string& bytes);
  void schedule(int64_t dueMs, std::string bytes);
  void flushDue();
  int64_t nowMs() const;

  Pty pty_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  int64_t startMs_ = 0;

  mutable std::mutex mutex_;  // guards the model, the faults and the record
  AmpModel model_;
  bool silent_ = false, garbage_ = false, badChecksum_ = false, reject_ = false, split_ = false;
  int lateMs_ = 0, lateCount_ = 0, cutCount_ = 0, staleCount_ = 0, ignoreCount_ = 0;
  std::string ignorePrefix_;
  std::string lastOut_;  // the last reply as framed
  // Reply bytes due later (late or split replies), in order of their time.
  std::vector<std::pair<int64_t, std::string>> due_;
  std::vector<Received> record_;
  FILE* logFile_ = nullptr;
  std::string pending_;  // bytes of a command not yet ended by ";" (run thread only)
  uint32_t noise_ = 12345;

  std::atomic<uint64_t> replies_{0}, badFrames_{0};
};

}  // namespace sim
