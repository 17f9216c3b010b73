#pragma once
// Starting another program of this build from the bench. A cross build's
// programs run on a PC only under qemu-user, and an emulated bench cannot
// start an ARM program by itself: the test that runs it names the emulator
// and its options in the environment variable HFAMP_EMULATOR (words split at
// blanks), which then comes first on every command line the bench starts.
#include <string>
#include <vector>

namespace sim {

// The command line that runs `args` (program first), emulator included.
std::vector<std::string> EmulatedCommand(const std::vector<std::string>& args);

// How many times longer programs take under the emulator: 1 without one.
int EmulationSlowdown();

// Replaces this process with `command`; returns only when that fails.
// Build the command before fork(): after it only this call runs.
void ExecCommand(const std::vector<std::string>& command);

}  // namespace sim
