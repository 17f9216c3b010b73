#pragma once
// Splits the text of a table file into lines as the table readers see them:
// at most kTableLineMax characters each (the rest of a longer line is
// dropped and reported), without the line feed and a trailing carriage return.
#include <functional>
#include <string_view>

inline constexpr size_t kTableLineMax = 255;

struct TableLine {
  int number;             // 1-based line number in the file
  std::string_view text;  // limited to kTableLineMax characters
  bool truncated;         // the line was longer and has been cut
  bool comment() const { return !text.empty() && text.front() == ';'; }
};

void ForEachTableLine(std::string_view text, const std::function<void(const TableLine&)>& fn);
