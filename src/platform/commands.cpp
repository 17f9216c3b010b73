#include "platform/commands.h"

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
std::map<std::string, CommandHandler> gHandlers;
bool gOptSetWritable = false;  // "/opt/set" starts read-only, as on the board

const char* kRemountRw = "mount -o remount defaults,rw /opt/set";
const char* kRemountRo = "mount -v -n -o remount -r /opt/set";

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

void record(const std::string& command) {
  gRecord.push_back(command);
  std::ofstream log(hostPath("/var/log/commands.log"), std::ios::app);
  if (log) log << command << '\n';
}

// Removes each path named by "rm -f A B ... [redirections]" under the sandbox root.
int sandboxRemove(const std::string& command) {
  std::istringstream words(command.substr(2));
  std::string word;
  while (words >> word) {
    if (word.front() == '-') continue;
    if (word.front() == '>' || word.front() == '<' || std::isdigit(static_cast<unsigned char>(word.front()))) break;
    if (word.front() != '/') continue;  // only absolute paths are mapped
    std::error_code ec;
    std::filesystem::remove(hostPath(word), ec);
  }
  return 0;
}

// Files the simulated hardware leaves for commands that read output:
// DIR/run/sim/<command name>.
std::optional<std::string> simulatedOutput(const std::string& command) {
  std::string name = command.substr(0, command.find_first_of(" |"));
  name = name.substr(name.rfind('/') + 1);
  std::ifstream in(hostPath("/run/sim/" + name));
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

CommandResult sandboxRun(const std::string& command) {
  CommandHandler handler;
  {
    std::lock_guard lock(gMutex);
    record(command);
    for (auto& [prefix, h] : gHandlers)
      if (startsWith(command, prefix)) handler = h;
    if (!handler && command == kRemountRw) {
      gOptSetWritable = true;
      return {};
    }
    if (!handler && command == kRemountRo) {
      gOptSetWritable = false;
      return {};
    }
  }
  // A handler answers first, so the simulation can make any command fail.
  if (handler) return handler(command);
  if (startsWith(command, "rm ")) return {sandboxRemove(command), {}};
  if (auto out = simulatedOutput(command)) return {0, *out};
  if (startsWith(command, "my_temp")) return {0, "45.3\ntemp=48.1'C\n"};
  // reboot, network restart, shells, update scripts, stty, tput, console
  // escapes: recorded only.
  return {};
}

}  // namespace

int runCommand(const std::string& command) {
  if (sandboxed()) return sandboxRun(command).status;
  return std::system(command.c_str());
}

std::optional<std::string> readCommand(const std::string& command) {
  if (sandboxed()) {
    CommandResult result = sandboxRun(command);
    return result.output;
  }
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string out;
  char buf[256];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  ::pclose(pipe);
  return out;
}

int grabScreenshot() { return runCommand("/usr/bin/fbgrab /tmp/screen.png >/dev/null 2>&1 </dev/null"); }

int runMaintenanceShell() { return runCommand("/opt/sshshell"); }

int sttyNoEcho() { return runCommand("stty -echo"); }

int sttySane() { return runCommand("/bin/stty sane"); }

int clearTerminal() { return runCommand("/usr/bin/tput clear"); }

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

void setSandboxHandler(const std::string& prefix, CommandHandler handler) {
  std::lock_guard lock(gMutex);
  if (handler)
    gHandlers[prefix] = std::move(handler);
  else
    gHandlers.erase(prefix);
}

}  // namespace platform
