#include "emulated_exec.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace sim {

std::vector<std::string> EmulatedCommand(const std::vector<std::string>& args) {
  std::vector<std::string> command;
  if (const char* emulator = std::getenv("HFAMP_EMULATOR")) {
    std::istringstream words(emulator);
    for (std::string w; words >> w;) command.push_back(w);
  }
  command.insert(command.end(), args.begin(), args.end());
  return command;
}

int EmulationSlowdown() { return std::getenv("HFAMP_EMULATOR") ? 5 : 1; }

void ExecCommand(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
}

}  // namespace sim
