#include "pty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace sim {

Pty::Pty() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) return;
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    ::close(master_);
    master_ = -1;
    return;
  }
  char name[128];
  if (::ptsname_r(master_, name, sizeof name) != 0) {
    ::close(master_);
    master_ = -1;
    return;
  }
  slaveName_ = name;
  slaveKeepOpen_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  // Raw master side: bytes pass unchanged in both directions.
  termios tio{};
  if (slaveKeepOpen_ >= 0 && tcgetattr(slaveKeepOpen_, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(slaveKeepOpen_, TCSANOW, &tio);
  }
}

Pty::~Pty() {
  if (slaveKeepOpen_ >= 0) ::close(slaveKeepOpen_);
  if (master_ >= 0) ::close(master_);
}

bool Pty::linkSlaveTo(const std::string& link) const {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(link).parent_path(), ec);
  std::filesystem::remove(link, ec);
  std::filesystem::create_symlink(slaveName_, link, ec);
  return !ec;
}

}  // namespace sim
