#pragma once
// The companion transceiver at the far end of the external IO port. It sends
// a parameter message (frequency, VFO, mode, transmit, antenna, offsets)
// every 100 ms and at once when its dial turns, and a 1024-point spectrum
// every 200 ms; it takes the program's "RX;" and "TU120;TX2;" (the tune
// carrier goes on with TX2 and off with RX). It can go silent, or send only
// malformed blocks.
//
// Starting it:
//   sim::CompanionSim rig;
//   rig.linkSlaveTo(root + "/dev/ttyUSB1");  // the program's SerPort
//   rig.start();
//   rig.setFrequency(7050000);               // any thread
//   rig.commands();                          // what the program sent
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "pty_peer.h"

namespace sim {

// Modes as the companion transceiver numbers them; the spectrum window moves
// with the CW offset in CW (4) and CW reverse (6).
enum class CompanionMode : int { Lsb = 1, Usb = 2, Am = 3, Cw = 4, Fm = 5, CwR = 6, Dig = 7 };

// The bytes of messages the companion sends, for tests that write their own.
std::string CompanionMessage(int type, char flag, const std::string& payload);
std::string CompanionParamBlock(uint32_t hz, bool tx, int mode, int antenna, int offsetA, int offsetB,
                                bool vfoB = false);

class CompanionSim : public PtyPeer {
 public:
  ~CompanionSim() override { stop(); }

  void setFrequency(uint32_t hz);
  void setTransmit(bool on);
  void setMode(CompanionMode mode);
  void setVfoB(bool on);
  void setAntenna(int antenna);  // 0 none, 1..3
  void setOffsets(int offsetA, int offsetB);
  // The spectrum it sends (1024 bytes, dB + 192); empty for its own picture.
  void setSpectrum(std::vector<uint8_t> points);
  void setSilent(bool on);
  void setGarbage(bool on);
  // Message intervals in milliseconds; 0 stops that kind.
  void setIntervals(int parametersMs, int spectrumMs);

  uint32_t frequency() const;
  bool transmitting() const;
  // Commands the program sent, each up to its ';'.
  std::vector<std::string> commands() const;
  uint64_t parameterMessages() const { return params_; }
  uint64_t spectrumMessages() const { return spectra_; }
  // Milliseconds (since start) at which the last parameter message carrying
  // a new frequency went out.
  int64_t lastDialMs() const;
  std::string describe() const;

 protected:
  void onBytes(const uint8_t* data, size_t n) override;
  void onTick(int64_t nowMs) override;

 private:
  std::string parameterMessage() const;
  std::string spectrumMessage();
  std::string garbageMessage();

  mutable std::mutex mutex_;
  uint32_t hz_ = 14070000;
  bool tx_ = false, vfoB_ = false, silent_ = false, garbage_ = false, dialMoved_ = true;
  int mode_ = static_cast<int>(CompanionMode::Usb), antenna_ = 0, offsetA_ = 0, offsetB_ = 0;
  int paramsEveryMs_ = 100, spectrumEveryMs_ = 200;
  int64_t nextParamsMs_ = 0, nextSpectrumMs_ = 0, lastDialMs_ = -1;
  std::vector<uint8_t> spectrum_;
  std::vector<std::string> commands_;
  std::string pending_;
  uint32_t noise_ = 2463534242u;
  std::atomic<uint64_t> params_{0}, spectra_{0};
};

}  // namespace sim
