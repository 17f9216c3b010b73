// The bench's "rig" commands: one station transceiver seen through every
// interface type at once. The companion (external IO port), its CAT port and
// the FT-817 all follow the dial, and so does the amplifier's own counter, so
// switching the bank's interface type changes only where the program reads
// the frequency from.
#include <cstdlib>

#include "amp_sim.h"
#include "bench_commands.h"
#include "companion_sim.h"
#include "ft817_sim.h"

namespace sim {
namespace {

struct ModeName {
  const char* name;
  CompanionMode companion;
  Ft817Mode ft817;
};
constexpr ModeName kModes[] = {
    {"LSB", CompanionMode::Lsb, Ft817Mode::Lsb}, {"USB", CompanionMode::Usb, Ft817Mode::Usb},
    {"CW", CompanionMode::Cw, Ft817Mode::Cw},    {"CWR", CompanionMode::CwR, Ft817Mode::CwR},
    {"AM", CompanionMode::Am, Ft817Mode::Am},    {"FM", CompanionMode::Fm, Ft817Mode::Fm},
    {"DIG", CompanionMode::Dig, Ft817Mode::Dig},
};

// "on" when the word is left out.
bool switchWord(const std::string& word, bool& on) {
  if (word.empty() || word == "on" || word == "1") return on = true;
  if (word == "off" || word == "0") return !(on = false);
  return false;
}

}  // namespace

std::string BenchCommands::rigCommand(const std::string& a, const std::string& b) {
  if (!companion_ || !ft817_) return "no simulated transceivers";
  bool on = false;
  if (a.empty()) return companion_->describe() + "\n" + ft817_->describe();
  if (a == "freq") {
    char* end = nullptr;
    const unsigned long hz = std::strtoul(b.c_str(), &end, 10);
    if (b.empty() || *end != '\0' || hz == 0 || hz > 999999990) return "usage: rig freq HZ";
    companion_->setFrequency(static_cast<uint32_t>(hz));
    ft817_->setFrequency(static_cast<uint32_t>(hz));
    if (companionCat_) companionCat_->setFrequency(static_cast<uint32_t>(hz));
    followFrequency(static_cast<uint32_t>(hz));
    return "ok";
  }
  if (a == "tx" && (b == "on" || b == "off")) {
    on = b == "on";
    companion_->setTransmit(on);
    ft817_->setTransmit(on);
    amp_.setTransmit(on);
    return "ok";
  }
  if (a == "mode") {
    for (const ModeName& m : kModes) {
      if (b != m.name) continue;
      companion_->setMode(m.companion);
      ft817_->setMode(m.ft817);
      return "ok";
    }
    return "usage: rig mode LSB|USB|CW|CWR|AM|FM|DIG";
  }
  if ((a == "silent" || a == "garbage") && switchWord(b, on)) {
    if (a == "silent") {
      companion_->setSilent(on);
      ft817_->setSilent(on);
    } else {
      companion_->setGarbage(on);
      ft817_->setGarbage(on);
    }
    return "ok";
  }
  if (a == "normal") {
    companion_->setSilent(false);
    companion_->setGarbage(false);
    ft817_->setSilent(false);
    ft817_->setGarbage(false);
    return "ok";
  }
  return "usage: rig [freq HZ | tx on|off | mode NAME | silent [on|off] | garbage [on|off] | normal]";
}

}  // namespace sim
