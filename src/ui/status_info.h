#pragma once
// The information screen (version, identity, readings, network, link state),
// drawn over the "status" picture while it is open.
#include <string>
#include <vector>

struct Works;

// Draws the screen while `statusView` is exactly 1.
void ViewStatusInfo(Works* works);
// Called as the screen opens: the screen reports what the transceiver link
// reads, so the link the bank's interface uses (external IO for "KTXVYR", the
// FT-817 link for " FT-817") is switched on if it is off, unless another link
// holds its port. Once per opening: a link the owner cancelled on the
// failed-link page stays off while the screen stays open.
void StartInfoScreenLink(Works* works);

// The screen's value lines in order, one per baseline (for drawing and tests).
struct InfoLine {
  int y;
  const char* label;  // nullptr: none
  std::string value;
  int valueX;
};
std::vector<InfoLine> StatusInfoLines(Works* works, int extIoFreq);
