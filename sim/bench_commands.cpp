#include "bench_commands.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "amp_sim.h"
#include "screen_capture.h"

namespace sim {
namespace {

bool onOff(const std::string& word, bool& value) {
  if (word == "on" || word == "1")
    value = true;
  else if (word == "off" || word == "0")
    value = false;
  else
    return false;
  return true;
}

std::string describe(const AmpModel& m) {
  char buf[400];
  std::snprintf(buf, sizeof buf,
                "tx %s, drive %.1f W, out %.1f W, refl %.2f W, %.2f A, freq %u Hz, antenna %d (SWR %.2f), att %d, "
                "bypass %d, fan %d %%, temps %.1f / %.1f C, trips 0x%02X, reset %d, thresholds %d %d %d %d, "
                "tune word %08X",
                m.transmitting ? "on" : "off", m.driveW, m.outputW(), m.reflectedW(), m.currentA(), m.rigFreq,
                m.antenna + 1, m.antennaSwr[m.antenna], m.attenuator, m.bypassed(), m.fanPercent, m.temp1, m.temp2,
                m.trips, m.microReset, m.thresholds[0], m.thresholds[1], m.thresholds[2], m.thresholds[3], m.tuneWord);
  return buf;
}

}  // namespace

BenchCommands::BenchCommands(AmpSim& amp, std::vector<ConfigRow> calibration)
    : amp_(amp), calibration_(std::move(calibration)) {
  followFrequency(amp_.model().rigFreq);
}

const char* BenchCommands::help() {
  return "commands:\n"
         "  drive W            drive power from the transceiver, watts\n"
         "  tx on|off          transmit\n"
         "  freq HZ            transceiver frequency\n"
         "  swr ANT VALUE      load SWR of antenna 1..3\n"
         "  ambient C          air temperature around the heat sinks\n"
         "  silent on|off      the amplifier stops answering\n"
         "  garbage on|off     noise bytes before every reply\n"
         "  badsum on|off      replies with a wrong checksum\n"
         "  reject on|off      every command rejected (\"XX?;\")\n"
         "  highswr on|off     high-SWR status bit\n"
         "  band on|off        band fault\n"
         "  trip iout|refl|fwd|senspw|filter   latch a protection trip (\"CPFFFF;\" clears it)\n"
         "  reset              microcontroller reset\n"
         "  sensor 1|2 RAW|off raw reading of a heat-sink sensor (0..9999), or back to the model\n"
         "  variant 0|1        identity: the 60 W or the 120 W amplifier (read at start-up)\n"
         "  state              the simulated amplifier's state\n"
         "  shot FILE.png      save what the program's screen shows\n"
         "  quit               stop the program and the bench\n";
}

void BenchCommands::followFrequency(uint32_t hz) {
  amp_.setFrequency(hz);
  int row = ConfigRowFor(calibration_, hz);
  if (row < 0) return;
  const ConfigRow& r = calibration_[static_cast<size_t>(row)];
  amp_.setCalibration(r.kIn, r.kFwd, r.kRefl, r.kReflCorr);
}

std::string BenchCommands::run(const std::string& line, bool& quit) {
  std::lock_guard lock(mutex_);
  std::istringstream in(line);
  std::string cmd, a, b;
  in >> cmd >> a >> b;
  bool on = false;
  if (cmd.empty()) return "";
  if (cmd == "help" || cmd == "?") return help();
  if (cmd == "quit" || cmd == "q") {
    quit = true;
    return "bye";
  }
  if (cmd == "state") return describe(amp_.model());
  if (cmd == "shot") {
    std::string error;
    if (a.empty()) return "usage: shot FILE.png";
    return saveSandboxScreen(root_, a, error) ? "saved " + a : error;
  }
  if (cmd == "drive" && !a.empty())
    amp_.setDrive(std::strtof(a.c_str(), nullptr));
  else if (cmd == "tx" && onOff(a, on))
    amp_.setTransmit(on);
  else if (cmd == "freq" && !a.empty())
    followFrequency(static_cast<uint32_t>(std::strtoul(a.c_str(), nullptr, 10)));
  else if (cmd == "swr" && !b.empty())
    amp_.setAntennaSwr(std::atoi(a.c_str()) - 1, std::strtof(b.c_str(), nullptr));
  else if (cmd == "ambient" && !a.empty())
    amp_.setAmbient(std::strtof(a.c_str(), nullptr));
  else if (cmd == "silent" && onOff(a, on))
    amp_.setSilent(on);
  else if (cmd == "garbage" && onOff(a, on))
    amp_.setGarbage(on);
  else if (cmd == "badsum" && onOff(a, on))
    amp_.setBadChecksum(on);
  else if (cmd == "reject" && onOff(a, on))
    amp_.setReject(on);
  else if (cmd == "highswr" && onOff(a, on))
    amp_.setHighSwr(on);
  else if (cmd == "band" && onOff(a, on))
    amp_.setBandFault(on);
  else if (cmd == "reset")
    amp_.resetMicro();
  else if (cmd == "sensor" && (a == "1" || a == "2") && !b.empty())
    amp_.setSensorRaw(a[0] - '0', b == "off" ? -1 : std::atoi(b.c_str()));
  else if (cmd == "variant" && (a == "0" || a == "1")) {
    AmpModel m = amp_.model();
    amp_.setIdentity(m.type, a[0], m.version);
  } else if (cmd == "trip") {
    static const struct {
      const char* name;
      uint8_t bit;
    } kTrips[] = {{"iout", kTripCurrent},
                  {"refl", kTripRefl},
                  {"fwd", kTripFwd},
                  {"senspw", kTripSensPw},
                  {"filter", kTripFilterTx}};
    for (const auto& t : kTrips)
      if (a == t.name) {
        amp_.trip(t.bit);
        return "ok";
      }
    return "unknown trip; try help";
  } else {
    return "unknown command; try help";
  }
  return "ok";
}

}  // namespace sim
