#pragma once
// The bench commands that hang loads on the simulated amplifier's antenna
// outputs, and the tuner's part of the "state" reply.
#include <optional>
#include <string>

#include "amp_model.h"
#include "antenna_model.h"

namespace sim {

struct LoadCommand {
  int antenna = 0;  // 0-based
  LoadModel load;
};

// One of
//   load ANT R X                         fixed impedance, ohm
//   swr ANT VALUE                        resistive load of 50 x VALUE ohm
//   antenna ANT dipole LENGTH_M          centre-fed wire dipole
//   antenna ANT table F:R:X,F:R:X,...    hertz, ohm, ohm; linear in between
// with ANT 1..3. nullopt with `error` set to the usage for anything else.
std::optional<LoadCommand> ParseLoadCommand(const std::string& line, std::string& error);

// The tuner's relays in settings and farads/henries, the selected load and
// its SWR, and the SWR the transceiver sees through the tuner.
std::string DescribeTuner(const AmpModel& m);

}  // namespace sim
