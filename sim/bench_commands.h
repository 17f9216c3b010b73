#pragma once
// The bench's command language, shared by standard input and the control
// socket: one command per line, one reply text per command.
#include <mutex>
#include <string>
#include <vector>

#include "tables/config_table.h"

namespace sim {

class AmpSim;
class CompanionSim;
class CompanionCatSim;
class Ft817Sim;
class FrontPanel;
class SimKeyboard;
class SimTouch;
class RemoteUnit;
class SimMicrophone;

// Where the bench puts the program's standard output and error, under the
// sandbox root, so the console keeps to the bench's own answers.
inline constexpr const char* kProgramLog = "/var/log/console.log";
inline constexpr int kLogLines = 20, kLogLinesMax = 500;

class BenchCommands {
 public:
  // `calibration` is the band table the program reads; the simulated
  // amplifier encodes its readings with the row of the transceiver frequency.
  BenchCommands(AmpSim& amp, std::vector<ConfigRow> calibration);
  // The sandbox root, for screenshots, the program's setup and its log.
  void setRoot(const std::string& root) { root_ = root; }
  // The front panel and the service keyboard, when the bench has them.
  void setFrontPanel(FrontPanel* panel) { panel_ = panel; }
  void setKeyboard(SimKeyboard* keyboard) { keyboard_ = keyboard; }
  void setTouch(SimTouch* touch) { touch_ = touch; }
  // The simulated transceivers the "rig" commands turn: the companion on the
  // external IO port (and its CAT port) and the FT-817.
  void setTransceivers(CompanionSim* companion, CompanionCatSim* companionCat, Ft817Sim* ft817) {
    companion_ = companion;
    companionCat_ = companionCat;
    ft817_ = ft817;
  }

  // The second unit "remote client" starts in `clientRoot`, as client of
  // this unit's server on `port`.
  void setRemote(RemoteUnit* unit, std::string clientRoot, int port) {
    remote_ = unit;
    clientRoot_ = std::move(clientRoot);
    serverPort_ = port;
  }

  void setMicrophone(SimMicrophone* microphone) { microphone_ = microphone; }

  // Runs one command line; sets `quit` for "quit". Thread-safe.
  std::string run(const std::string& line, bool& quit);
  static const char* help();

 private:
  void followFrequency(uint32_t hz);
  std::string panelCommand(const std::string& cmd, const std::string& a, const std::string& b);
  std::string rigCommand(const std::string& a, const std::string& b);
  std::string touchCommand(const std::string& line);
  std::string logCommand(const std::string& a) const;
  std::string remoteCommand(const std::string& a);
  std::string clientCommand(const std::string& line);
  std::string catCommand(const std::string& line);
  std::string audioCommand(const std::string& a, const std::string& b, const std::string& c);
  std::string receiverCommand(const std::string& a, const std::string& b, const std::string& c);

  std::mutex mutex_;
  AmpSim& amp_;
  std::vector<ConfigRow> calibration_;
  std::string root_;
  FrontPanel* panel_ = nullptr;
  SimKeyboard* keyboard_ = nullptr;
  SimTouch* touch_ = nullptr;
  CompanionSim* companion_ = nullptr;
  CompanionCatSim* companionCat_ = nullptr;
  Ft817Sim* ft817_ = nullptr;
  RemoteUnit* remote_ = nullptr;
  SimMicrophone* microphone_ = nullptr;
  std::string clientRoot_;
  int serverPort_ = 0;
};

}  // namespace sim
