#include "amp_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "thermistor.h"

namespace sim {
namespace {

constexpr float kGain = 10.0f;  // 10 dB
constexpr float kEfficiency = 0.6f;
constexpr float kSupplyV = 48.0f;
constexpr float kIdleA = 0.4f;
constexpr float kMaxDriveW = 15.0f;  // above this the input-power fault shows
constexpr double kThermalTauS = 40.0;

std::string fmt(const char* f, auto... args) {
  char buf[96];
  std::snprintf(buf, sizeof buf, f, args...);
  return buf;
}

bool allDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string blockHex(int block, int type, char variant) {
  std::string hex;
  for (int i = 0; i < 32; ++i) {
    int byte = block == 2 ? (i == 0 ? type : i == 1 ? variant : 0) : (block * 0x40 + i * 7) & 0xFF;
    hex += fmt("%02X", byte);
  }
  return hex;
}

}  // namespace

float AmpModel::outputW() const {
  if (!transmitting) return 0;
  float drive = driveW;
  if (attenuator & 2) drive *= 0.501f;
  if (attenuator & 1) drive *= 0.631f;
  if (bypassed()) return drive;
  // Soft limit towards the rated power.
  float linear = drive * kGain, top = maxOutputW() * 1.1f;
  return top * std::tanh(linear / top);
}

Impedance AmpModel::loadImpedance() const { return antennaLoad[std::clamp(antenna, 0, 2)].at(rigFreq); }

Impedance AmpModel::tunerInput() const {
  return TunerInputImpedance(DecodeTuneWord(tuneWord), rigFreq, loadImpedance());
}

float AmpModel::reflectedW() const {
  return outputW() * static_cast<float>(std::min(1.0, ReflectedShare(tunerInput())));
}

float AmpModel::currentA() const {
  if (bypassed() || !transmitting) return kIdleA;
  return kIdleA + outputW() / (kSupplyV * kEfficiency);
}

int AmpModel::rawReflected() const { return rawFor(reflectedW() - kReflCorr * outputW(), kRefl); }

int AmpModel::rawFor(float watts, float k) const {
  if (watts <= 0 || k <= 0) return 0;
  return std::min(4095, static_cast<int>(std::lround(std::sqrt(watts / k))));
}

void AmpModel::advance(double seconds) {
  float out = outputW();
  double dissipation = bypassed() ? 2.0 : 8.0 + out * (1 / kEfficiency - 1);
  // Thermal resistance to the air falls as the fan speeds up.
  double rth = 0.55 - 0.4 * std::clamp(fanPercent, 0, 100) / 100.0;
  double a = 1 - std::exp(-seconds / kThermalTauS);
  temp1 += (ambientC + dissipation * rth - temp1) * a;
  temp2 += (ambientC + dissipation * rth * 0.8 - temp2) * a;
  if (!transmitting) return;
  int raws[4] = {rawFor(driveW, kIn), rawFor(out, kFwd), rawReflected(), static_cast<int>(currentA() * 4096 / 14.05f)};
  const uint8_t bits[4] = {kTripSensPw, kTripFwd, kTripRefl, kTripCurrent};
  for (int i = 0; i < 4; ++i)
    if (raws[i] > thresholds[i]) trips |= bits[i];
}

std::string AmpModel::statusReply() const {
  float out = outputW();
  int s0 = attenuator << 2;
  // The microcontroller flags a high SWR only while its protections are on:
  // an automatic tune turns them off ("MP0;") to measure bad settings too.
  const bool highSwr = forceHighSwr || (protectionsOn && out > 5 && swrSeen() > 3.0);
  int s1 = (transmitting ? 1 : 0) | (highSwr ? 2 : 0) | (trips ? 4 : 0) | (bypassed() ? 8 : 0);
  bool bandFault = forceBandFault || (transmitting && (rigFreq < 1800000 || rigFreq > 54000000));
  int s2 = trips | (transmitting && driveW > kMaxDriveW ? 0x20 : 0) | (bandFault ? 0x40 : 0) | (microReset ? 0x80 : 0);
  int current = std::min(4095, static_cast<int>(currentA() * 4096 / 14.05f));
  int t1 = forcedRaw[0] >= 0 ? forcedRaw[0] : thermistorRaw(temp1);
  int t2 = forcedRaw[1] >= 0 ? forcedRaw[1] : thermistorRaw(temp2);
  return fmt("ST%X%X%04d%04d%04d%04d%04d%04d%X%X00%04d;", s0, s1, rawFor(transmitting ? driveW : 0, kIn),
             rawFor(out, kFwd), rawReflected(), current, t1, t2, s2 & 0xF, s2 >> 4, rawFor(out * 1.05f, kFwd));
}

void AmpModel::powerOnReset() {
  antenna = 0;
  attenuator = 0;
  bypass = false;
  protectionsOn = false;
  for (int& t : thresholds) t = 4095;
  fanPercent = 0;
  tuneWord = 0;
  setFreq = 0;
  anMode = 0;
  filterMask = 0;
  freqSensor.clear();
  powerSensor.clear();
  gainParams.clear();
  trips = 0;
  microReset = true;
}

std::string AmpModel::handle(std::string_view c) {
  std::string cmd(c);
  std::string_view body = c.substr(0, c.size() - 1);  // without ";"
  auto arg = body.substr(std::min<size_t>(2, body.size()));
  std::string code(body.substr(0, 2));
  auto reject = [&] { return code + "?;"; };
  if (cmd == "ST;") return statusReply();
  if (cmd == "VSM;") return "VSM" + version.substr(0, 7) + ";";
  if (cmd == "FM;") return fmt("FM0%011u;", transmitting ? rigFreq : 0u);
  if (cmd == "MT;") return fmt("MT1%08X;", tuneWord);
  if (cmd == "GS;") return "GS" + gs + ";";
  if (cmd == "MR0;") return fmt("MR%d;", microReset ? 1 : 0);
  if (cmd == "MR1;") {
    powerOnReset();
    return "";  // restarts into the boot loader: no reply
  }
  if (cmd == "CPFFFF;") {
    trips = 0;
    microReset = false;
    return cmd;
  }
  if (cmd.size() == 7 && body.substr(0, 5) == "ER000" && body[5] >= '0' && body[5] <= '2')
    return cmd.substr(0, 6) + blockHex(body[5] - '0', type, variant) + ";";
  if (code == "SA" && arg.size() == 1 && arg[0] >= '1' && arg[0] <= '3')
    antenna = arg[0] - '1';
  else if (code == "FA" && arg.size() == 11 && allDigits(arg))
    setFreq = std::strtoul(std::string(arg).c_str(), nullptr, 10);
  else if (code == "MT" && arg.size() == 9 && arg[0] == '1')
    tuneWord = std::strtoul(std::string(arg.substr(1)).c_str(), nullptr, 16);
  else if (code == "FS" && arg.size() == 5 && allDigits(arg))
    freqSensor = std::string(arg);
  else if (code == "AT" && arg.size() == 2 && (arg[0] == '0' || arg[0] == '1') && (arg[1] == '0' || arg[1] == '1'))
    attenuator = (arg[0] - '0') * 2 + (arg[1] - '0');
  else if (code == "MP" && (arg == "0" || arg == "1"))
    protectionsOn = arg == "1";
  else if (code == "AB" && (arg == "0" || arg == "1"))
    bypass = arg == "1";
  else if (code == "AN" && arg.size() == 1 && allDigits(arg))
    anMode = arg[0] - '0';
  else if (code == "TS" && arg.size() == 16 && allDigits(arg)) {
    for (int i = 0; i < 4; ++i) thresholds[i] = std::atoi(std::string(arg.substr(4 * i, 4)).c_str());
  } else if (code == "FN" && arg.size() == 4 && arg[0] == '1' && allDigits(arg))
    fanPercent = std::atoi(std::string(arg.substr(1)).c_str());
  else if (code == "PS" && arg.size() == 16 && allDigits(arg))
    powerSensor = std::string(arg);
  else if (code == "SF" && arg.size() == 7 && arg.substr(0, 5) == "30000")
    filterMask = static_cast<int>(std::strtol(std::string(arg.substr(5)).c_str(), nullptr, 16));
  else if (code == "GM" && arg.size() == 8 && allDigits(arg))
    gainParams = std::string(arg);
  else if (code == "GS" && arg.size() == 10)
    gs = std::string(arg);
  else
    return reject();
  return cmd;
}

}  // namespace sim
