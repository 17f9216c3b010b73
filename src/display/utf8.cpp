#include "display/utf8.h"

namespace {

bool isContinuation(unsigned char b) { return b >= 0x80 && b <= 0xBF; }

// Allowed range of the second byte after a lead byte: narrower after E0/ED
// (no overlongs, no surrogates) and F0/F4 (no overlongs, nothing past U+10FFFF).
void secondByteRange(unsigned char lead, unsigned char& lo, unsigned char& hi) {
  lo = 0x80;
  hi = 0xBF;
  if (lead == 0xE0) lo = 0xA0;
  if (lead == 0xED) hi = 0x9F;
  if (lead == 0xF0) lo = 0x90;
  if (lead == 0xF4) hi = 0x8F;
}

// Length of the sequence a lead byte announces: 1, 2, 3, 4, or 0 for a byte
// that can never start a character.
int announcedLength(unsigned char b0) {
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF) return 2;
  if (b0 >= 0xE0 && b0 <= 0xEF) return 3;
  if (b0 >= 0xF0 && b0 <= 0xF4) return 4;
  return 0;
}

}  // namespace

int utf8_get_next_char(const unsigned char* text, int length, int* position, int* valid, unsigned* codePoint) {
  *valid = 1;
  *codePoint = 0;
  const int pos = *position;
  if (pos < 0 || pos >= length) return -1;
  const unsigned char b0 = text[pos];
  const int need = announcedLength(b0);
  if (need == 1) {
    *codePoint = b0;
    *position = pos + 1;
    return 1;
  }
  // Count how many bytes of the announced sequence are well formed; the
  // sequence ends (invalid) at the first byte that is missing or out of range.
  int good = 1;
  if (need > 1) {
    unsigned char lo, hi;
    secondByteRange(b0, lo, hi);
    if (pos + 1 < length && text[pos + 1] >= lo && text[pos + 1] <= hi) {
      good = 2;
      while (good < need && pos + good < length && isContinuation(text[pos + good])) ++good;
    }
  }
  if (need == 0 || good < need) {
    *valid = 0;
    *position = pos + good;
    return 1;
  }
  unsigned cp = 0;
  if (need == 2) cp = (b0 & 0x1Fu) << 6;
  if (need == 3) cp = (b0 & 0x0Fu) << 12;
  if (need == 4) cp = (b0 & 0x07u) << 18;
  for (int i = 1; i < need; ++i) cp |= (text[pos + i] & 0x3Fu) << (6 * (need - 1 - i));
  *codePoint = cp;
  *position = pos + need;
  return 1;
}

int utf8_length(const unsigned char* text, int length) {
  int count = 0, position = 0, valid = 0;
  unsigned cp = 0;
  while (utf8_get_next_char(text, length, &position, &valid, &cp) == 1) ++count;
  return count;
}
