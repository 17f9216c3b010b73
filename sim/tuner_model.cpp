#include "tuner_model.h"

#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>

namespace sim {
namespace {

// Word bit for each setting bit 0..8, as the relay drivers are wired.
constexpr std::array<int, 9> kCWordBit = {15, 2, 4, 6, 14, 12, 10, 8, 20};
constexpr std::array<int, 9> kLWordBit = {1, 3, 5, 7, 13, 11, 9, 19, 21};
constexpr uint32_t kBitCL = 1u << 23, kBitLC = 1u << 18, kBitBypass = 1u << 16;

constexpr double kMinHz = 1e3;  // keeps the reactances finite for a nonsense frequency

int gather(uint32_t word, const std::array<int, 9>& bits) {
  int value = 0;
  for (size_t i = 0; i < bits.size(); ++i)
    if (word & (1u << bits[i])) value |= 1 << i;
  return value;
}

uint32_t scatter(int value, const std::array<int, 9>& bits) {
  uint32_t word = 0;
  for (size_t i = 0; i < bits.size(); ++i)
    if (value & (1 << i)) word |= 1u << bits[i];
  return word;
}

int setting(int v) { return ((v % kTunerSteps) + kTunerSteps) % kTunerSteps; }

double omegaOf(double hz) { return 2 * std::numbers::pi * (hz >= kMinHz ? hz : kMinHz); }

Impedance safeInverse(Impedance z) {
  // A dead short across a branch: an admittance large enough to swamp any
  // other in parallel, without dividing by zero.
  if (z == Impedance(0, 0)) return {1e300, 0};
  return 1.0 / z;
}

// The per-frequency parts of one setting: the series chain of coils and the
// shunt bank of capacitors, with their losses.
Impedance seriesChain(int l, double w, const TunerLosses& k) {
  l = setting(l);
  const double henries = InductanceH(l);
  const int shorted = 9 - std::popcount(static_cast<unsigned>(l));
  return {w * henries / k.coilQ + k.relayOhm * (shorted + kModeRelayContacts), w * henries};
}

Admittance shuntBank(int c, double w, const TunerLosses& k) {
  c = setting(c);
  Admittance y(0, w * kCapStrayF);
  for (int i = 0; i < 9; ++i) {
    if (!(c & (1 << i))) continue;
    const double farads = kCapStepF * (1 << i);
    const double xc = 1 / (w * farads);
    y += 1.0 / Impedance(k.relayOhm + xc / k.capQ, -xc);
  }
  return y;
}

Impedance networkInput(int mode, Impedance zl, Admittance yc, Impedance load) {
  if (mode == kTunerCL) return safeInverse(yc + safeInverse(zl + load));
  return zl + safeInverse(yc + safeInverse(load));
}

}  // namespace

TunerSetting DecodeTuneWord(uint32_t word) {
  TunerSetting s;
  s.c = gather(word, kCWordBit);
  s.l = gather(word, kLWordBit);
  switch (word & kWordModeMask) {
    case kBitCL: s.mode = kTunerCL; break;
    case kBitLC: s.mode = kTunerLC; break;
    case kBitBypass: s.mode = kTunerBypass; break;
    default: s.mode = kTunerNoMode; break;
  }
  return s;
}

uint32_t EncodeTuneWord(const TunerSetting& s) {
  uint32_t word = scatter(setting(s.c), kCWordBit) | scatter(setting(s.l), kLWordBit);
  if (s.mode == kTunerCL) word |= kBitCL;
  if (s.mode == kTunerLC) word |= kBitLC;
  if (s.mode == kTunerBypass) word |= kBitBypass;
  return word;
}

double CapacitanceF(int c) { return kCapStrayF + kCapStepF * setting(c); }
double InductanceH(int l) { return kIndStrayH + kIndStepH * setting(l); }

Impedance TunerInputImpedance(const TunerSetting& s, double hz, Impedance load, const TunerLosses& losses) {
  if (s.mode != kTunerCL && s.mode != kTunerLC) return load;
  const double w = omegaOf(hz);
  return networkInput(s.mode, seriesChain(s.l, w, losses), shuntBank(s.c, w, losses), load);
}

Impedance TunerInputImpedance(const TunerSetting& s, double hz, Impedance load) {
  return TunerInputImpedance(s, hz, load, TunerLosses{});
}

double ReflectedShare(Impedance z, double z0) {
  if (!std::isfinite(z.real()) || !std::isfinite(z.imag())) return 1;  // an open end reflects everything
  const double num = std::norm(z - z0), den = std::norm(z + z0);
  if (!(den > 0)) return 1;
  return num / den;
}

double SwrOf(Impedance z, double z0) {
  const double share = ReflectedShare(z, z0);
  if (!(share < 1)) return std::numeric_limits<double>::infinity();
  const double g = std::sqrt(share);
  return (1 + g) / (1 - g);
}

Optimum BestSetting(double hz, Impedance load) {
  const double w = omegaOf(hz);
  const TunerLosses losses;
  // Each setting's chain and bank once per call; the search below only adds
  // and inverts. Split into real and imaginary arrays so the inner loop
  // vectorises.
  std::array<double, kTunerSteps> zlR, zlX, ycG, ycB;
  for (int i = 0; i < kTunerSteps; ++i) {
    const Impedance zl = seriesChain(i, w, losses);
    const Admittance yc = shuntBank(i, w, losses);
    zlR[i] = zl.real(), zlX[i] = zl.imag(), ycG[i] = yc.real(), ycB[i] = yc.imag();
  }
  TunerSetting best{0, 0, kTunerBypass};
  double bestShare = ReflectedShare(load);

  // "CL": admittance of (chain + load) for each L, the bank added in parallel.
  const double y0 = 1 / 50.0;
  for (int l = 0; l < kTunerSteps; ++l) {
    const Admittance y1 = safeInverse(Impedance(zlR[l], zlX[l]) + load);
    for (int c = 0; c < kTunerSteps; ++c) {
      const double g = ycG[c] + y1.real(), b = ycB[c] + y1.imag();
      const double share = ((y0 - g) * (y0 - g) + b * b) / ((y0 + g) * (y0 + g) + b * b);
      if (share < bestShare) bestShare = share, best = {c, l, kTunerCL};
    }
  }
  // "LC": impedance of (bank parallel load) for each C, the chain added in series.
  const double z0 = 50.0;
  const Admittance yLoad = safeInverse(load);
  for (int c = 0; c < kTunerSteps; ++c) {
    const Impedance zp = safeInverse(Admittance(ycG[c], ycB[c]) + yLoad);
    for (int l = 0; l < kTunerSteps; ++l) {
      const double r = zlR[l] + zp.real(), x = zlX[l] + zp.imag();
      const double share = ((r - z0) * (r - z0) + x * x) / ((r + z0) * (r + z0) + x * x);
      if (share < bestShare) bestShare = share, best = {c, l, kTunerLC};
    }
  }
  return {best, SwrOf(TunerInputImpedance(best, hz, load))};
}

}  // namespace sim
