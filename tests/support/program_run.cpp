#include "program_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

long nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A cross build's tests name the emulator to the programs they start, and
// through them to the programs those start (the bench's hfamp). Once, before
// any of them runs.
void exportEmulator() {
#ifdef HFAMP_EMULATOR
  static const bool exported = setenv("HFAMP_EMULATOR", HFAMP_EMULATOR, 1) == 0;
  static_cast<void>(exported);
#endif
}

}  // namespace

std::string buildDir() {
  if (const char* dir = std::getenv("HFAMP_BINARY_DIR")) return dir;
#ifdef HFAMP_BINARY_DIR
  return HFAMP_BINARY_DIR;
#else
  return ".";
#endif
}

sim::Command emulatedCommand(const std::vector<std::string>& args) {
  exportEmulator();
  return sim::EmulatedCommand(args);
}

int emulationSlowdown() {
  exportEmulator();
  return sim::EmulationSlowdown();
}

ProgramRun::ProgramRun(const std::string& root) : root_(root) {
  std::string binary = buildDir() + "/hfamp";
  std::string errPath = root + "/stderr.txt";
  // Built before the fork: the child of a threaded test only calls exec.
  const sim::Command command = emulatedCommand({binary, "--root", root});
  const std::string dir = buildDir();
  pid_ = fork();
  if (pid_ == 0) {
    int fd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) dup2(fd, STDERR_FILENO);
    int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, STDIN_FILENO);
    if (chdir(dir.c_str()) != 0) _exit(126);
    command.exec();
    _exit(127);
  }
}

ProgramRun::~ProgramRun() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool ProgramRun::waitForOutput(const std::string& text, int timeoutMs) {
  long end = nowMs() + long{timeoutMs} * emulationSlowdown();
  while (nowMs() < end) {
    if (stderrText().find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return stderrText().find(text) != std::string::npos;
}

int ProgramRun::waitExit(int timeoutMs) {
  long end = nowMs() + long{timeoutMs} * emulationSlowdown();
  while (pid_ > 0 && nowMs() < end) {
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

int ProgramRun::stop(int signal, int timeoutMs, long* elapsedMs) {
  long start = nowMs();
  if (pid_ > 0) kill(pid_, signal);
  int status = waitExit(timeoutMs);
  if (elapsedMs) *elapsedMs = nowMs() - start;
  return status;
}

std::string ProgramRun::stderrText() const { return slurp(root_ + "/stderr.txt"); }

std::string ProgramRun::systemLog() const { return slurp(root_ + "/var/log/hfamp.log"); }
