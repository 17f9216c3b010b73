#pragma once
// The information screen (version, identity, readings, network, link state),
// drawn over the "status" picture while it is open.
#include <string>
#include <vector>

struct Works;

// Draws the screen while `statusView` is exactly 1; the first time it finds
// the external IO link off, it switches the link on, since the screen reports
// what the link reads.
void ViewStatusInfo(Works* works);

// The screen's value lines in order, one per baseline (for drawing and tests).
struct InfoLine {
  int y;
  const char* label;  // nullptr: none
  std::string value;
  int valueX;
};
std::vector<InfoLine> StatusInfoLines(Works* works, int extIoFreq);
