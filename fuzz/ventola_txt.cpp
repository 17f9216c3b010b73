// Fuzz target for the fan curve parser ("ventola.txt"): any bytes must parse
// without reading past the text, speeds stay within 0..100 and the lookup only
// returns speeds of the table.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "amp/fan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<FanRow> rows = ParseVentolaText(text);
  for (const FanRow& r : rows)
    if (r.percent < 0 || r.percent > 100) std::abort();
  for (float t : {-1e30f, -10.0f, 0.0f, 25.5f, 45.0f, 80.0f, 1e30f}) {
    int p = FanPercentFor(rows, t);
    if (rows.empty() ? p != -1 : (p < 0 || p > 100)) std::abort();
  }
  for (const FanRow& r : rows) {
    int p = FanPercentFor(rows, r.temperature);
    if (p < 0 || p > 100) std::abort();
  }
  return 0;
}
