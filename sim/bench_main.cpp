// hfamp-sim: the development bench. Makes a sandbox, attaches the simulated
// amplifier microcontroller to its /dev/ttyAMA0 over a pseudo-terminal, the
// simulated companion transceiver to /dev/ttyUSB1 (external IO) and
// /dev/ORVACAT0 (its CAT port) and a simulated FT-817 to /dev/ttyUSB2, puts
// the simulated front panel on its GPIO register file /dev/gpiomem and the
// simulated service keyboard on /dev/input/by-id/sim-event-kbd, starts
// `hfamp --root DIR` (working directory: the folder holding the hfamp binary,
// where its pictures are) and takes commands while it runs, from standard
// input and from the Unix socket DIR/run/bench.sock ("help" lists them).
//
// With --serve PORT the program is also the WebSocket server on PORT, and
// "remote client" starts a second unit (another hfamp-sim, in DIR-client)
// whose program connects to it. --client-of PORT makes this bench that
// second unit.
//
//   hfamp-sim [--root DIR] [--hfamp PATH] [--wire-log FILE] [--serve PORT | --client-of PORT]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "amp_sim.h"
#include "bench_commands.h"
#include "bench_files.h"
#include "bench_remote.h"
#include "bench_socket.h"
#include "companion_sim.h"
#include "emulated_exec.h"
#include "front_panel.h"
#include "ft817_sim.h"
#include "platform/clock.h"
#include "platform/pcm.h"
#include "sample_tables.h"
#include "sandbox.h"
#include "sim_keyboard.h"
#include "sim_microphone.h"
#include "sim_touch.h"

namespace {

struct Options {
  std::string root = "/tmp/hfamp-bench";
  std::string hfamp;
  std::string wireLog;
  sim::BenchRole role;
};

bool portArg(const char* text, int& port) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (*end != '\0' || v < 1 || v > 65535) return false;
  port = static_cast<int>(v);
  return true;
}

bool parseArgs(int argc, char** argv, Options& o) {
  o.hfamp = (std::filesystem::path(argv[0]).parent_path().parent_path() / "hfamp").string();
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--root" && i + 1 < argc)
      o.root = argv[++i];
    else if (a == "--hfamp" && i + 1 < argc)
      o.hfamp = argv[++i];
    else if (a == "--wire-log" && i + 1 < argc)
      o.wireLog = argv[++i];
    else if ((a == "--serve" || a == "--client-of") && i + 1 < argc && portArg(argv[++i], o.role.port))
      o.role.kind = a == "--serve" ? sim::BenchRole::Server : sim::BenchRole::Client;
    else
      return false;
  }
  o.root = std::filesystem::absolute(o.root).string();
  o.hfamp = std::filesystem::absolute(o.hfamp).string();
  return true;
}

// The program's standard output and error go to its log file in the sandbox
// ("log" shows the tail), so the console holds the bench's own answers. The
// file is opened before the fork: the child of a threaded process only
// duplicates descriptors.
pid_t startProgram(const std::string& hfamp, const std::string& root) {
  const sim::Command command = sim::EmulatedCommand({hfamp, "--root", root});
  const std::string dir = std::filesystem::path(hfamp).parent_path().string();
  const std::string logPath = root + sim::kProgramLog;
  const int logFd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  if (logFd < 0) std::fprintf(stderr, "hfamp-sim: no program log at %s: its output comes here\n", logPath.c_str());
  pid_t pid = fork();
  if (pid == 0) {
    if (logFd >= 0) {
      dup2(logFd, STDOUT_FILENO);
      dup2(logFd, STDERR_FILENO);
    }
    if (chdir(dir.c_str()) != 0) std::perror("hfamp-sim: chdir");
    command.exec();
    std::perror("hfamp-sim: exec hfamp");
    _exit(127);
  }
  if (logFd >= 0) close(logFd);
  return pid;
}

// This very program, to start a second unit with.
std::string selfPath(const char* argv0) {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::absolute(argv0).string() : self.string();
}

// SIGTERM and SIGINT stop the bench the same way as "quit", so the program
// under test is stopped too and never left running.
std::atomic<bool> gStopSignal{false};

void onStopSignal(int) { gStopSignal = true; }

void installStopSignals() {
  struct sigaction sa {};
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

// Reads one line from standard input if one is ready within `ms`.
bool readStdinLine(std::string& line, int ms, bool& eof) {
  pollfd pfd{STDIN_FILENO, POLLIN, 0};
  if (eof || ::poll(&pfd, 1, ms) <= 0) {
    if (eof) platform::sleepMs(ms);
    return false;
  }
  if (!std::getline(std::cin, line)) {
    eof = true;
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parseArgs(argc, argv, o)) {
    std::fprintf(stderr, "usage: hfamp-sim [--root DIR] [--hfamp PATH] [--wire-log FILE] [--serve PORT | --client-of PORT]\n");
    return 2;
  }
  if (!sim::makeSandbox(o.root) || !sim::writeBenchSetFiles(o.root, o.role, true) ||
      !sim::writeMyTemp(o.root, 48.3, 47.2)) {
    std::fprintf(stderr, "hfamp-sim: cannot make the sandbox %s\n", o.root.c_str());
    return 1;
  }
  sim::AmpSim amp;
  if (!amp.ok() || !amp.linkSlaveTo(o.root + "/dev/ttyAMA0")) {
    std::fprintf(stderr, "hfamp-sim: cannot make the amplifier pseudo-terminal\n");
    return 1;
  }
  if (!o.wireLog.empty()) amp.logToFile(o.wireLog);
  amp.start();
  sim::CompanionSim companion;
  sim::CompanionCatSim companionCat;
  sim::Ft817Sim ft817;
  if (!companion.linkSlaveTo(o.root + "/dev/ttyUSB1") || !companionCat.linkSlaveTo(o.root + "/dev/ORVACAT0") ||
      !ft817.linkSlaveTo(o.root + "/dev/ttyUSB2"))
    std::fprintf(stderr, "hfamp-sim: cannot attach the simulated transceivers\n");
  // A client unit takes the transceiver's parameters from the far unit; its
  // own companion only keeps the link alive with spectra.
  if (o.role.kind == sim::BenchRole::Client) companion.setIntervals(0, 200);
  companion.start();
  companionCat.start();
  ft817.start();
  sim::FrontPanel panel(o.root);
  if (!panel.ok()) std::fprintf(stderr, "hfamp-sim: no front panel: %s\n", panel.error().c_str());
  for (int b = 1; b <= 6; ++b) panel.release(b);  // a button left down by an earlier run
  const char variant = amp.model().variant;
  panel.setReading(sim::Rail::V12, sim::RailReading(12.0, variant));
  panel.setReading(sim::Rail::V15, sim::RailReading(15.0, variant));
  panel.setReading(sim::Rail::Supply, sim::RailReading(variant == '1' ? 48.0 : 13.8, variant));
  panel.logToFile(o.root + "/var/log/front-panel.log");
  panel.start();
  sim::SimKeyboard keyboard(o.root);
  if (!keyboard.ok()) std::fprintf(stderr, "hfamp-sim: no keyboard pipe at %s\n", keyboard.path().c_str());
  sim::BenchCommands commands(amp, ParseConfigText(sim::sampleConfigTxt()));
  commands.setRoot(o.root);
  commands.setFrontPanel(&panel);
  commands.setKeyboard(&keyboard);
  sim::SimTouch finger(o.root);
  commands.setTouch(&finger);
  commands.setTransceivers(&companion, &companionCat, &ft817);
  sim::RemoteUnit clientUnit(selfPath(argv[0]), o.hfamp);
  // A unit of a pair hears its simulated microphone; the bench lives on when
  // the program closes the pipe's reading end.
  sim::SimMicrophone microphone;
  signal(SIGPIPE, SIG_IGN);
  if (o.role.kind != sim::BenchRole::Alone) {
    if (microphone.start(o.root + platform::kSimAudioIn))
      commands.setMicrophone(&microphone);
    else
      std::fprintf(stderr, "hfamp-sim: no simulated microphone\n");
  }
  if (o.role.kind == sim::BenchRole::Server) commands.setRemote(&clientUnit, o.root + "-client", o.role.port);
  std::atomic<bool> quit{false};
  sim::ControlSocket control;
  std::string sock = o.root + "/run/bench.sock";
  if (!control.start(sock, [&](const std::string& line) {
        bool q = false;
        std::string reply = commands.run(line, q);
        if (q) quit = true;
        return reply;
      }))
    std::fprintf(stderr, "hfamp-sim: no control socket at %s\n", sock.c_str());
  std::fprintf(stderr, "hfamp-sim: sandbox %s, amplifier port %s, control socket %s; screen in %s/dev/fb0\n",
               o.root.c_str(), amp.slaveName().c_str(), sock.c_str(), o.root.c_str());
  if (o.role.kind == sim::BenchRole::Server)
    std::fprintf(stderr, "hfamp-sim: WebSocket server on port %d; \"remote client\" starts a second unit\n",
                 o.role.port);
  if (o.role.kind == sim::BenchRole::Client)
    std::fprintf(stderr, "hfamp-sim: client of 127.0.0.1:%d\n", o.role.port);
  pid_t child = startProgram(o.hfamp, o.root);
  std::fprintf(stderr, "hfamp-sim: the program's log is %s%s (\"log\" shows its end)\n", o.root.c_str(),
               sim::kProgramLog);
  std::fprintf(stderr, "hfamp-sim: type \"help\" for the commands, \"quit\" to stop\n");
  int status = 0;
  bool exited = false, eof = false;
  int64_t lastTemp = platform::monotonicMs();
  std::string line;
  installStopSignals();
  while (!quit && !gStopSignal) {
    if (waitpid(child, &status, WNOHANG) == child) {
      exited = true;
      std::fprintf(stderr, "hfamp-sim: hfamp ended (status %d)\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
      break;
    }
    if (readStdinLine(line, 200, eof)) {
      bool q = false;
      std::string reply = commands.run(line, q);
      if (!reply.empty()) std::fprintf(stderr, "%s\n", reply.c_str());
      if (q) quit = true;
    }
    if (platform::monotonicMs() - lastTemp > 5000) {  // the board's temperatures drift a little
      lastTemp = platform::monotonicMs();
      sim::writeMyTemp(o.root, 48 + (lastTemp / 5000) % 5 * 0.3, 47 + (lastTemp / 5000) % 3 * 0.4);
    }
  }
  control.stop();
  clientUnit.stop();
  if (!exited) {
    kill(child, SIGTERM);
    waitpid(child, &status, 0);
  }
  microphone.stop();
  amp.stop();
  companion.stop();
  companionCat.stop();
  ft817.stop();
  panel.stop();
  std::fprintf(stderr, "hfamp-sim: front panel: %llu exchanges, %llu garbled\n",
               static_cast<unsigned long long>(panel.exchanges()), static_cast<unsigned long long>(panel.garbled()));
  std::fprintf(stderr, "hfamp-sim: %llu replies sent, %llu bad frames received\n",
               static_cast<unsigned long long>(amp.repliesSent()), static_cast<unsigned long long>(amp.badFrames()));
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
