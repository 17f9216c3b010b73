#include "links/ext_io_params.h"

#include <mutex>

#include "platform/log.h"
#include "state/ext_io_params.h"
#include "state/works.h"

using platform::kErr;

namespace {

// A run of digits, each sent as '0' + value (0x30..0x3F), most significant
// first; false when a byte is not such a digit.
bool hexDigits(const uint8_t* p, int count, uint32_t& out) {
  uint32_t v = 0;
  for (int i = 0; i < count; ++i) {
    if ((p[i] & 0xF0) != 0x30) return false;
    v = (v << 4) | (p[i] & 0x0F);
  }
  out = v;
  return true;
}

bool between(uint8_t b, uint8_t lo, uint8_t hi) { return b >= lo && b <= hi; }
int bit(uint8_t b, int n) { return (b >> n) & 1; }
int32_t orNone(int32_t v) { return v == 0 ? -1 : v; }
int32_t sign(uint8_t b, int n, bool setIsNegative) { return bit(b, n) == setIsNegative ? -1 : 1; }

void decodeStatus0(ExtIoParams& p, uint8_t b) {
  p.status0Bit6 = bit(b, 6);
  p.vfoBActive = bit(b, 5);
  p.dataIsVfoB = bit(b, 4);
  p.status0Bits23 = (b >> 2) & 3;
  p.freqIsAlt = bit(b, 0);
}

void storeFrequency(ExtIoParams& p, uint32_t hz) {
  p.freqRaw = static_cast<int32_t>(hz);
  if (p.freqIsAlt)
    p.altFreq = p.freqRaw;
  else if (p.dataIsVfoB)
    p.vfoBFreq = p.freqRaw;
  else
    p.vfoAFreq = p.freqRaw;
  p.activeFreq = p.freqIsAlt ? p.altFreq : p.vfoBActive ? p.vfoBFreq : p.vfoAFreq;
  p.freqPrev2 = p.freqPrev;
  p.freqPrev = p.activeFreq;
}

void decodeMode(ExtIoParams& p, uint8_t b) {
  if (!(b & 0x80)) return;
  p.status9Bit6 = bit(b, 6);
  p.status9Bit5 = bit(b, 5);
  p.status9Bit4 = bit(b, 4);
  p.modeRaw = b & 0x0F;
  (p.dataIsVfoB ? p.vfoBMode : p.vfoAMode) = p.modeRaw;
  p.mode = p.vfoBActive ? p.vfoBMode : p.vfoAMode;
}

void decodeVolumeSigns(ExtIoParams& p, uint8_t b) {
  if (!between(b, 0x40, 0x7F)) return;
  p.volumeSel = (b >> 4) & 3;
  p.sign10b3 = sign(b, 3, true);
  p.sign10b2 = sign(b, 2, true);
  p.sign10b1 = sign(b, 1, true);
  p.sign10b0 = sign(b, 0, false);
}

void decodeSquelch(ExtIoParams& p, uint8_t b) {
  if (!between(b, 0x40, 0x7F)) return;
  p.status11Bit5 = bit(b, 5);
  p.status11Bit4 = bit(b, 4);
  p.squelch = orNone(b & 0x0F);
}

void decodeBytes12And13(ExtIoParams& p, uint8_t b12, uint8_t b13) {
  if (!(b12 & 0x80) || !between(b13, 0x40, 0x7F)) return;
  p.sel12 = bit(b12, 2);
  p.val12a = b12 & 3;
  p.val12b = (b12 >> 3) & 0x0F;
  p.status13Bit5 = bit(b13, 5);
  p.status13Bit4 = bit(b13, 4);
  p.val13 = b13 & 0x0F;
  p.sel12Value = p.sel12 ? p.val13 + 5 : p.val12a + 1;
}

void decodeBytes16To19(ExtIoParams& p, const uint8_t* b) {
  if (!between(b[16], 0x60, 0x7F) || !between(b[17], 0x60, 0x7F) || !between(b[19], 0x60, 0x7F) ||
      (b[18] >> 4) != 3)
    return;
  p.set16 = (b[16] & 0x1F) + 1;
  p.set17 = (b[17] & 0x1F) + 1;
  p.set18 = (b[18] & 0x0F) + 1;
  p.set19a = ((b[19] >> 2) & 7) + 1;
  p.set19b = (b[19] & 3) + 1;
}

void decodeByte20(ExtIoParams& p, uint8_t b) {
  if (!between(b, 0x40, 0x7F)) return;
  p.att = orNone(bit(b, 4));
  p.lp = orNone(bit(b, 3));
  p.an = orNone((b >> 1) & 3);
  p.status20Bit0 = sign(b, 0, false);
}

void decodeVolume(ExtIoParams& p, uint8_t b) {
  const int32_t v = b & 0x7F;
  if (p.volumeSel == 0)
    p.volume = v ? v : 50;
  else if (p.volumeSel == 1)
    p.volumeAux = v ? v : 50;
  else
    p.volumeSide = v ? v : 5;
}

// Bytes 23-30: the two receiver offsets.
bool decodeOffsets(ExtIoParams& p, const uint8_t* b, int length) {
  bool good = true;
  uint32_t v = 0;
  if (length > 25) {
    if (hexDigits(b + 23, 3, v))
      p.offsetA = static_cast<int32_t>(v);
    else
      good = false;
  }
  if (length > 30) {
    if (hexDigits(b + 26, 5, v))
      p.offsetB = v >= 0x80000 ? static_cast<int32_t>(v) - 0x100000 : static_cast<int32_t>(v);
    else
      good = false;
  }
  return good;
}

}  // namespace

ParamBlockFault DecodeParameterBlock(ExtIoParams& p, const uint8_t* b, int length) {
  if (length < 1) return ParamBlockFault::None;
  // The frequency is checked before anything is stored: a block whose
  // frequency is not digits is noise, and none of it is taken.
  uint32_t hz = 0;
  if (length > 8 && !hexDigits(b + 1, 8, hz)) return ParamBlockFault::BadFrequency;
  decodeStatus0(p, b[0]);
  if (length > 8) storeFrequency(p, hz);
  if (length > 9) decodeMode(p, b[9]);
  if (length > 10) decodeVolumeSigns(p, b[10]);
  if (length > 11) decodeSquelch(p, b[11]);
  if (length > 13) decodeBytes12And13(p, b[12], b[13]);
  if (length > 14 && (b[14] >> 4) == 3) p.nr = orNone(b[14] & 0x0F);
  if (length > 15 && (b[15] >> 4) == 3) p.nb = orNone(b[15] & 0x0F);
  if (length > 19) decodeBytes16To19(p, b);
  if (length > 20) decodeByte20(p, b[20]);
  if (length > 21) p.level21 = b[21] - 211;
  if (length > 22) decodeVolume(p, b[22]);
  return decodeOffsets(p, b, length) ? ParamBlockFault::None : ParamBlockFault::BadOffset;
}

ParamBlockFault storeParameters(Works* w, int length, const uint8_t* block) {
  if (!w->serMutexPtr) {
    platform::sysLog(kErr, "serMut mutex cannot be locked");
    return ParamBlockFault::None;
  }
  // The record starts cleared with `works`; after that every field keeps its
  // last value until a block that carries it arrives.
  std::lock_guard lock(*w->serMutexPtr);
  return DecodeParameterBlock(w->extIoParams, block, length);
}

void getParameters(ExtIoParams* dest, Works* w) {
  if (!w->serMutexPtr) {
    platform::sysLog(kErr, "serMut mutex cannot be locked");
    return;
  }
  std::lock_guard lock(*w->serMutexPtr);
  *dest = w->extIoParams;
}
