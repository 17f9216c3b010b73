#include "load_commands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

namespace sim {
namespace {

constexpr const char* kUsage =
    "usage: load ANT R X | swr ANT VALUE | antenna ANT dipole LENGTH_M | antenna ANT table F:R:X,... "
    "(ANT 1..3, ohm, metres, hertz)";

std::optional<double> number(const std::string& s) {
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<LoadModel> parseLoad(const std::vector<std::string>& w) {
  if (w[0] == "load" && w.size() == 4) {
    auto r = number(w[2]), x = number(w[3]);
    return r && x ? LoadModel::Fixed(*r, *x) : std::nullopt;
  }
  if (w[0] == "swr" && w.size() == 3) {
    auto swr = number(w[2]);
    return swr && *swr >= 1 ? LoadModel::Fixed(50 * *swr, 0) : std::nullopt;
  }
  if (w[0] == "antenna" && w.size() == 4 && w[2] == "dipole") {
    auto length = number(w[3]);
    return length ? LoadModel::Dipole(*length) : std::nullopt;
  }
  if (w[0] == "antenna" && w.size() == 4 && w[2] == "table") {
    auto points = ParseLoadPoints(w[3]);
    return points ? LoadModel::Table(std::move(*points)) : std::nullopt;
  }
  return std::nullopt;
}

const char* modeName(int mode) {
  switch (mode) {
    case kTunerCL: return "CL";
    case kTunerLC: return "LC";
    case kTunerBypass: return "bypass";
    default: return "bypass (no mode bit)";
  }
}

std::string ohms(Impedance z) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.1f%+.1fj ohm", z.real(), z.imag());
  return buf;
}

}  // namespace

std::optional<LoadCommand> ParseLoadCommand(const std::string& line, std::string& error) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  error = kUsage;
  if (words.size() < 3 || words[1].size() != 1 || words[1][0] < '1' || words[1][0] > '3') return std::nullopt;
  auto load = parseLoad(words);
  if (!load) return std::nullopt;
  error.clear();
  return LoadCommand{words[1][0] - '1', std::move(*load)};
}

std::string DescribeTuner(const AmpModel& m) {
  const TunerSetting s = DecodeTuneWord(m.tuneWord);
  const Impedance load = m.loadImpedance(), seen = m.tunerInput();
  char buf[400];
  std::snprintf(buf, sizeof buf,
                "tuner %s: C %d (%.0f pF), L %d (%.2f uH); antenna %d: %s at %.6f MHz: %s, SWR %.2f; "
                "at the tuner input %s, SWR %.2f",
                modeName(s.mode), s.c, CapacitanceF(s.c) * 1e12, s.l, InductanceH(s.l) * 1e6, m.antenna + 1,
                m.antennaLoad[std::clamp(m.antenna, 0, 2)].describe().c_str(), m.rigFreq / 1e6, ohms(load).c_str(),
                SwrOf(load), ohms(seen).c_str(), m.swrSeen());
  return buf;
}

}  // namespace sim
