#include "platform/board.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/paths.h"

namespace platform {
namespace {

std::mutex gMutex;
std::vector<std::string> gRecord;
std::map<BoardAction, BoardAnswer> gAnswers;
bool gOptSetWritable = false;  // "/opt/set" starts read-only, as on the board

// ---- The board: the system's own command texts, through the shell. ----

int runShell(const std::string& command) { return std::system(command.c_str()); }

std::optional<std::string> readShell(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string out;
  char buf[256];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  ::pclose(pipe);
  return out;
}

// ---- The sandbox: a safe equivalent under the root, and a record. ----

void record(const std::string& command) {
  gRecord.push_back(command);
  std::ofstream log(hostPath("/var/log/commands.log"), std::ios::app);
  if (log) log << command << '\n';
}

// What the simulated hardware leaves for a command that reads output:
// DIR/run/sim/<name>.
std::optional<std::string> simulatedOutput(const std::string& name) {
  std::ifstream in(hostPath("/run/sim/" + name));
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

constexpr const char* kDefaultSimulatedBus =
    "Bus 001 Device 001: ID 1d6b:0002 Linux Foundation 2.0 root hub\n"
    "Bus 001 Device 004: ID 0d8c:01af C-Media Electronics, Inc. USB Audio Device\n";

BoardResult sandboxDefault(const BoardCall& call) {
  switch (call.action) {
    case BoardAction::RemountSettingsWritable:
    case BoardAction::RemountSettingsReadOnly: {
      std::lock_guard lock(gMutex);
      gOptSetWritable = call.action == BoardAction::RemountSettingsWritable;
      return {};
    }
    case BoardAction::RemoveFile: {
      std::error_code ec;
      std::filesystem::remove(hostPath(call.argument), ec);
      return {};
    }
    case BoardAction::ReadProcessorTemperature:
      return {0, simulatedOutput("my_temp").value_or("45.3\ntemp=48.1'C\n")};
    case BoardAction::CountUsbDevices:
    case BoardAction::ListUsbDevices: {
      // Until the bench writes a bus of its own, the simulated one holds the
      // USB audio codec, as the amplifier has it.
      std::istringstream listing(simulatedOutput("lsusb").value_or(kDefaultSimulatedBus));
      std::string line, matching;
      int count = 0;
      while (std::getline(listing, line))
        if (line.find(call.argument) != std::string::npos) matching += line + "\n", ++count;
      return {0, call.action == BoardAction::ListUsbDevices ? matching : std::to_string(count) + "\n"};
    }
    default:
      // Reboot, root remount, network restart, shells, update script, terminal and console
      // commands, screenshots without a display: recorded only.
      return {};
  }
}

BoardResult perform(BoardAction action, const std::string& argument, RemoveMode mode, bool readsOutput) {
  const std::string text = boardCommandText(action, argument, mode);
  if (!sandboxed()) {
    if (readsOutput) {
      auto out = readShell(text);
      return out ? BoardResult{0, *out} : BoardResult{-1, {}};
    }
    return {runShell(text), {}};
  }
  BoardAnswer answer;
  {
    std::lock_guard lock(gMutex);
    record(text);
    if (auto it = gAnswers.find(action); it != gAnswers.end()) answer = it->second;
  }
  const BoardCall call{action, argument};
  return answer ? answer(call) : sandboxDefault(call);
}

int run(BoardAction action, const std::string& argument = {}, RemoveMode mode = RemoveMode::Force) {
  return perform(action, argument, mode, false).status;
}

std::optional<std::string> read(BoardAction action, const std::string& argument = {}) {
  BoardResult r = perform(action, argument, RemoveMode::Force, true);
  if (r.status != 0) return std::nullopt;
  return r.output;
}

}  // namespace

BoardResult sandboxEquivalent(const BoardCall& call) { return sandboxDefault(call); }

std::string boardCommandText(BoardAction action, const std::string& argument, RemoveMode mode) {
  switch (action) {
    case BoardAction::RemountSettingsWritable:
      return "mount -o remount defaults,rw /opt/set";
    case BoardAction::RemountSettingsReadOnly:
      return "mount -v -n -o remount -r /opt/set";
    case BoardAction::RemountRootWritable:
      return "mount -o remount defaults,rw /";
    case BoardAction::RemoveFile:
      if (mode == RemoveMode::Plain) return "rm " + argument;
      if (mode == RemoveMode::ForceQuiet) return "rm -f " + argument + " >/dev/null 2>&1";
      return "rm -f " + argument;
    case BoardAction::ReadProcessorTemperature:
      return "my_temp";
    case BoardAction::HideConsoleCursor:
      return "/bin/echo -e -n '\\033[?25l' >/dev/tty0";
    case BoardAction::GrabScreenshot:
      return "/usr/bin/fbgrab /tmp/screen.png >/dev/null 2>&1 </dev/null";
    case BoardAction::RestartNetwork:
      return "sudo ifdown --exclude=lo -a && sudo ifup --exclude=lo -a";
    case BoardAction::RunUpdateScript:
      return "/opt/VyrArt/getpack.sh";
    case BoardAction::CountUsbDevices:
      return "lsusb|grep " + argument + " |wc -l";
    case BoardAction::ListUsbDevices:
      return "lsusb | grep " + argument;
    case BoardAction::Reboot:
      return "reboot";
    case BoardAction::MaintenanceShell:
      return "/opt/sshshell";
    case BoardAction::TerminalSane:
      return "/bin/stty sane";
    case BoardAction::TerminalNoEcho:
      return "stty -echo";
    case BoardAction::ClearTerminal:
      return "/usr/bin/tput clear";
  }
  return {};
}

int remountSettingsWritable() { return run(BoardAction::RemountSettingsWritable); }
int remountSettingsReadOnly() { return run(BoardAction::RemountSettingsReadOnly); }
int remountRootWritable() { return run(BoardAction::RemountRootWritable); }
int removeFile(const std::string& systemPath, RemoveMode mode) {
  return run(BoardAction::RemoveFile, systemPath, mode);
}
std::optional<std::string> readProcessorTemperature() { return read(BoardAction::ReadProcessorTemperature); }
void hideConsoleCursor() { run(BoardAction::HideConsoleCursor); }
int grabScreenshot() { return run(BoardAction::GrabScreenshot, "/tmp/screen.png"); }
int restartNetwork() { return run(BoardAction::RestartNetwork); }
int runUpdateScript() { return run(BoardAction::RunUpdateScript); }
std::optional<std::string> countUsbDevices(const std::string& usbId) {
  return read(BoardAction::CountUsbDevices, usbId);
}
std::optional<std::string> listUsbDevices(const std::string& usbId) { return read(BoardAction::ListUsbDevices, usbId); }
int reboot() { return run(BoardAction::Reboot); }
int runMaintenanceShell() { return run(BoardAction::MaintenanceShell); }
void terminalSane() { run(BoardAction::TerminalSane); }
void terminalNoEcho() { run(BoardAction::TerminalNoEcho); }
void clearTerminal() { run(BoardAction::ClearTerminal); }

bool optSetWritable() {
  std::lock_guard lock(gMutex);
  return !sandboxed() || gOptSetWritable;
}

std::vector<std::string> commandRecord() {
  std::lock_guard lock(gMutex);
  return gRecord;
}

void clearCommandRecord() {
  std::lock_guard lock(gMutex);
  gRecord.clear();
}

void setSandboxAnswer(BoardAction action, BoardAnswer answer) {
  std::lock_guard lock(gMutex);
  if (answer)
    gAnswers[action] = std::move(answer);
  else
    gAnswers.erase(action);
}

}  // namespace platform
