#pragma once
// Width of the spectrum view, chosen with the spectrum page's picture and read
// by the spectrum grid: grid divisions across and the last bin drawn.
#include <atomic>

extern std::atomic<int> divX;       // 16 wide view, 8 narrow view
extern std::atomic<int> xRangeEnd;  // 854 wide view, 427 narrow view
