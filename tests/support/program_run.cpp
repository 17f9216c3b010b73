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

}  // namespace

std::string buildDir() {
  if (const char* dir = std::getenv("HFAMP_BINARY_DIR")) return dir;
#ifdef HFAMP_BINARY_DIR
  return HFAMP_BINARY_DIR;
#else
  return ".";
#endif
}

std::vector<std::string> emulatedCommand(const std::vector<std::string>& args) {
  std::vector<std::string> command;
#ifdef HFAMP_EMULATOR
  // The bench under test starts programs of its own, and needs the emulator
  // for them too.
  setenv("HFAMP_EMULATOR", HFAMP_EMULATOR, 1);
  std::istringstream words(HFAMP_EMULATOR);
  for (std::string w; words >> w;) command.push_back(w);
#endif
  command.insert(command.end(), args.begin(), args.end());
  return command;
}

int emulationSlowdown() {
#ifdef HFAMP_EMULATOR
  // qemu-user translates every instruction of a whole program with its
  // threads and drawing; start-up and shut-down measured 3-4 times slower.
  return 5;
#else
  return 1;
#endif
}

ProgramRun::ProgramRun(const std::string& root) : root_(root) {
  std::string binary = buildDir() + "/hfamp";
  std::string errPath = root + "/stderr.txt";
  // Built before the fork: the child of a threaded test only calls exec.
  const std::vector<std::string> args = emulatedCommand({binary, "--root", root});
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const std::string dir = buildDir();
  pid_ = fork();
  if (pid_ == 0) {
    int fd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) dup2(fd, STDERR_FILENO);
    int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, STDIN_FILENO);
    if (chdir(dir.c_str()) != 0) _exit(126);
    execvp(argv[0], argv.data());
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
