// The bench's commands for a second unit ("remote", "client") and for the
// CAT text typed at the companion transceiver ("rig cat"), which the CAT
// relay carries to the other unit.
#include <sstream>

#include "bench_commands.h"
#include "bench_remote.h"
#include "ft817_sim.h"

namespace sim {
namespace {

// The text after the first `words` words of a line, leading blanks cut.
std::string restOf(const std::string& line, int words) {
  std::istringstream in(line);
  std::string word;
  for (int i = 0; i < words; ++i) in >> word;
  std::string rest;
  std::getline(in, rest);
  const size_t start = rest.find_first_not_of(" \t");
  return start == std::string::npos ? "" : rest.substr(start);
}

constexpr size_t kCatLinesShown = 8;

}  // namespace

std::string BenchCommands::remoteCommand(const std::string& a) {
  if (!remote_) return "this unit is no WebSocket server: start the bench with --serve PORT";
  if (a.empty()) return remote_->describe();
  if (a == "stop") {
    remote_->stop();
    return "ok";
  }
  if (a == "client") {
    const std::string error = remote_->start(clientRoot_, serverPort_);
    if (!error.empty()) return error;
    return "ok: client unit in " + clientRoot_ + ", screen " + clientRoot_ + "/dev/fb0, log " + remote_->logPath() +
           "; \"client COMMAND\" drives it";
  }
  return "usage: remote [client | stop]";
}

std::string BenchCommands::clientCommand(const std::string& line) {
  if (!remote_) return "this unit is no WebSocket server: start the bench with --serve PORT";
  const std::string command = restOf(line, 1);
  if (command.empty()) return "usage: client COMMAND (any bench command, for the client unit)";
  return remote_->ask(command);
}

std::string BenchCommands::catCommand(const std::string& line) {
  if (!companionCat_) return "no simulated companion CAT port";
  const std::string text = restOf(line, 2);
  if (!text.empty()) {
    companionCat_->say(text);
    return "ok";
  }
  const std::vector<std::string> got = companionCat_->received();
  std::string out = "CAT text received (" + std::to_string(got.size()) + "):";
  for (size_t i = got.size() > kCatLinesShown ? got.size() - kCatLinesShown : 0; i < got.size(); ++i)
    out += " " + got[i];
  return out;
}

}  // namespace sim
