#pragma once
// Reading numbers out of the text tables, field after field: each scan skips
// white space, reads one number and moves the cursor past it. A field that
// holds no number reads as 0 and leaves the cursor where it was, so every
// following field reads 0 as well. Nothing is read past the end of the text.
#include <cstdint>
#include <string_view>

// double to float without the undefined behaviour of an out-of-range cast:
// values beyond the float range become +-infinity.
float toFloat(double value);

class NumberScan {
 public:
  explicit NumberScan(std::string_view text) : text_(text) {}

  // Decimal number with optional fraction and exponent ("12", "-0.5", "1e3").
  // No hexadecimal, "inf" or "nan". Too large values read as +-infinity.
  double decimal();
  // Decimal integer, limited to the 32-bit range.
  int32_t integer();
  // Unsigned integer in C notation: decimal, hexadecimal after "0x", octal
  // after a leading "0"; limited to 32 bits, negative values read as 0.
  uint32_t cNotation();
  // True when a number was found by the last scan.
  bool found() const { return found_; }
  // True when only white space is left.
  bool atEnd();

 private:
  void skipSpace();
  bool digitAt(size_t i) const;
  // Skips blanks and an optional sign; returns where the digits start and
  // sets found_ when a digit is there.
  size_t signedStart(bool& negative);
  std::string_view text_;
  size_t pos_ = 0;
  bool found_ = false;
};
