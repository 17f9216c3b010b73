#pragma once
// A Yaesu FT-817 at the far end of a CAT line (38 400 baud, two stop bits):
// five-byte commands, four parameter bytes then the opcode. It answers read
// frequency and mode (0x03), read EEPROM (0xBB), read transmit status (0xF7)
// and read receive status (0xE7), and takes set frequency (0x01), set mode
// (0x07) and PTT on and off (0x08, 0x88). It can go silent or answer with
// bytes that are not BCD.
//
// Starting it:
//   sim::Ft817Sim rig;
//   rig.linkSlaveTo(root + "/dev/ttyUSB2");  // the program's CatSerialPort
//   rig.start();
//   rig.setFrequency(7050000);               // the dial, any thread
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "pty_peer.h"

namespace sim {

// FT-817 mode bytes.
enum class Ft817Mode : uint8_t { Lsb = 0x00, Usb = 0x01, Cw = 0x02, CwR = 0x03, Am = 0x04, Fm = 0x08, Dig = 0x0A,
                                 Pkt = 0x0C };

class Ft817Sim : public PtyPeer {
 public:
  Ft817Sim();
  ~Ft817Sim() override { stop(); }

  void setFrequency(uint32_t hz);  // kept to 10 Hz, as the radio does
  void setMode(Ft817Mode mode);
  void setTransmit(bool on);
  void setSilent(bool on);
  void setGarbage(bool on);
  // The next reply comes with one byte of line noise in front of it.
  void addStrayByte();

  uint32_t frequency() const;
  // Opcodes received, in order.
  std::vector<uint8_t> opcodes() const;
  uint64_t frequencyReads() const { return reads_; }
  std::string describe() const;

 protected:
  void onBytes(const uint8_t* data, size_t n) override;

 private:
  void command(const uint8_t cmd[5]);
  std::vector<uint8_t> frequencyReply() const;

  mutable std::mutex mutex_;
  uint32_t hz_ = 14070000;
  uint8_t mode_ = static_cast<uint8_t>(Ft817Mode::Usb);
  bool tx_ = false, silent_ = false, garbage_ = false, stray_ = false;
  std::vector<uint8_t> eeprom_;
  std::vector<uint8_t> opcodes_;
  uint8_t pending_[5] = {};
  size_t filled_ = 0;
  std::atomic<uint64_t> reads_{0};
};

// The companion transceiver's own CAT port, as the program's probe finds it:
// answers "DT;" with "DT001;" and "FA;" with its frequency.
class CompanionCatSim : public PtyPeer {
 public:
  ~CompanionCatSim() override { stop(); }
  void setFrequency(uint32_t hz);
  std::vector<std::string> received() const;
  // CAT text the transceiver sends of its own accord (typed at it).
  void say(const std::string& text) { send(text.data(), text.size()); }

 protected:
  void onBytes(const uint8_t* data, size_t n) override;

 private:
  mutable std::mutex mutex_;
  uint32_t hz_ = 14070000;
  std::string pending_;
  std::vector<std::string> received_;
};

}  // namespace sim
