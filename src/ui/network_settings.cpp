#include "ui/network_settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/board.h"
#include "platform/files.h"
#include "platform/log.h"
#include "ui/interfaces_file.h"

char IP[kLanTextSize], NetMask[kLanTextSize], Gateway[kLanTextSize], DNS[kLanTextSize];
char MAC[kLanTextSize];
uint8_t IP_v[4], NetMask_v[4], Gateway_v[4], DNS_v[4];
std::atomic<uint8_t> Gateway_none{0}, DNS_none{0};
std::atomic<const uint8_t*> LAN_vect{nullptr};
std::atomic<int> LAN_idx{0};
std::mutex LAN_mutex;

namespace {

using platform::kErr;

// The text each key's value is kept in and its byte array, in key order.
char* const kTexts[kLanKeyCount] = {IP, NetMask, Gateway, DNS};
uint8_t* const kBytes[kLanKeyCount] = {IP_v, NetMask_v, Gateway_v, DNS_v};

// The bytes as they were read, per key: a value the user has not changed is
// never rewritten, so a value the program could not read (a host name, a
// malformed address) and the lines of other interfaces stay as they are.
uint8_t readBytes[kLanKeyCount][4];

void rememberRead() {
  for (int k = 0; k < kLanKeyCount; ++k) std::memcpy(readBytes[k], kBytes[k], 4);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

void reportOpenFailure() {
  platform::errPrintf("Error opening network connection configuration file. CODE: %d\n", errno);
}

void convert(const char* text, uint8_t* bytes) {
  std::memset(bytes, 0, 4);
  if (text[0] && SplitAddr(text, bytes) != 0)
    platform::errPrintf("ReadLanParam: \"%s\" is not an address, using 0.0.0.0\n", text);
}

}  // namespace

int SplitAddr(const char* text, uint8_t* vect) {
  uint8_t out[4];
  const char* p = text;
  for (int i = 0; i < 4; ++i) {
    while (*p == ' ' || *p == '\t') ++p;
    if (!isDigit(*p)) return -1;
    int value = 0;
    for (; isDigit(*p); ++p) {
      value = value * 10 + (*p - '0');
      if (value > 255) return -1;
    }
    out[i] = static_cast<uint8_t>(value);
    if (i < 3 && *p++ != '.') return -1;
  }
  std::memcpy(vect, out, sizeof out);
  return 0;
}

void SplitAddrInv(char* text, const uint8_t* vect) {
  std::snprintf(text, 16, "%i.%i.%i.%i", vect[0], vect[1], vect[2], vect[3]);
}

int ModifyIP(int op, int cursor, uint8_t* vect) {
  cursor = std::clamp(cursor, 0, 3);
  switch (op) {
    case kLanDown:
      vect[cursor] = static_cast<uint8_t>(vect[cursor] - 1);
      break;
    case kLanUp:
      vect[cursor] = static_cast<uint8_t>(vect[cursor] + 1);
      break;
    case kLanLeft:
      cursor = cursor == 0 ? 3 : cursor - 1;
      break;
    case kLanRight:
      cursor = cursor == 3 ? 0 : cursor + 1;
      break;
    default:
      break;
  }
  return cursor;
}

int ReadLanParam(Works*) {
  std::lock_guard lock(LAN_mutex);
  DNS[0] = '\0';
  Gateway[0] = '\0';
  const std::optional<std::string> content = platform::readFile(kInterfacesPath);
  if (!content) {
    reportOpenFailure();
    rememberRead();
    return -1;
  }
  for (char* text : {IP, NetMask, Gateway, DNS, MAC}) std::memset(text, 0, kLanTextSize);
  const InterfacesValues values = ParseInterfaces(*content);
  for (int k = 0; k < kLanKeyCount; ++k)
    std::snprintf(kTexts[k], kLanTextSize, "%s", values.text[k].c_str());
  if (IP[0]) platform::errPrintf("ip: %s\n", IP);
  if (NetMask[0]) platform::errPrintf("NetMask: %s\n", NetMask);

  convert(IP, IP_v);
  convert(NetMask, NetMask_v);
  if (Gateway[0]) {
    convert(Gateway, Gateway_v);
    platform::errPrintf("gateway: %s\n", Gateway);
    Gateway_none = 0;
  } else {
    Gateway_none = 1;
  }
  if (DNS[0]) {
    convert(DNS, DNS_v);
    platform::errPrintf("DNS: %s\n", DNS);
    DNS_none = 0;
  } else {
    DNS_none = 1;
  }
  rememberRead();
  platform::errPrintf("ReadLanParam DNS_none=%d Gateway_none=%d\n", DNS_none.load(), Gateway_none.load());
  return 0;
}

namespace {

// Whether any value differs from what the file held when last read or written.
bool anyChanged() {
  std::lock_guard lock(LAN_mutex);
  for (int k = 0; k < kLanKeyCount; ++k)
    if (std::memcmp(readBytes[k], kBytes[k], 4) != 0) return true;
  return false;
}

}  // namespace

int SaveLanParam(Works*) {
  // A restart takes the network away for a while, the remote peer with it:
  // with nothing changed there is nothing to write and nothing to restart.
  if (!anyChanged()) return 0;
  if (platform::remountRootWritable() != 0) {
    const int err = errno;
    platform::sysLog(kErr, "can't mount rw / %d", err);
    platform::errPrintf("can't mount rw / %d\n", err);
    return -1;
  }
  const std::optional<std::string> content = platform::readFile(kInterfacesPath);
  if (!content) {
    reportOpenFailure();
    return -1;
  }
  InterfacesEdit edit;
  {
    std::lock_guard lock(LAN_mutex);
    for (int k = 0; k < kLanKeyCount; ++k) {
      edit.changed[k] = std::memcmp(readBytes[k], kBytes[k], 4) != 0;
      std::memcpy(edit.bytes[k], kBytes[k], 4);
    }
  }
  std::string addressLine, skipped;
  const std::string out = RewriteInterfaces(*content, edit, &addressLine, &skipped);
  if (!skipped.empty())
    platform::errPrintf("SaveLanParam: %s not written (no IPv4 address line for it)\n", skipped.c_str());
  // Written whole through a temporary file: a torn file would lose the network.
  if (!platform::writeFileAtomic(kInterfacesPath, out)) {
    reportOpenFailure();
    return -1;
  }
  {
    std::lock_guard lock(LAN_mutex);
    for (int k = 0; k < kLanKeyCount; ++k) std::memcpy(readBytes[k], edit.bytes[k], 4);
  }
  if (!addressLine.empty()) platform::errPrintf("--->new ip: %s \n", addressLine.c_str());
  return platform::restartNetwork();
}
