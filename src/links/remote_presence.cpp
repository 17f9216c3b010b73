#include "links/remote_presence.h"

#include <cstdlib>
#include <sstream>
#include <vector>

#include "links/receiver_ids.h"
#include "links/verify_cat.h"
#include "platform/board.h"
#include "platform/log.h"
#include "platform/serial.h"
#include "platform/usb_receiver.h"
#include "state/setup_record.h"
#include "state/works.h"

namespace {

constexpr const char* kCodecVendor = "0d8c";
constexpr const char* kCodecId = "0d8c:01af";

bool receiverPresent() {
  int err = 0;
  if (!platform::UsbReceiver::initLibrary(err)) return false;
  std::vector<platform::UsbDeviceId> devices;
  if (!platform::UsbReceiver::listDevices(devices)) return false;
  const ReceiverIds ids = LoadReceiverIds();
  for (const auto& d : devices)
    if (d.vendor == ids.vendor && d.product == ids.product) return true;
  return false;
}

// Probes the CAT port without taking it from the relay: the probe's port is
// closed again and the relay's own, if any, left as it was.
bool catAnswers(Works* w) {
  const int relayFd = w->catFD.exchange(0);
  const bool ok = VerifyCAT(w) == 0;
  const int probeFd = w->catFD.exchange(relayFd);
  if (ok && probeFd > 0) platform::closeSerial(probeFd);
  return ok;
}

}  // namespace

int Find_Remote_Settings(Works* w) {
  if (!receiverPresent()) return 1;
  if (!catAnswers(w)) {
    platform::errPrintf("---CAT: Unable to open device %s\n", w->setup->CatPort);
    return 2;
  }
  if (VerifyAudioVYR(w) == 0) return 3;
  return 0;
}

int Get_AudioVYR(Works*) {
  const auto listing = platform::listUsbDevices(kCodecVendor);
  if (!listing) {
    platform::errPrintf("Error opening pipe.\n");
    return 0;
  }
  std::istringstream lines(*listing);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    platform::errPrintf("----------------- %s\n", line.c_str());
    ++count;
  }
  return count;
}

int VerifyAudioVYR(Works*) {
  const auto count = platform::countUsbDevices(kCodecId);
  if (!count) {
    platform::errPrintf("Error opening pipe.\n");
    return 0;
  }
  return std::atoi(count->c_str());
}
