#pragma once
// The one place where the program runs shell commands of the board: the
// remounts of "/opt/set", "rm", "reboot", the network restart, the maintenance
// shell, the update script, fbgrab, stty, tput, "my_temp", "lsusb".
//
// On the board they run through the shell as given. In the sandbox none of them
// reaches the host: remounts flip a recorded writable state, "rm -f" removes
// under the sandbox root, commands that read output answer from the simulated
// hardware (or fixed plausible values), and everything is recorded.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Runs a command as system() would; returns its exit status (0 = success) or -1.
int runCommand(const std::string& command);
// Runs a command and returns its standard output, as popen() would; nullopt
// when the pipe cannot be opened.
std::optional<std::string> readCommand(const std::string& command);

// The board's service actions, one call each; each returns the command's exit
// status as runCommand does.
// Saves the screen to "/tmp/screen.png" with fbgrab.
int grabScreenshot();
// Runs the maintenance shell "/opt/sshshell" and returns when it ends.
int runMaintenanceShell();
// The terminal's modes: echo off while the service keyboard is taken, sane
// again when it is let go; and a cleared terminal at exit.
int sttyNoEcho();
int sttySane();
int clearTerminal();

// Sandbox: whether "/opt/set" is currently remounted writable.
bool optSetWritable();
// Sandbox: every command seen so far, in order.
std::vector<std::string> commandRecord();
void clearCommandRecord();

// Sandbox: answers a command whose text starts with `prefix`. The handler gets
// the whole command and returns its exit status and output. Used by the display
// (screenshots) and the simulated hardware ("my_temp", "lsusb").
struct CommandResult {
  int status = 0;
  std::string output;
};
using CommandHandler = std::function<CommandResult(const std::string& command)>;
void setSandboxHandler(const std::string& prefix, CommandHandler handler);

}  // namespace platform
