#pragma once
// The amplifier behind the microcontroller: what each command changes, what
// each reply reports, and a small physical model for the status reply (power
// chain, the tuner in front of each antenna's load, supply current, heat-sink
// temperatures and the protection trips). Plain state without locking;
// sim::AmpSim guards it.
#include <cstdint>
#include <string>
#include <string_view>

#include "antenna_model.h"
#include "tuner_model.h"

namespace sim {

// Status byte 2 protection bits, as the microcontroller reports them.
enum AmpTrip : uint8_t { kTripCurrent = 1, kTripRefl = 2, kTripFwd = 4, kTripSensPw = 8, kTripFilterTx = 16 };

struct AmpModel {
  // What the bench sets.
  float driveW = 0;  // drive power from the transceiver
  bool transmitting = false;
  uint32_t rigFreq = 14070000;  // frequency the transceiver sends on
  // What hangs on each output (resistive loads of SWR 1.3, 1.8 and 2.5 until
  // the bench sets others).
  LoadModel antennaLoad[3] = {*LoadModel::Fixed(65, 0), *LoadModel::Fixed(90, 0), *LoadModel::Fixed(125, 0)};
  float ambientC = 25;

  // Identity.
  int type = 1;
  char variant = '0';  // '1' = the 120 W amplifier
  std::string version = "V1.05.3";

  // Detector calibration the status readings are encoded with: watts = k x raw^2.
  // The program adds kReflCorr x forward to its reflected reading, so the
  // reflected reading is encoded net of that correction.
  float kIn = 4.0e-6f, kFwd = 1.0e-5f, kRefl = 1.0e-5f, kReflCorr = 0;

  // Commanded state.
  int antenna = 0;                               // 0-based
  int attenuator = 0;                            // bit 1: 3 dB pad, bit 0: 2 dB pad
  bool bypass = false;                           // "AB1;"
  bool protectionsOn = false;                    // "MP1;"
  int thresholds[4] = {4095, 4095, 4095, 4095};  // PWIN, FWD, REFL, current (raw)
  int fanPercent = 0;
  uint32_t tuneWord = 0;
  uint32_t setFreq = 0;  // from "FA"
  int anMode = 0;
  int filterMask = 0;
  // Frequency counter set-up ("FS"), power sensor ("PS") and generic-mode
  // ("GM") parameters as last set, "" until then.
  std::string freqSensor, powerSensor, gainParams;
  // General settings live in the microcontroller's non-volatile memory: a
  // restart keeps them. Everything above them is lost.
  std::string gs = "0000000000";

  // Latched and forced conditions.
  uint8_t trips = 0;        // latched protection bits, cleared by "CPFFFF;"
  bool microReset = false;  // status byte 2 bit 7 until "CPFFFF;"
  bool forceHighSwr = false;
  bool forceBandFault = false;

  // Heat-sink temperatures, degrees C.
  double temp1 = 25, temp2 = 25;
  // Raw sensor readings reported in place of the thermal model's (-1 = none):
  // a damaged sensor, a broken wire or a reading beyond the converter's range.
  int forcedRaw[2] = {-1, -1};

  // The reply to one command text (without checksum), "" for none.
  std::string handle(std::string_view cmd);
  // Advances the thermal model by `seconds` and latches any threshold trip.
  void advance(double seconds);
  // The "ST" reply for the present state.
  std::string statusReply() const;
  // Power-on state after a microcontroller reset (identity, general settings
  // and bench inputs kept).
  void powerOnReset();

  // Derived readings.
  float outputW() const;
  float reflectedW() const;
  // The selected antenna's load at the transceiver frequency, and what the
  // amplifier sees through the tuner as its relays stand.
  Impedance loadImpedance() const;
  Impedance tunerInput() const;
  double swrSeen() const { return SwrOf(tunerInput()); }
  int rawReflected() const;
  float currentA() const;
  int rawFor(float watts, float k) const;
  float maxOutputW() const { return variant == '1' ? 120.0f : 60.0f; }
  bool bypassed() const { return bypass || trips != 0; }
};

}  // namespace sim
