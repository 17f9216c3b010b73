#include "ui/status_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "amp/errors.h"
#include "amp/temperature.h"
#include "state/works.h"
#include "ui/supply.h"

namespace {

// printf into field [pos, pos + width) of `out`, cut to the width.
template <typename... Args>
void field(char* out, size_t pos, size_t width, const char* fmt, Args... args) {
  char text[64];
  std::snprintf(text, sizeof text, fmt, args...);
  const size_t n = std::min(std::strlen(text), width);
  std::memset(out + pos, ' ', width);
  std::memcpy(out + pos, text, n);
}

char tunerLetter(Works* works) {
  if (works->TUNEenabled & 0x80) return 'N';
  return works->atuBypass ? 'B' : 'T';
}

char modeDigit(int mode) { return mode == 1 ? '1' : mode == 2 ? '2' : '0'; }

// '0' with no error, else the newest error code plus 1 as a raw byte.
char errorByte(Works* works) {
  int codes[kNumErrors];
  const int n = ErrorSnapshot(works, codes);
  return n > 0 ? static_cast<char>(codes[n - 1] + 1) : '0';
}

}  // namespace

void BandNameFor(Works* works, long freq, bool first, char* out, size_t size) {
  if (size == 0) return;
  out[0] = '\0';
  std::lock_guard lock(works->bandMutex);
  const int rows = std::clamp<int>(works->bandRows, 0, kBandRowsMax);
  for (int i = 0; i < rows; ++i) {
    const BandRow& r = works->bandTab[i];
    if (r.start <= freq && freq <= r.stop) {
      std::snprintf(out, size, "%.*s", static_cast<int>(sizeof r.name), r.name);
      if (first) return;
    }
  }
}

void CreaBufferDiStato(Works* works, char* out) {
  char band[16];
  BandNameFor(works, static_cast<int32_t>(works->freq.load()), true, band, sizeof band);
  field(out, 0, 4, "%-4.4s", band[0] ? band : "----");
  out[4] = modeDigit(works->ModeWorkIdx);
  out[5] = static_cast<char>('0' + works->Attenuator);
  out[6] = static_cast<char>('0' + works->antennaIndex);
  out[7] = works->ampBypass ? '1' : '0';
  out[8] = tunerLetter(works);
  out[9] = works->tunerRunning ? '1' : '0';
  field(out, 10, 6, "%06.02f", works->swrValue.load());
  field(out, 16, 6, "%06.2f", works->pwrFwd.load());
  field(out, 22, 6, "%06.02f", works->pwrIn.load());
  field(out, 28, 4, "%04.01f", std::max(works->paTemp1.load(), works->paTemp2.load()));
  field(out, 32, 4, "%4.1f", SupplyVoltage(works));
  field(out, 36, 4, "%04.01f", works->ampCurrentRaw / 4096.0f * 14.05f);
  field(out, 40, 2, "%02d", works->NumBanco.load());
  out[42] = errorByte(works);
  std::memset(out + 43, '0', 8);
  out[51] = ';';
  out[52] = '\0';
}
