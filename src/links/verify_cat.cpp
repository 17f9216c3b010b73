#include "links/verify_cat.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/log.h"
#include "platform/serial.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;
using platform::kInfo;

namespace {

constexpr const char* kPattern = "/dev/ORVACAT*";
constexpr const char* kDashes = "---------------------------------------------";
constexpr int kAnswerLength = 5;  // "DT001"; the ';' is not waited for
constexpr long kPauseBetweenMs = 2;

// Reads the answer a byte at a time, each read waiting up to a second, until
// five bytes have come or a read brings nothing.
int readAnswer(int fd, const std::string& port, char (&answer)[200]) {
  std::memset(answer, 0, sizeof answer);
  int count = 0;
  while (count < kAnswerLength) {
    const long n = platform::readSerial(fd, answer + count, 1);
    if (n <= 0) break;  // time-out or a failed read: the answer is what came
    count += static_cast<int>(n);
    platform::sysLog(kInfo, "Received %d \"%s\" %s", count, answer, port.c_str());
  }
  platform::sysLog(kInfo, "Received \"%s\" %s", answer, port.c_str());
  return count;
}

// Opens one candidate and asks it; the open descriptor when it answered.
int probe(const std::string& port) {
  platform::SerialSettings settings;
  settings.readTimeoutTenths = 0;
  const platform::SerialOpen opened = platform::openSerial(port, settings);
  if (opened.failure == platform::SerialOpen::Failure::Open) {
    platform::sysLog(kInfo, "Cannot open %s, error %d -%s", port.c_str(), opened.error,
                     platform::errorText(opened.error).c_str());
    return -1;
  }
  platform::sysLog(kInfo, "Opened  %s", port.c_str());
  platform::errPrintf("Opened %s%s\n", port.c_str(), kDashes);
  if (opened.fd < 0) {
    platform::sysLog(kInfo, "Cannot set %s, error %d -%s", port.c_str(), opened.error,
                     platform::errorText(opened.error).c_str());
    return -1;
  }
  const int fd = opened.fd;
  platform::sysLog(kInfo, "Set %s", port.c_str());
  platform::errPrintf("set %s%s\n", port.c_str(), kDashes);
  platform::sysLog(kInfo, "Send \"DT;\" %s", port.c_str());
  platform::writeAll(fd, "DT;", 3);
  platform::sysLog(kInfo, "Sent \"DT;\" %s", port.c_str());
  platform::errPrintf("sent %s%s\n", port.c_str(), kDashes);
  char answer[200];
  platform::setReadTimeout(fd, 0, 10);
  readAnswer(fd, port, answer);
  if (std::strncmp(answer, "DT001;", kAnswerLength) != 0) {
    platform::closeSerial(fd);
    platform::sysLog(kInfo, "Cannot connect VYR using %s", port.c_str());
    return -1;
  }
  // The ';' (or anything else after the answer) is not CAT traffic for the relay.
  platform::sleepMs(20);
  platform::flushInput(fd);
  platform::errPrintf("received DT001; %s%s\n", port.c_str(), kDashes);
  return fd;
}

}  // namespace

int VerifyCAT(Works* w) {
  platform::errPrintf("CAT serial search...\n");
  const std::vector<std::string> ports = platform::matchDevices(kPattern);
  if (ports.empty()) {
    platform::errPrintf("No CAT serial port found");
    return -1;
  }
  for (auto it = ports.rbegin(); it != ports.rend(); ++it) {
    const int fd = probe(*it);
    if (fd >= 0) {
      w->catFD = fd;
      platform::errPrintf("CAT serial found:  %s%s\n", it->c_str(), kDashes);
      return 0;
    }
    platform::sleepMs(kPauseBetweenMs);
  }
  platform::sysLog(kErr, "Unable to open device %s", w->setup->CatPort);
  platform::errPrintf("CAT: Unable to open device %s\n", w->setup->CatPort);
  return -1;
}
