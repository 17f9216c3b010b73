#pragma once
// What hangs on an antenna output of the simulated amplifier: a fixed
// impedance, a centre-fed wire dipole whose impedance follows the frequency,
// or a measured table of impedances. A value type, copied with the model.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tuner_model.h"

namespace sim {

struct LoadPoint {
  double hz = 0;
  double r = 0;
  double x = 0;
};

class LoadModel {
 public:
  // Each factory refuses what is not a passive load (nullopt): a negative
  // or non-finite resistance, a reactance beyond a megohm, a dipole shorter
  // than 1 m or longer than 500 m, a table without points, with a frequency
  // repeated or outside 1 kHz-1 GHz, or with more than kMaxTablePoints.
  static std::optional<LoadModel> Fixed(double r, double x);
  // A centre-fed dipole of 2 mm wire, `lengthM` from end to end.
  static std::optional<LoadModel> Dipole(double lengthM);
  // Linear interpolation between points (sorted here by frequency); the end
  // points hold beyond the table's range.
  static std::optional<LoadModel> Table(std::vector<LoadPoint> points);
  static constexpr size_t kMaxTablePoints = 1000;

  // 50 ohm, a dummy load.
  LoadModel() = default;

  Impedance at(double hz) const;
  std::string describe() const;
  // The dipole's first (half-wave) resonance, 0 for the other kinds.
  double resonanceHz() const;

 private:
  enum class Kind { kFixed, kDipole, kTable };
  Kind kind_ = Kind::kFixed;
  Impedance fixed_{50, 0};
  double lengthM_ = 0;
  std::vector<LoadPoint> table_;
};

// The points of a table from "F1:R1:X1,F2:R2:X2,..." (hertz, ohm, ohm);
// nullopt for anything else, with no partial result.
std::optional<std::vector<LoadPoint>> ParseLoadPoints(std::string_view text);

// Impedance of a centre-fed dipole of `lengthM` at `hz` (see antenna_model.cpp).
Impedance DipoleImpedance(double lengthM, double hz);

}  // namespace sim
