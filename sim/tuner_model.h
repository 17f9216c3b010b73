#pragma once
// The amplifier's antenna tuner as hardware: the relay word decoded by the
// tuner's own wiring, the two switched banks, and the L network they form in
// front of the antenna. The simulated amplifier reports the SWR at the
// tuner's input from it, and BestSetting says what the relays could achieve
// at best, so a tune can be scored.
//
// The decoder here is written apart from the program's (src/tune): the far
// end must read the word independently, or a fault in the program's bit
// table would be copied rather than caught.
#include <complex>
#include <cstdint>

namespace sim {

using Impedance = std::complex<double>;

// Mode 1 "CL", 2 "LC"; 0 (no mode bit) and 3 are the bypass relay.
struct TunerSetting {
  int c = 0;
  int l = 0;
  int mode = 3;
};

enum TunerMode : int { kTunerNoMode = 0, kTunerCL = 1, kTunerLC = 2, kTunerBypass = 3 };

// Relay word masks as the tuner board is wired.
inline constexpr uint32_t kWordCMask = 0x0050D554;
inline constexpr uint32_t kWordLMask = 0x002A2AAA;
inline constexpr uint32_t kWordModeMask = 0x00850000;

// Unknown mode combinations drop to bypass: two network relays pulled at
// once must never be read as a network.
TunerSetting DecodeTuneWord(uint32_t word);
// Settings are taken modulo 512; a mode outside 1..3 gives no mode bit.
uint32_t EncodeTuneWord(const TunerSetting& s);

inline constexpr int kTunerSteps = 512;

// The banks. Nine binary-weighted capacitors of 10 pF x 2^n (10 pF to
// 2.56 nF, 5.11 nF in all) and nine binary-weighted coils of 0.05 uH x 2^n
// (0.05 uH to 12.8 uH, 25.55 uH in all). The step sizes are those of the
// usual relay tuners for 1.8-54 MHz: at 1.8 MHz the full banks reach a
// 17 ohm shunt reactance and a 289 ohm series one, enough for the low and
// reactive loads of short antennas on 160 m; at 50 MHz one step is a 3.1 mS
// or 16 ohm jump, which is why a match on 6 m is coarser than on HF.
// With every relay open the board still has 12 pF of wiring and relay
// capacitance across the input, and with every coil shorted 0.04 uH of leads
// in series: the network never reaches zero.
inline constexpr double kCapStepF = 10e-12, kCapStrayF = 12e-12;
inline constexpr double kIndStepH = 0.05e-6, kIndStrayH = 0.04e-6;

// Where the power goes. Coils (air-wound) have Q about 100, so a coil loses
// X/100 in series; capacitors (ceramic transmitting types) Q about 1000.
// Every closed relay contact adds 20 milliohm: one in series with each
// selected capacitor, one across each coil that is shorted out of the chain,
// and the two contacts that switch the network in and out, in series with
// the chain. Constant Q across frequency is a simplification: it keeps the
// losses in proportion to the reactances, which is what decides how much
// a match of a very low or very reactive load costs.
struct TunerLosses {
  double coilQ = 100;
  double capQ = 1000;
  double relayOhm = 0.02;
};
inline constexpr int kModeRelayContacts = 2;

using Admittance = std::complex<double>;

// Farads for capacitance setting 0..511 and henries for inductance setting
// 0..511, the strays included (settings outside 0..511 are taken modulo 512).
double CapacitanceF(int c);
double InductanceH(int l);

// The impedance the amplifier sees at the tuner input, with the coil,
// capacitor and relay losses, at `hz` with `load` on the antenna side.
// Bypass (modes 0 and 3) passes the load straight through.
//
// The network names read from the amplifier towards the antenna, the order
// in which the power meets the parts, as the page shows them:
//   "CL": the capacitor bank shunts the amplifier side, the coils run in
//         series to the antenna. This is the network for loads whose
//         resistance is below 50 ohm: the series coil raises the load, the
//         shunt capacitor across the 50 ohm side turns it into 50 ohm.
//   "LC": the coils in series from the amplifier, the capacitor bank across
//         the antenna. This is the network for loads above 50 ohm: the shunt
//         capacitor across the load brings its resistance down, the coil
//         cancels what reactance is left.
Impedance TunerInputImpedance(const TunerSetting& s, double hz, Impedance load);
Impedance TunerInputImpedance(const TunerSetting& s, double hz, Impedance load, const TunerLosses& losses);

// SWR on a line of `z0` ohms; infinity for total (or more than total, i.e. an
// active or non-finite load) reflection.
double SwrOf(Impedance z, double z0 = 50.0);
// |reflection coefficient|^2: the share of forward power that comes back.
double ReflectedShare(Impedance z, double z0 = 50.0);

struct Optimum {
  TunerSetting setting;
  double swr;
};

// Every setting of both networks (2 x 512 x 512) and bypass; the lowest SWR
// wins, bypass on a tie (fewer relays closed).
Optimum BestSetting(double hz, Impedance load);

}  // namespace sim
