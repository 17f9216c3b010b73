#pragma once
// A pseudo-terminal pair: the simulated device keeps the master side, the
// program opens the slave side as if it were the board's serial port.
#include <string>

namespace sim {

class Pty {
 public:
  Pty();
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool ok() const { return master_ >= 0; }
  int master() const { return master_; }
  const std::string& slaveName() const { return slaveName_; }
  // Makes `link` (a host path) a symbolic link to the slave device.
  bool linkSlaveTo(const std::string& link) const;

 private:
  int master_ = -1;
  int slaveKeepOpen_ = -1;  // keeps the line up while the program reopens it
  std::string slaveName_;
};

}  // namespace sim
