#include "tables/config_table.h"

#include <cmath>
#include <cstring>
#include <mutex>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/number_scan.h"
#include "amp/table_lines.h"
#include "platform/files.h"
#include "platform/log.h"
#include "state/works.h"

using platform::errPrintf;

namespace {

constexpr const char* kConfigPath = "/opt/set/config.txt";

// Coefficients used when there is no table.
constexpr float kDefaultK[4] = {5.156579e-6f, 3.3262754e-6f, 5.5078103e-6f, -0.007f};

// watts = k x reading^2, so k = P / R^2. A zero reading makes the coefficient
// infinite (its threshold then reads 0), whatever the power.
float coefficient(double power, double reading) {
  if (reading == 0) return INFINITY;
  return toFloat(power / (reading * reading));
}

int limitRaw(double value) {
  if (std::isnan(value) || value <= 0) return 0;
  if (value >= 4096) return 4095;
  return static_cast<int>(value);
}

void logRow(const ConfigRow& r) {
  errPrintf(
      "->%u,%u,%02.07f,%02.07f,%02.07f,%02.07f (%02.02f,%02.02f) Soglie: PWIN %02.01f, Corrente: %02.01f, "
      "REFL: %02.01f, FWD: %02.01f\n",
      r.startFreq, r.endFreq, r.kFwd, r.kRefl, r.kIn, r.kReflCorr, r.inPower, r.inReading, r.maxPWIN, r.maxCorrente,
      r.maxREFL, r.maxFWD);
  errPrintf("\ttunepar: %d %d, %d %d, %d %d, %d %d, %d %d, step:%d\n", r.startL[0], r.startC[0], r.startL[1],
            r.startC[1], r.startL[2], r.startC[2], r.startL[3], r.startC[3], r.startL[4], r.startC[4], r.startStep);
}

float kindOf(const ConfigRow& r, int kind) {
  switch (kind) {
    case kKFwd:
      return r.kFwd;
    case kKRefl:
      return r.kRefl;
    case kKIn:
      return r.kIn;
    case kKReflCorr:
      return r.kReflCorr;
    default:
      return 1;
  }
}

// The timer loop and the tuning keys both re-select thresholds.
std::mutex gSelectMutex;

}  // namespace

namespace {

// Counts the numbers a scan found, for the check that a row is whole.
struct CountingScan {
  NumberScan scan;
  int found = 0;
  uint32_t cNotation() { return counted(scan.cNotation()); }
  double decimal() { return counted(scan.decimal()); }
  int32_t integer() { return counted(scan.integer()); }
  template <typename T>
  T counted(T v) {
    found += scan.found() ? 1 : 0;
    return v;
  }
};

constexpr int kRequiredFields = 13;  // start frequency up to the forward-power limit

}  // namespace

ConfigRow ParseConfigLine(std::string_view line) {
  CountingScan scan{NumberScan(line)};
  ConfigRow r;
  r.startFreq = scan.cNotation();
  r.endFreq = scan.cNotation();
  double fwdP = scan.decimal(), fwdR = scan.decimal();
  double reflP = scan.decimal(), reflR = scan.decimal();
  double inP = scan.decimal(), inR = scan.decimal();
  r.kFwd = coefficient(fwdP, fwdR);
  r.kRefl = coefficient(reflP, reflR);
  r.kIn = coefficient(inP, inR);
  r.inPower = toFloat(inP);
  r.inReading = toFloat(inR);
  r.kReflCorr = toFloat(scan.decimal());
  r.maxPWIN = toFloat(scan.decimal());
  r.maxCorrente = toFloat(scan.decimal());
  r.maxREFL = toFloat(scan.decimal());
  r.maxFWD = toFloat(scan.decimal());
  for (int i = 0; i < 5; ++i) {
    r.startL[i] = scan.integer();
    r.startC[i] = scan.integer();
  }
  r.startStep = scan.integer();
  r.usable = scan.found >= kRequiredFields && scan.scan.atEnd();
  return r;
}

std::vector<ConfigRow> ParseConfigText(std::string_view text) {
  std::vector<ConfigRow> rows;
  ForEachTableLine(text, [&](const TableLine& line) {
    if (line.comment()) return;
    if (line.truncated) errPrintf("config.txt line %d too long: the rest is skipped\n", line.number);
    if (NumberScan(line.text).atEnd()) return;  // blank: no row
    rows.push_back(ParseConfigLine(line.text));
    if (!rows.back().usable) errPrintf("config.txt line %d does not read as a band segment: disabled\n", line.number);
  });
  return rows;
}

void ReadConfigFile(Works* w) {
  w->configRows = 0;
  w->configTab.clear();
  platform::FileRead file = platform::readWholeFile(kConfigPath);
  if (file.status == platform::FileRead::Status::Failed) {
    // Read-only for the program, so nothing can overwrite it; but it is no
    // missing file, and the log must say so.
    errPrintf("Config File not READABLE (%s)!!", std::strerror(file.error));
    platform::sysLog(platform::kErr, "can't read %s error %d", kConfigPath, file.error);
    return;
  }
  if (!file.ok()) {
    errPrintf("Config File not FOUND!!");
    platform::sysLog(platform::kErr, "can't open %s", kConfigPath);
    return;
  }
  std::vector<ConfigRow> rows = ParseConfigText(file.bytes);
  errPrintf("N row Config File %d \n", static_cast<int>(rows.size()));
  for (const ConfigRow& r : rows) logRow(r);
  w->configTab = std::move(rows);
  w->configRows = static_cast<int>(w->configTab.size());
}

int ConfigRowFor(const std::vector<ConfigRow>& rows, uint32_t freq) {
  for (size_t i = 0; i + 1 < rows.size(); ++i) {
    if (!rows[i].usable) continue;
    if (int64_t{rows[i].startFreq} <= freq && freq < int64_t{rows[i + 1].startFreq}) return static_cast<int>(i);
  }
  return -1;
}

float SearchK(Works* w, int kind) {
  const std::vector<ConfigRow>& rows = w->configTab;
  if (rows.empty()) return kind >= 0 && kind < 4 ? kDefaultK[kind] : 1.0f;
  // Rows out of order may overlap: the last covering row wins.
  float k = 1;
  uint32_t freq = w->freq;
  for (size_t i = 0; i + 1 < rows.size(); ++i) {
    if (!rows[i].usable) continue;
    if (int64_t{rows[i].startFreq} <= freq && freq < int64_t{rows[i + 1].startFreq}) k = kindOf(rows[i], kind);
  }
  return k;
}

int PowerThresholdRaw(double limit, double k) { return limitRaw(std::sqrt(limit / k)); }

int CurrentThresholdRaw(double amperes) { return limitRaw(amperes * 4096 / 14.05); }

void SearchCambioSoglie_TS(Works* w) {
  std::lock_guard lock(gSelectMutex);
  uint32_t freq = w->freq;
  if (!w->configTab.empty() && freq != 0) {
    errPrintf("Soglia TS (freq %ld):\n", static_cast<long>(freq));
    int i = ConfigRowFor(w->configTab, freq);
    if (i < 0 || i == w->sogliaIdx) return;
    const ConfigRow& r = w->configTab[i];
    w->sogliaPWIN = PowerThresholdRaw(r.maxPWIN, r.kIn);
    w->sogliaCorrente = CurrentThresholdRaw(r.maxCorrente);
    w->sogliaFWD = PowerThresholdRaw(r.maxFWD, r.kFwd);
    w->sogliaREFL = PowerThresholdRaw(r.maxREFL, r.kRefl);
    w->sogliaIdx = i;
    IncPNTIn_CMDLinear(kCmdThresholds, w);
    return;
  }
  if (w->sogliaIdx >= 0) return;
  w->sogliaPWIN = 4095;
  w->sogliaCorrente = 3700;
  w->sogliaFWD = 4095;
  w->sogliaREFL = 1500;
  w->sogliaIdx = 0;
  IncPNTIn_CMDLinear(kCmdThresholds, w);
}
