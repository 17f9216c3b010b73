#pragma once
// Actions on the board's operating system, one call each: remounting the
// settings partition and the root file system, removing files, the processor
// temperature, the console, screenshots, the network, the update script, USB
// devices, reboot and the maintenance shell.
//
// On the board each runs its own fixed command through the shell. In the
// sandbox (--root DIR) none of them reaches the host: each does a safe
// equivalent under DIR, and every call is recorded, as the command the board
// would run, in DIR/var/log/commands.log.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class BoardAction {
  RemountSettingsWritable,   // "/opt/set" read-write
  RemountSettingsReadOnly,   // "/opt/set" read-only
  RemountRootWritable,       // "/" read-write, for the network settings file
  RemoveFile,                // rm
  ReadProcessorTemperature,  // my_temp
  HideConsoleCursor,         // escape sequence to the console
  GrabScreenshot,            // fbgrab /tmp/screen.png
  RestartNetwork,            // ifdown / ifup
  RunUpdateScript,           // the update script
  CountUsbDevices,           // lsusb filtered for one identifier, counted
  ListUsbDevices,            // lsusb filtered for one identifier
  Reboot,
  MaintenanceShell,  // the service shell, waited for
  TerminalSane,      // stty sane
  TerminalNoEcho,    // stty -echo
  ClearTerminal,     // tput clear
};

// How a file is removed: "rm PATH", "rm -f PATH", or "rm -f PATH" with its
// output discarded.
enum class RemoveMode { Plain, Force, ForceQuiet };

// Each returns the command's exit status, 0 on success.
int remountSettingsWritable();
int remountSettingsReadOnly();
// Makes the root file system writable so "/etc/network/interfaces" can be
// rewritten; it is left writable afterwards. Recorded only in the sandbox.
int remountRootWritable();
int removeFile(const std::string& systemPath, RemoveMode mode);
// The output of "my_temp": the CPU temperature on the first line, the GPU's on
// the second; nullopt when it cannot be run.
std::optional<std::string> readProcessorTemperature();
void hideConsoleCursor();
// Saves the screen to "/tmp/screen.png".
int grabScreenshot();
int restartNetwork();
int runUpdateScript();
// The count of USB devices with identifier `usbId` ("vvvv:pppp"), as text.
std::optional<std::string> countUsbDevices(const std::string& usbId);
// The lines of the USB listing that name `usbId` ("vvvv" or "vvvv:pppp").
// In the sandbox the listing is the simulated bus, DIR/run/sim/lsusb, in
// lsusb's own format ("Bus 001 Device 004: ID 0d8c:01af ..."); without that
// file the simulated bus holds the root hub and the USB audio codec.
std::optional<std::string> listUsbDevices(const std::string& usbId);
int reboot();
int runMaintenanceShell();
void terminalSane();
void terminalNoEcho();
void clearTerminal();

// The command text the board runs for an action.
std::string boardCommandText(BoardAction action, const std::string& argument = {}, RemoveMode mode = RemoveMode::Force);

// Sandbox: whether "/opt/set" is currently remounted writable (always true on
// the board, where the kernel enforces it).
bool optSetWritable();
// Sandbox: the command texts of every call so far, in order.
std::vector<std::string> commandRecord();
void clearCommandRecord();

// Sandbox: the simulation (or a test) may answer an action itself, to make it
// fail or to produce what it produces on the board (the display answers the
// screenshot). The answer replaces the sandbox's own equivalent.
struct BoardCall {
  BoardAction action;
  std::string argument;  // the path or identifier, when the action takes one
};
struct BoardResult {
  int status = 0;
  std::string output;
};
using BoardAnswer = std::function<BoardResult(const BoardCall& call)>;
void setSandboxAnswer(BoardAction action, BoardAnswer answer);
// What the sandbox itself does for a call, for an answer that only adds to it
// (a remount made slow still has to make the folder writable).
BoardResult sandboxEquivalent(const BoardCall& call);

}  // namespace platform
