// hfamp-sim: the development bench. Makes a sandbox, attaches the simulated
// hardware to it over pseudo-terminals, starts `hfamp --root DIR` and takes
// commands on standard input while it runs ("help" lists them).
//
//   hfamp-sim [--root DIR] [--hfamp PATH]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "pty.h"
#include "sandbox.h"

namespace {

std::string defaultHfamp(const char* argv0) {
  return (std::filesystem::path(argv0).parent_path().parent_path() / "hfamp").string();
}

pid_t startProgram(const std::string& hfamp, const std::string& root) {
  pid_t pid = fork();
  if (pid == 0) {
    execl(hfamp.c_str(), hfamp.c_str(), "--root", root.c_str(), static_cast<char*>(nullptr));
    std::perror("hfamp-sim: exec hfamp");
    _exit(127);
  }
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root = "/tmp/hfamp-bench";
  std::string hfamp = defaultHfamp(argv[0]);
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--root") && i + 1 < argc)
      root = argv[++i];
    else if (!std::strcmp(argv[i], "--hfamp") && i + 1 < argc)
      hfamp = argv[++i];
    else {
      std::fprintf(stderr, "usage: hfamp-sim [--root DIR] [--hfamp PATH]\n");
      return 2;
    }
  }
  if (!sim::makeSandbox(root)) {
    std::fprintf(stderr, "hfamp-sim: cannot make the sandbox %s\n", root.c_str());
    return 1;
  }
  sim::Pty amp;  // the amplifier port; nobody answers on it yet
  if (!amp.ok() || !amp.linkSlaveTo(root + "/dev/ttyAMA0")) {
    std::fprintf(stderr, "hfamp-sim: cannot make the amplifier pseudo-terminal\n");
    return 1;
  }
  std::fprintf(stderr, "hfamp-sim: sandbox %s, amplifier port %s; screen in %s/dev/fb0\n", root.c_str(),
               amp.slaveName().c_str(), root.c_str());
  pid_t child = startProgram(hfamp, root);
  std::string line;
  std::fprintf(stderr, "hfamp-sim: type \"quit\" to stop\n");
  while (std::getline(std::cin, line)) {
    if (line == "quit" || line == "q") break;
    if (line == "help") std::fprintf(stderr, "commands: quit\n");
  }
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
