#pragma once
// Shared plumbing of the table files under "/opt/set": splitting a file into
// lines the way the readers expect, reading numbers one after another from a
// line, and replacing a file inside the remount bracket.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace tables {

// The readers use a 512-byte line buffer: text beyond 511 bytes of a line is
// dropped (and logged under `tag`) instead of being read as a line of its own.
inline constexpr size_t kLineMax = 511;

// Lines of `text` without their line feed and a carriage return before it.
// Bytes that are not text (controls other than tab, NUL) become spaces so the
// numbers around them are still read; such lines and cut lines are logged.
std::vector<std::string> splitTableLines(const std::string& text, const char* tag);

// A line of nothing but blanks is no entry of any table: it neither takes a
// filter's place nor ends a band table's rows.
bool blankLine(const std::string& line);

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
  // True when nothing but white space is left after the numbers read so far.
  bool atEnd() const;

 private:
  const std::string& line_;
  size_t pos_;
  bool ok_ = true;
};

// printf into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Hands the new content of the file at `systemPath` to the file writer and
// returns at once: the link and timer threads that store tables never wait on
// the card. The writer replaces the file whole inside the remount bracket; a
// failed remount or write leaves the old file whole and is logged.
void saveTableFile(const std::string& systemPath, std::string content);

// Reads a table file as the next load should see it (a save still waiting
// for the card included). A file that exists but cannot be read is logged
// under `tag`, and the writer is told never to put defaults in its place.
platform::FileRead loadTableFile(const std::string& systemPath, const char* tag);

// File names of a bank: bank 0, and any number outside 1..19, uses the plain
// names; banks 1..19 add "_b<bank>".
std::string bandTablePath(int bank);
std::string tuneMemPath(int bank, int antenna);  // antenna index 0..2

}  // namespace tables
