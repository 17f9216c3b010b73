#pragma once
// The simulated front panel: six buttons and the front-panel microcontroller,
// both on the program's GPIO register file DIR/dev/gpiomem (see
// platform/gpio.h for the file's layout).
//
// Buttons are pressed by clearing their GPLEV0 bit (22..27) and released by
// setting it. The microcontroller watches the clock (GPIO 6) and data (GPIO 4)
// lines the program writes into GPSET0 / GPCLR0, decodes each command byte
// (sim::PanelWire) and, while the program reads, drives GPLEV0 bit 4 with the
// reply: the version byte for a command whose two low bits are 0, and the
// 12 V rail, 15 V rail and amplifier supply readings for 1, 2 and 3 (the
// reading polls 0xD1-0xD3; the other commands get the reading of their slot
// too, so a slot never holds anything but its own value). The reply's top
// four bits carry the slot number, which the program drops.
//
// The program's steps are 200 us long and the file gives no signal of a
// change, so the panel samples the file on its own thread every 40 us or so,
// as a real-time thread where the system allows it (otherwise a busy machine
// can hold it off for milliseconds). It cannot always keep up: a loaded
// machine (or a virtual one whose processor is taken away) now and then stops
// it for a millisecond or more. Such an exchange is logged as garbled: when
// the count of clock edges is wrong (a whole clock phase went by unseen), or
// when a sample and the answer to it were more than 150 us apart (a reply bit
// may have come too late). Exchanges that pass both checks carried the code
// and the reply intact. The program repeats the reading polls every few
// tenths of a second, so a garbled reading is soon replaced.
//
// Starting it:
//   sim::FrontPanel panel(root);        // maps (creates) root/dev/gpiomem
//   panel.start();                      // follows the exchange on its own thread
//   panel.hold(3, 1.0);                 // button 3 down for a second
//   panel.setReading(1, 141);           // the 12 V rail reading
//   panel.commands();                   // every command code received
//   panel.stop();                       // or let the destructor stop it
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "panel_wire.h"
#include "platform/gpio.h"

namespace sim {

// Rails of the front-panel readings, by reply slot.
enum class Rail { V12 = 1, V15 = 2, Supply = 3 };

// The reading that the program's CalvTensVadcAmp turns back into `volts` for
// an amplifier of `variant` ('1' the 120 W model, else the 60 W one).
uint8_t RailReading(double volts, char variant);

class FrontPanel {
 public:
  struct Command {
    int64_t startUs = 0;  // monotonic, at the first clock edge seen
    uint8_t code = 0;
    uint16_t reply = 0;
    bool garbled = false;
    int64_t maxGapUs = 0;  // the longest stretch between two samples during it
  };

  explicit FrontPanel(const std::string& root);
  ~FrontPanel();
  FrontPanel(const FrontPanel&) = delete;
  FrontPanel& operator=(const FrontPanel&) = delete;

  bool ok() const { return gpio_ != nullptr; }
  const std::string& error() const { return error_; }
  void start();
  void stop();

  // Buttons 1..6.
  void press(int button);
  void release(int button);
  // Presses now and releases after `seconds`, on the panel's thread.
  void hold(int button, double seconds);
  bool pressed(int button) const;

  // The microcontroller's answers.
  void setVersion(uint8_t version);
  void setReading(Rail rail, uint8_t reading);
  uint8_t version() const { return version_; }
  uint8_t reading(Rail rail) const { return readings_[static_cast<int>(rail)]; }

  // The lines the program drives (GPIO number), as last seen.
  bool outputHigh(int gpio) const;

  // Every exchange seen, in order; clearing restarts the record.
  std::vector<Command> commands() const;
  void clearCommands();
  bool waitFor(const std::function<bool(const std::vector<Command>&)>& done, int timeoutMs) const;
  uint64_t exchanges() const { return exchanges_; }
  uint64_t garbled() const { return garbled_; }
  // Whether the sampling thread got real-time priority.
  bool realtime() const { return realtime_; }
  // Also appends "ms code reply [garbled]" lines to a file ("" stops).
  void logToFile(const std::string& path);

 private:
  void run();
  PanelWire::Lines sample();
  uint16_t replyFor(uint8_t code) const;
  void finished(const PanelWire::Exchange& exchange);
  void releaseDueHolds(int64_t nowUs);

  std::string error_;
  std::unique_ptr<platform::GpioBlock> gpio_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<bool> realtime_{false};

  std::atomic<uint8_t> version_{0x21};
  std::atomic<uint8_t> readings_[4] = {};

  // Line levels decoded from GPSET0 / GPCLR0; a pin in both or neither keeps
  // its level (the program writes the two words one after the other).
  uint32_t levels_ = 0;                  // panel thread only
  std::atomic<uint32_t> levelsSeen_{0};  // for outputHigh()

  mutable std::mutex mutex_;  // guards the record, the holds and the log
  std::vector<Command> record_;
  std::vector<std::pair<int, int64_t>> holds_;  // button, release time (us)
  FILE* logFile_ = nullptr;
  int64_t exchangeStartUs_ = 0, maxGapUs_ = 0;  // panel thread only
  bool lateInExchange_ = false;                 // panel thread only
  std::atomic<uint64_t> exchanges_{0}, garbled_{0};
};

}  // namespace sim
