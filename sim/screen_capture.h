#pragma once
// Screenshots of a program running in a sandbox, taken from outside it: the
// bench, the tests and the fbshot tool read the display file DIR/dev/fb0.
#include <string>

namespace sim {

// Saves the screen of the sandbox rooted at `root` (geometry from
// DIR/dev/fb0.info when present, else 800 x 480 x 32) as a PNG at the host
// path `out`. False with `error` filled in on failure.
bool saveSandboxScreen(const std::string& root, const std::string& out, std::string& error);

}  // namespace sim
