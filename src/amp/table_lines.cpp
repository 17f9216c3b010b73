#include "amp/table_lines.h"

void ForEachTableLine(std::string_view text, const std::function<void(const TableLine&)>& fn) {
  int number = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++number;
    bool truncated = line.size() > kTableLineMax;
    if (truncated)
      line = line.substr(0, kTableLineMax);
    else if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    fn({number, line, truncated});
  }
}
