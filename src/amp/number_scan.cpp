#include "amp/number_scan.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}
}  // namespace

float toFloat(double value) {
  if (value > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
  if (value < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

void NumberScan::skipSpace() {
  while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
}

bool NumberScan::digitAt(size_t i) const { return i < text_.size() && text_[i] >= '0' && text_[i] <= '9'; }

bool NumberScan::atEnd() {
  skipSpace();
  return pos_ >= text_.size();
}

double NumberScan::decimal() {
  skipSpace();
  size_t i = pos_;
  if (i < text_.size() && (text_[i] == '+' || text_[i] == '-')) ++i;
  size_t digits = 0;
  while (digitAt(i)) ++i, ++digits;
  if (i < text_.size() && text_[i] == '.') {
    ++i;
    while (digitAt(i)) ++i, ++digits;
  }
  found_ = digits > 0;
  if (!found_) return 0;
  if (i < text_.size() && (text_[i] == 'e' || text_[i] == 'E')) {
    size_t j = i + 1;
    if (j < text_.size() && (text_[j] == '+' || text_[j] == '-')) ++j;
    if (digitAt(j)) {
      while (digitAt(j)) ++j;
      i = j;
    }
  }
  // The span is a plain decimal number; strtod needs it terminated.
  std::string number(text_.substr(pos_, i - pos_));
  pos_ = i;
  return std::strtod(number.c_str(), nullptr);
}

size_t NumberScan::signedStart(bool& negative) {
  skipSpace();
  size_t i = pos_;
  negative = false;
  if (i < text_.size() && (text_[i] == '+' || text_[i] == '-')) negative = text_[i++] == '-';
  found_ = digitAt(i);
  return i;
}

int32_t NumberScan::integer() {
  bool negative;
  size_t i = signedStart(negative);
  if (!found_) return 0;
  int64_t value = 0;
  for (; digitAt(i); ++i) value = std::min<int64_t>(value * 10 + (text_[i] - '0'), int64_t{1} << 32);
  pos_ = i;
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

uint32_t NumberScan::cNotation() {
  bool negative;
  size_t i = signedStart(negative);
  if (!found_) return 0;
  int base = 10;
  if (text_[i] == '0') {
    base = 8;
    if (i + 2 < text_.size() && (text_[i + 1] == 'x' || text_[i + 1] == 'X') && digitValue(text_[i + 2]) < 16) {
      base = 16;
      i += 2;
    }
  }
  uint64_t value = 0;
  for (; i < text_.size() && digitValue(text_[i]) < base; ++i)
    value = std::min<uint64_t>(value * base + digitValue(text_[i]), std::numeric_limits<uint32_t>::max());
  pos_ = i;
  return negative ? 0 : static_cast<uint32_t>(value);
}
