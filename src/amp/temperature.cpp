#include "amp/temperature.h"

#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string_view>

#include "amp/number_scan.h"
#include "platform/board.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "state/works.h"

float ConversionCelsius_to_Fahrenheit(float x) { return x * 9 / 5 + 32; }

float CalvTensVadcAmp(Works* w, int byte) {
  double k = w->ampVariant == '1' ? 348 : 118;
  return static_cast<float>(byte * 3.3 * k / 255 / 18);
}

namespace {
// The command's lines are read 31 characters at a time.
std::string_view nextLine(std::string_view& text) {
  size_t end = text.find('\n');
  std::string_view line = text.substr(0, end);
  text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
  return line.substr(0, 31);
}
}  // namespace

void ParseCPUTemp(Works* w, const char* output) {
  std::string_view text = output ? output : "";
  if (text.empty()) return;
  NumberScan cpu(nextLine(text));
  w->cpuTemp = toFloat(cpu.decimal());
  // Second line, e.g. "temp=48.1'C": the value sits at characters 5-8.
  std::string_view second = nextLine(text);
  if (second.size() <= 5) return;
  NumberScan gpu(second.substr(5, 4));
  double value = gpu.decimal();
  if (gpu.found()) w->gpuTemp = toFloat(value);
}

void ReadCPUTemp(Works* w) {
  auto out = platform::readProcessorTemperature();
  if (!out) {
    platform::errPrintf("can't run my_temp\n");
    platform::sysLog(platform::kErr, "can't run my_temp");
    // The system restarts the program; skip the static destructors that other
    // threads may still be using.
    std::_Exit(1);
  }
  ParseCPUTemp(w, out->c_str());
}

void ReadDataOra(Works* w) {
  long now = platform::wallSeconds();
  if (now == w->clockSecond) return;
  w->clockSecond = now;
  std::time_t t = now;
  std::tm local{};
  localtime_r(&t, &local);
  std::lock_guard lock(w->clockMutex);
  std::strftime(w->clockText, sizeof w->clockText, "%Y-%m-%d %H:%M:%S", &local);
}

std::string ClockText(Works* w) {
  std::lock_guard lock(w->clockMutex);
  return w->clockText;
}
