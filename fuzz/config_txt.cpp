// Fuzz target for the band configuration table parser ("config.txt"): any
// bytes must parse without reading past the text, and every row must yield
// thresholds in the 12-bit range and a segment lookup inside the table.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "tables/config_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<ConfigRow> rows = ParseConfigText(text);
  for (const ConfigRow& r : rows) {
    for (int raw : {PowerThresholdRaw(r.maxPWIN, r.kIn), PowerThresholdRaw(r.maxFWD, r.kFwd),
                    PowerThresholdRaw(r.maxREFL, r.kRefl), CurrentThresholdRaw(r.maxCorrente)}) {
      if (raw < 0 || raw > 4095) std::abort();
    }
  }
  // Look up the start frequency of every row, and the frequency spelled by the
  // first bytes.
  uint32_t probe = 0;
  if (size > 0) std::memcpy(&probe, data, size < sizeof probe ? size : sizeof probe);
  std::vector<uint32_t> freqs = {probe, 0, 0xFFFFFFFFu};
  for (const ConfigRow& r : rows) freqs.push_back(r.startFreq);
  for (uint32_t f : freqs) {
    int i = ConfigRowFor(rows, f);
    if (i < -1 || (i >= 0 && static_cast<size_t>(i) + 1 >= rows.size())) std::abort();
    if (i >= 0 && !(rows[i].startFreq <= f && f < rows[i + 1].startFreq)) std::abort();
    // A row that did not read is never selected.
    if (i >= 0 && !rows[i].usable) std::abort();
  }
  return 0;
}
