#include "bench_commands.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <memory>
#include <sstream>

#include "amp/temperature.h"
#include "amp_sim.h"
#include "front_panel.h"
#include "load_commands.h"
#include "screen_capture.h"
#include "sim_keyboard.h"
#include "sim_touch.h"
#include "state/works.h"

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

// A button number 1..6, or 0.
int buttonNumber(const std::string& word) {
  const int n = std::atoi(word.c_str());
  return n >= 1 && n <= 6 && word.size() == 1 ? n : 0;
}

std::string describePanel(const FrontPanel& p) {
  char buf[200];
  std::snprintf(buf, sizeof buf, "version %02X, readings 12V %u, 15V %u, PA %u, buttons down:", p.version(),
                p.reading(Rail::V12), p.reading(Rail::V15), p.reading(Rail::Supply));
  std::string out = buf;
  for (int b = 1; b <= 6; ++b)
    if (p.pressed(b)) out += " " + std::to_string(b);
  const auto commands = p.commands();
  std::snprintf(buf, sizeof buf,
                "; %llu exchanges (%llu garbled), last:", static_cast<unsigned long long>(p.exchanges()),
                static_cast<unsigned long long>(p.garbled()));
  out += buf;
  for (size_t i = commands.size() > 8 ? commands.size() - 8 : 0; i < commands.size(); ++i) {
    std::snprintf(buf, sizeof buf, " %02X%s", commands[i].code, commands[i].garbled ? "?" : "");
    out += buf;
  }
  return out;
}

const char* orNone(const std::string& s) { return s.empty() ? "-" : s.c_str(); }

std::string describe(const AmpModel& m) {
  char buf[600];
  std::snprintf(buf, sizeof buf,
                "tx %s, drive %.1f W, out %.1f W, refl %.2f W, %.2f A, freq %u Hz, antenna %d, att %d, "
                "bypass %d, fan %d %%, temps %.1f / %.1f C, trips 0x%02X, reset %d, thresholds %d %d %d %d, "
                "tune word %08X, frequency sent %u Hz, filter %02X, protections %s, antenna mode %d, "
                "FS %s, PS %s, GM %s, GS %s",
                m.transmitting ? "on" : "off", m.driveW, m.outputW(), m.reflectedW(), m.currentA(), m.rigFreq,
                m.antenna + 1, m.attenuator, m.bypassed(), m.fanPercent, m.temp1, m.temp2,
                m.trips, m.microReset, m.thresholds[0], m.thresholds[1], m.thresholds[2], m.thresholds[3], m.tuneWord, m.setFreq,
                m.filterMask, m.protectionsOn ? "on" : "off", m.anMode, orNone(m.freqSensor), orNone(m.powerSensor),
                orNone(m.gainParams), m.gs.c_str());
  return std::string(buf) + "\n" + DescribeTuner(m);
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
         "  swr ANT VALUE      a resistive load of 50 x VALUE ohm (SWR VALUE) on antenna 1..3\n"
         "  load ANT R X       a fixed load of R + jX ohm on antenna 1..3\n"
         "  antenna ANT dipole LENGTH_M\n"
         "                     a centre-fed wire dipole LENGTH_M metres long on antenna 1..3\n"
         "  antenna ANT table F:R:X,F:R:X,...\n"
         "                     measured impedances (hertz, ohm, ohm), linear in between\n"
         "  ambient C          air temperature around the heat sinks\n"
         "  silent on|off      the amplifier stops answering\n"
         "  late MS [N]        the next N replies (1) leave MS milliseconds late\n"
         "  split on|off       every reply goes out in two writes 25 ms apart\n"
         "  cut [N]            the next N replies (1) stop half-way\n"
         "  stale [N]          the next N replies come after a stale copy of the reply before\n"
         "  ignore TEXT [N]    the next N commands (1) beginning with TEXT get no answer\n"
         "  garbage on|off     noise bytes before every reply\n"
         "  badsum on|off      replies with a wrong checksum\n"
         "  reject on|off      every command rejected (\"XX?;\")\n"
         "  highswr on|off     high-SWR status bit\n"
         "  band on|off        band fault\n"
         "  trip iout|refl|fwd|senspw|filter   latch a protection trip (\"CPFFFF;\" clears it)\n"
         "  reset              microcontroller reset\n"
         "  sensor 1|2 RAW|off raw reading of a heat-sink sensor (0..9999), or back to the model\n"
         "  variant 0|1        identity: the 60 W or the 120 W amplifier (read at start-up)\n"
         "  press N            a short press of front-panel button 1..6\n"
         "  hold N SECONDS     button 1..6 held down for that long\n"
         "  key NAME           a key of the service keyboard: F10 shell, F11 save setup, F12 exit, SYSRQ\n"
         "                     screenshot (also F1..F12, ESC, ENTER, letters, or a key code)\n"
         "  touch X Y          a short touch of the touch panel at pixel X Y (the button bar is y 420..479)\n"
         "  touch hold X Y SECONDS   the panel touched there for that long\n"
         "  rail 12V|15V|PA V  the front-panel reading of a rail, in volts as the program shows them\n"
         "  panel              the front panel's state and the last commands it received\n"
         "  rig freq HZ        turn the transceivers' dial (the amplifier's counter follows)\n"
         "  rig tx on|off      the transceivers transmit (the amplifier sees the carrier)\n"
         "  rig mode LSB|USB|CW|CWR|AM|FM|DIG   the transceivers' mode\n"
         "  rig silent|garbage [on|off]   the transceivers stop talking, or send only malformed blocks\n"
         "  rig normal         the transceivers behave again\n"
         "  rig                the simulated transceivers' state\n"
         "  rig cat TEXT       CAT text typed at the companion's CAT port (\"rig cat\" alone: what it received)\n"
         "  audio tone HZ [SECONDS]   a tone (3 s unless given) at the unit's simulated microphone\n"
         "  rx tone HZ DBM     a carrier at the USB receiver, HZ from its centre (-96000..96000)\n"
         "  rx noise DBM       noise at the receiver, per sample\n"
         "  rx unplug | plug | clear   the receiver off the bus, back on it, its carriers and noise gone\n"
         "  rx                 what the receiver is fed\n"
         "  audio              what the unit has played: seconds, and the strongest frequency lately\n"
         "  remote client      start a second unit, client of this one (bench started with --serve PORT)\n"
         "  remote stop        stop the second unit\n"
         "  remote             the second unit: connected or not, the status line it last received\n"
         "  client COMMAND     any of these commands, for the second unit (\"client shot FILE.png\")\n"
         "  state              the simulated amplifier's state, the tuner, the load and the SWRs\n"
         "  shot FILE.png      save what the program's screen shows\n"
         "  log [LINES]        the last lines (20 unless given) of the program's own log, var/log/console.log\n"
         "  quit               stop the program and the bench\n";
}

namespace {

// The program reads EnableKeyb once at start: a key typed into the pipe of a
// program without its keyboard thread goes nowhere, so the bench says so
// rather than "ok". Without a sandbox (tests of the pipe alone) it does not know.
bool keyboardInSetup(const std::string& root) {
  if (root.empty()) return true;
  std::ifstream in(root + "/opt/set/setup.txt");
  bool on = false;
  for (std::string l; std::getline(in, l);)
    if (l.rfind("EnableKeyb: ", 0) == 0) on = l.substr(12, 1) == "1";
  return on;
}

// The last `lines` lines of a text file, or a word on why there are none.
std::string logTail(const std::string& path, int lines) {
  std::ifstream in(path);
  if (!in) return "no log yet at " + path;
  std::deque<std::string> tail;
  for (std::string l; std::getline(in, l);) {
    tail.push_back(std::move(l));
    if (static_cast<int>(tail.size()) > lines) tail.pop_front();
  }
  std::string out;
  for (const std::string& l : tail) out += (out.empty() ? "" : "\n") + l;
  return out.empty() ? "the log is empty" : out;
}

}  // namespace

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
  std::string cmd, a, b, c;
  in >> cmd >> a >> b >> c;
  bool on = false;
  if (cmd.empty()) return "";
  if (cmd == "help" || cmd == "?") return help();
  if (cmd == "quit" || cmd == "q") {
    quit = true;
    return "bye";
  }
  if (cmd == "state") return describe(amp_.model());
  if (cmd == "rig" && a == "cat") return catCommand(line);
  if (cmd == "rig") return rigCommand(a, b);
  if (cmd == "remote") return remoteCommand(a);
  if (cmd == "audio") return audioCommand(a, b, c);
  if (cmd == "rx") return receiverCommand(a, b, c);
  if (cmd == "client") return clientCommand(line);
  if (cmd == "touch") return touchCommand(line);
  if (cmd == "log") return logCommand(a);
  if (cmd == "press" || cmd == "hold" || cmd == "rail" || cmd == "panel" || cmd == "key")
    return panelCommand(cmd, a, b);
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
  else if (cmd == "swr" || cmd == "load" || cmd == "antenna") {
    std::string error;
    auto load = ParseLoadCommand(line, error);
    if (!load) return error;
    amp_.setAntennaLoad(load->antenna, load->load);
    return "ok: antenna " + std::to_string(load->antenna + 1) + " " + load->load.describe();
  }
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
  else if (cmd == "late" && !a.empty())
    amp_.delayReplies(std::atoi(a.c_str()), b.empty() ? 1 : std::atoi(b.c_str()));
  else if (cmd == "split" && onOff(a, on))
    amp_.setSplit(on);
  else if (cmd == "cut")
    amp_.cutReplies(a.empty() ? 1 : std::atoi(a.c_str()));
  else if (cmd == "stale")
    amp_.staleReplies(a.empty() ? 1 : std::atoi(a.c_str()));
  else if (cmd == "ignore" && !a.empty())
    amp_.ignoreCommands(a, b.empty() ? 1 : std::atoi(b.c_str()));
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

std::string BenchCommands::logCommand(const std::string& a) const {
  long lines = kLogLines;
  if (!a.empty()) {
    char* end = nullptr;
    lines = std::strtol(a.c_str(), &end, 10);
    if (*end || lines < 1 || lines > kLogLinesMax) return "usage: log [LINES] (1..500)";
  }
  if (root_.empty()) return "no sandbox";
  return logTail(root_ + kProgramLog, static_cast<int>(lines));
}

std::string BenchCommands::touchCommand(const std::string& line) {
  static const char* kUsage = "usage: touch X Y | touch hold X Y SECONDS (X 0..799, Y 0..479, up to 600 s)";
  if (!touch_) return "no simulated touch panel";
  std::istringstream in(line);
  std::string cmd, first;
  in >> cmd >> first;
  const bool hold = first == "hold";
  std::string xs = hold ? "" : first, ys, secs;
  if (hold) in >> xs;
  in >> ys >> secs;
  char* end = nullptr;
  const long x = std::strtol(xs.c_str(), &end, 10);
  if (xs.empty() || *end) return kUsage;
  const long y = std::strtol(ys.c_str(), &end, 10);
  if (ys.empty() || *end) return kUsage;
  // Long enough for the button debounce, well short of a long press.
  double seconds = 0.1;
  if (hold) {
    seconds = std::strtod(secs.c_str(), &end);
    if (secs.empty() || *end || !(seconds > 0) || seconds > 600) return kUsage;
  } else if (!secs.empty()) {
    return kUsage;
  }
  return touch_->tap(static_cast<int>(x), static_cast<int>(y), seconds) ? "ok" : kUsage;
}

std::string BenchCommands::panelCommand(const std::string& cmd, const std::string& a, const std::string& b) {
  if (cmd == "key") {
    if (!keyboard_) return "no simulated keyboard";
    if (!SimKeyboard::keyCode(a)) return "usage: key NAME (F1..F12, SYSRQ, ESC, ENTER, SPACE, A..Z, 0..9, or a code)";
    if (!keyboardInSetup(root_))
      return "not sent: the program runs without its service keyboard (EnableKeyb is not 1 in "
             "/opt/set/setup.txt; it reads the key at start)";
    return keyboard_->type(a) ? "ok" : "the keyboard pipe is not writable";
  }
  if (!panel_) return "no simulated front panel";
  if (cmd == "panel") return describePanel(*panel_);
  if (cmd == "press") {
    const int n = buttonNumber(a);
    if (!n) return "usage: press N (1..6)";
    // Long enough for the debounce (six polls) and well short of a long press.
    panel_->hold(n, 0.1);
    return "ok";
  }
  if (cmd == "hold") {
    const int n = buttonNumber(a);
    const double seconds = std::strtod(b.c_str(), nullptr);
    if (!n || !(seconds > 0) || seconds > 600) return "usage: hold N SECONDS (1..6, up to 600 s)";
    panel_->hold(n, seconds);
    return "ok";
  }
  // rail
  static const struct {
    const char* name;
    Rail rail;
  } kRails[] = {{"12V", Rail::V12}, {"15V", Rail::V15}, {"PA", Rail::Supply}};
  char* end = nullptr;
  const double volts = std::strtod(b.c_str(), &end);
  for (const auto& r : kRails) {
    if (a != r.name) continue;
    if (b.empty() || *end != '\0' || volts < 0) return "usage: rail 12V|15V|PA VOLTS";
    // The program turns every rail reading into volts with the amplifier
    // supply's scale, which depends on the model it has identified.
    const char variant = amp_.model().variant;
    const uint8_t reading = RailReading(volts, variant);
    panel_->setReading(r.rail, reading);
    // What the program will show for it, by its own conversion.
    auto shown = std::make_unique<Works>();
    shown->ampVariant = variant;
    char buf[96];
    std::snprintf(buf, sizeof buf, "ok: reading %u (%.2f V on the %s W model)", reading,
                  CalvTensVadcAmp(shown.get(), reading), variant == '1' ? "120" : "60");
    return buf;
  }
  return "usage: rail 12V|15V|PA VOLTS";
}

}  // namespace sim
