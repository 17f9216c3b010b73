#pragma once
// Runs the hfamp binary in a sandbox root as a child process, with its
// standard error captured to DIR/stderr.txt.
#include <sys/types.h>

#include <string>
#include <vector>

#include "emulated_exec.h"

class ProgramRun {
 public:
  // Starts `hfamp --root root` with the working directory set to the build folder.
  explicit ProgramRun(const std::string& root);
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  // Waits until standard error contains `text` (true) or `timeoutMs` passes.
  bool waitForOutput(const std::string& text, int timeoutMs);
  // Sends a signal and waits for the exit; returns the exit status, or -1 when
  // it did not exit within `timeoutMs`. `elapsedMs` receives the time taken.
  int stop(int signal, int timeoutMs, long* elapsedMs = nullptr);
  // Waits for the program to exit by itself; exit status or -1 on time-out.
  int waitExit(int timeoutMs);
  std::string stderrText() const;
  std::string systemLog() const;

 private:
  std::string root_;
  pid_t pid_ = -1;
};

// The build folder holding the hfamp binary.
std::string buildDir();

// The command line that runs `args` (a program of this build first): a
// cross build's programs run here only under qemu-user, which then comes
// first, and is also named to the programs started (HFAMP_EMULATOR).
sim::Command emulatedCommand(const std::vector<std::string>& args);

// How many times longer the program takes here than on the machine it was
// built for: 1 natively, more when a cross build's binary runs under qemu-user.
// ProgramRun's waits are stretched by it; tests that bound a duration
// themselves multiply by it too.
int emulationSlowdown();
