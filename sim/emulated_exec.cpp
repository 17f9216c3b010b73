#include "emulated_exec.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace sim {

Command::Command(std::vector<std::string> words) : words_(std::move(words)) {
  for (std::string& w : words_) argv_.push_back(w.data());
  argv_.push_back(nullptr);
}

void Command::exec() const { execvp(argv_[0], argv_.data()); }

Command EmulatedCommand(const std::vector<std::string>& args) {
  std::vector<std::string> words;
  if (const char* emulator = std::getenv("HFAMP_EMULATOR")) {
    std::istringstream in(emulator);
    for (std::string w; in >> w;) words.push_back(w);
  }
  words.insert(words.end(), args.begin(), args.end());
  return Command(std::move(words));
}

// qemu-user translates every instruction of a whole program with its threads
// and drawing; start-up and shut-down measured 3-4 times slower.
int EmulationSlowdown() { return std::getenv("HFAMP_EMULATOR") ? 5 : 1; }

}  // namespace sim
