#include "amp/fan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/number_scan.h"
#include "amp/table_lines.h"
#include "platform/files.h"
#include "platform/log.h"
#include "state/works.h"

using platform::errPrintf;

namespace {

constexpr const char* kVentolaPath = "/opt/set/ventola.txt";

// "FN1%03d;" has room for three digits; a fan runs at 0..100 %.
int limitPercent(double value) {
  if (std::isnan(value) || value < 0) return 0;
  return value > 100 ? 100 : static_cast<int>(value);
}

}  // namespace

std::vector<FanRow> ParseVentolaText(std::string_view text) {
  std::vector<FanRow> rows;
  ForEachTableLine(text, [&](const TableLine& line) {
    if (line.comment()) return;
    NumberScan scan(line.text);
    if (scan.atEnd()) return;  // a blank line is no row
    double t = scan.decimal();
    bool hasT = scan.found() && std::isfinite(t);
    double percent = scan.decimal();
    // A row without both numbers, or with more after them, would drive the
    // fan from a made-up value; the curve goes on without it.
    if (!hasT || !scan.found() || !scan.atEnd()) {
      errPrintf("ventola.txt line %d skipped: no temperature and speed\n", line.number);
      return;
    }
    if (percent < 0 || percent > 100)
      errPrintf("ventola.txt line %d: speed %.0f limited to 0..100\n", line.number, percent);
    if (!rows.empty() && t <= rows.back().temperature)
      errPrintf("ventola.txt line %d: temperature not ascending\n", line.number);
    rows.push_back({toFloat(t), limitPercent(percent)});
  });
  return rows;
}

void ReadVentolaFile(Works* w) {
  w->ventolaTab.clear();
  w->ventolaRows = 0;
  platform::FileRead file = platform::readWholeFile(kVentolaPath);
  if (file.status == platform::FileRead::Status::Failed) {
    errPrintf("Ventola File not READABLE (%s)!!\n", std::strerror(file.error));
    platform::sysLog(platform::kErr, "can't read %s error %d", kVentolaPath, file.error);
    return;
  }
  if (!file.ok()) {
    errPrintf("Ventola File not FOUND!!\n");
    platform::sysLog(platform::kErr, "can't open %s", kVentolaPath);
    return;
  }
  std::vector<FanRow> rows = ParseVentolaText(file.bytes);
  errPrintf("N row Ventola File %d ", static_cast<int>(rows.size()));
  errPrintf("Setup3 \n");
  for (const FanRow& r : rows) errPrintf("->t:%.02f: %d\n", r.temperature, r.percent);
  w->ventolaTab = std::move(rows);
  w->ventolaRows = static_cast<int>(w->ventolaTab.size());
}

int FanPercentFor(const std::vector<FanRow>& rows, float t) {
  if (rows.empty()) return -1;
  for (size_t i = 0; i + 1 < rows.size(); ++i) {
    if (rows[i].temperature <= t && t < rows[i + 1].temperature) return rows[i].percent;
  }
  if (t >= rows.back().temperature) return rows.back().percent;
  return rows.front().percent;
}

float SearchTemperatureFromVentola(Works* w, int percent) {
  for (const FanRow& r : w->ventolaTab)
    if (r.percent == percent) return r.temperature;
  return 0;
}

void searchPercentVentola(Works* w) {
  float t = std::max(w->paTemp1.load(), w->paTemp2.load());
  int percent = FanPercentFor(w->ventolaTab, t);
  if (percent < 0) return;  // no fan table: the amplifier keeps its own setting
  w->fanPercent = percent;
  int sent = w->fanPercentSent;
  if (percent == sent) return;
  float stepStart = SearchTemperatureFromVentola(w, sent);
  if (sent < percent || t < stepStart - w->Isteresi2) {
    w->fanPercentSent = percent;
    RequestProtectionCmd(kCmdFan, w);
    errPrintf("--->1 VENTOLA: %d (%02.02f°C)\n", percent, t);
  }
}
