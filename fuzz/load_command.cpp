// Fuzzes the bench's load commands ("load", "swr", "antenna ... dipole",
// "antenna ... table"): any line is either refused or gives a passive load
// that stays finite at every frequency and through every network.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "load_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto command = sim::ParseLoadCommand(line, error);
  if (!command) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (command->antenna < 0 || command->antenna > 2) std::abort();
  for (double hz : {0.0, 1.8e6, 7.1e6, 14.2e6, 29.7e6, 54e6, 2e9}) {
    const sim::Impedance z = command->load.at(hz);
    if (!std::isfinite(z.real()) || !std::isfinite(z.imag()) || z.real() < 0) std::abort();
    for (int mode : {1, 2}) {
      const double swr = sim::SwrOf(sim::TunerInputImpedance({137, 291, mode}, hz, z));
      if (!(swr >= 1)) std::abort();
    }
  }
  return 0;
}
