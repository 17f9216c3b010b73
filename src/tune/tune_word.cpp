#include "tune/tune_word.h"

#include <cstring>
#include <mutex>

#include "platform/clock.h"
#include "platform/log.h"
#include "state/works.h"

char ModeTuneDebug[6];

namespace {

std::mutex modeTuneDebugMutex;  // the timer thread reads the text while SetMode writes it

// Word bit of each setting bit 0..8.
constexpr int kBitsC[9] = {15, 2, 4, 6, 14, 12, 10, 8, 20};
constexpr int kBitsL[9] = {1, 3, 5, 7, 13, 11, 9, 19, 21};

uint32_t scatter(int value, const int (&bits)[9]) {
  uint32_t v = static_cast<uint32_t>(value) % 512u;
  uint32_t word = 0;
  for (int i = 0; i < 9; ++i)
    if (v & (1u << i)) word |= 1u << bits[i];
  return word;
}

int gather(uint32_t word, const int (&bits)[9]) {
  int value = 0;
  for (int i = 0; i < 9; ++i)
    if (word & (1u << bits[i])) value |= 1 << i;
  return value;
}

// Replaces the bits of `mask` in the word in one atomic step, so a writer that
// skipped the semaphore still cannot lose another field's change.
void replaceBits(Works* works, uint32_t mask, uint32_t bits) {
  uint32_t old = works->tuneWord.load();
  while (!works->tuneWord.compare_exchange_weak(old, (old & ~mask) | bits)) {
  }
}

void setDebugText(const char* text) {
  std::lock_guard lock(modeTuneDebugMutex);
  std::strncpy(ModeTuneDebug, text, sizeof ModeTuneDebug - 1);
  ModeTuneDebug[sizeof ModeTuneDebug - 1] = '\0';
}

}  // namespace

void SetC(Works* works, int value) { replaceBits(works, kTuneMaskC, scatter(value, kBitsC)); }
void SetI(Works* works, int value) { replaceBits(works, kTuneMaskL, scatter(value, kBitsL)); }

int DecodeCapacitaFromTuneval(uint32_t word) { return gather(word, kBitsC); }
int DecodeInduttanzaFromTuneval(uint32_t word) { return gather(word, kBitsL); }

int DecodeModoFromTuneval(uint32_t word) {
  switch (word & kTuneMaskMode) {
    case 0:
      return 0;
    case kTuneModeCL:
      return 1;
    case kTuneModeLC:
      return 2;
    case kTuneModeBypass:
      return 3;
    default:
      platform::errPrintf("DecodeModoFromTuneval -> tune: 0x%x \n", word & kTuneMaskMode);
      return 0;
  }
}

void SetMode(Works* works, int mode) {
  works->tuneMode = static_cast<uint8_t>(mode);
  if (mode < 0 || mode >= 4) return;
  uint32_t bits = mode == 1 ? kTuneModeCL : mode == 2 ? kTuneModeLC : kTuneModeBypass;
  replaceBits(works, kTuneMaskMode, bits);
  works->atuBypass = (mode == 0 || mode == 3) ? 1 : 0;
  if (works->EnableDebug) setDebugText(mode == 1 ? "CL" : mode == 2 ? "LC" : "BP");
}

void ReadTnePar(Works* works) {
  uint32_t word = works->tuneWord;
  works->tuneC = DecodeCapacitaFromTuneval(word);
  works->tuneL = DecodeInduttanzaFromTuneval(word);
  int mode = DecodeModoFromTuneval(word);
  works->tuneMode = static_cast<uint8_t>(mode);
  if (mode == 0) SetMode(works, 3);
}

void WaitSemaforoTuneval(Works* works) {
  while (works->tuneSem.exchange(1, std::memory_order_acquire) == 1) platform::sleepUs(1);
}

void StopSemaforoTuneval(Works* works) { works->tuneSem.store(0, std::memory_order_release); }

std::string GetModeTuneDebug() {
  std::lock_guard lock(modeTuneDebugMutex);
  return ModeTuneDebug;
}
