#pragma once
// Starting another program of this build from the bench or a test. A cross
// build's programs run on a PC only under qemu-user, and an emulated bench
// cannot start an ARM program by itself: the emulator and its options are
// named in the environment variable HFAMP_EMULATOR (words split at blanks),
// which then come first on every command line started.
#include <string>
#include <vector>

namespace sim {

// A command line made ready for exec before fork(): the child of a threaded
// process must not allocate. Neither copied nor moved, since the argument
// array points into the words.
class Command {
 public:
  explicit Command(std::vector<std::string> words);
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  // Replaces this process; returns only when that fails.
  void exec() const;

 private:
  std::vector<std::string> words_;
  std::vector<char*> argv_;
};

// The command line that runs `args` (program first), emulator included.
Command EmulatedCommand(const std::vector<std::string>& args);

// How many times longer programs take under the emulator: 1 without one.
int EmulationSlowdown();

}  // namespace sim
