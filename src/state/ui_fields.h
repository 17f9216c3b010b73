#pragma once
// Fields of `works` owned by the user interface: timer loop, meters, pages.
#include <atomic>
#include <cstdint>

// Peak hold of one gauge: the hold left (ms), the held value and
// the ticks since the last decay step. The timer thread ages it; the key thread
// may clear it, so each member is atomic.
struct PeakRecord {
  std::atomic<int> holdMs;
  std::atomic<float> value;
  std::atomic<int> decCount;
};

// The pages of the button bar, the values of `menuPage`.
enum LumoPageNo : int {
  kLumoMain = 0,
  kLumoSetupList = 1,
  kLumoValueEdit = 2,
  kLumoTune = 3,
  kLumoManualTune = 4,
  kLumoFailedLink = 5,
  kLumoUtilities = 6,
  kLumoAntennaEdit = 7,
  kLumoSaveTune = 8,
  kLumoBankUtilities = 9,
  kLumoBankCopy = 10,
  kLumoBankReset = 11,
  kLumoFilters = 12,
};

struct UiFields {
  std::atomic<int> pollDelayUs;                  // sleep per timer-loop pass
  std::atomic<int> spanHz;                       // spectrum span
  std::atomic<int> screenPage;                   // 1-3 meter pages, 4-5 spectrum wide / narrow
  std::atomic<int> statusView;                   // overlay bits; nonzero while a status screen covers the display
  std::atomic<int> menuPage;                     // button-bar page shown
  std::atomic<int> menuRow, menuSub, menuRows;   // setup list cursor and size
  std::atomic<int> copyFrom, copyTo, resetBank;  // bank utilities pages
  std::atomic<int> number_ofStep_meter_FWD, number_ofStep_meter_REFL;
  std::atomic<int> number_ofStep_meter_SWR, number_ofStep_meter_PW;

  // Meters: peak records and the needle angles (radians) of the last tick.
  PeakRecord peakFwd, peak2;
  std::atomic<float> fwdAngle, secondAngle, fwdPeakAngle, secondPeakAngle;

  // Screen saver: 1 while shown (the first key clears it).
  std::atomic<int> saverOn;

  // Tune-on-transmit handshake with the external IO link.
  std::atomic<int> extTx;           // 1 while the external IO link reports transmit
  std::atomic<uint8_t> manualTune;  // manual-tune bits set by the keys; bits 4-5 block antenna changes
  std::atomic<int> tuneHoldoff;     // ticks before an automatic tune may start
  std::atomic<uint8_t> hintFlags;   // bit 0 long press, bit 1 tune not saved, bit 2 remote not started

  // Last frequency read from the FT-817 CAT link (Hz); 0 until one is read.
  std::atomic<int32_t> catSerFreq;

  // Time (ms) gathered toward the next temperature log line; timer thread only.
  double logTempElapsedMs;
};
