#pragma once
// Shared plumbing of the table files under "/opt/set": splitting a file into
// lines the way the readers expect, reading numbers one after another from a
// line, and replacing a file inside the remount bracket.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tables {

// The readers use a 512-byte line buffer: text beyond 511 bytes of a line is
// dropped (and logged under `tag`) instead of being read as a line of its own.
inline constexpr size_t kLineMax = 511;

// Lines of `text` without their line feed and a carriage return before it.
// Bytes that are not text (controls other than tab, NUL) become spaces so the
// numbers around them are still read; such lines and cut lines are logged.
std::vector<std::string> splitTableLines(const std::string& text, const char* tag);

// Reads numbers from a line in order, each parse starting where the previous
// one stopped. A number that is missing reads as 0 and clears `ok()`.
class NumberReader {
 public:
  explicit NumberReader(const std::string& line, size_t from = 0);
  // Unsigned integer: decimal, "0x" hexadecimal or leading-"0" octal, kept in
  // 32 bits (so "-5" reads back as -5 when taken as signed).
  uint32_t unsignedAny();
  // Signed decimal integer, as long.
  long decimal();
  // Unsigned decimal integer.
  unsigned long unsignedDecimal();
  // Decimal number; not-a-number reads as 0 and the magnitude is kept within
  // float range.
  float real();
  bool ok() const { return ok_; }

 private:
  const std::string& line_;
  size_t pos_;
  bool ok_ = true;
};

// printf into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Replaces the file at `systemPath` with `content`: remounts "/opt/set"
// writable, writes a temporary file and renames it over the old one, then
// remounts read-only. A failed remount or write leaves the old file whole; the
// failure is logged and false returned.
bool saveTableFile(const std::string& systemPath, const std::string& content);

// File names of a bank: bank 0, and any number outside 1..19, uses the plain
// names; banks 1..19 add "_b<bank>".
std::string bandTablePath(int bank);
std::string tuneMemPath(int bank, int antenna);  // antenna index 0..2

}  // namespace tables
