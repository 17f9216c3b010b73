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

char IP[kLanTextSize], NetMask[kLanTextSize], Gateway[kLanTextSize], DNS[kLanTextSize];
char MAC[kLanTextSize];
uint8_t IP_v[4], NetMask_v[4], Gateway_v[4], DNS_v[4];
std::atomic<uint8_t> Gateway_none{0}, DNS_none{0};
std::atomic<const uint8_t*> LAN_vect{nullptr};
std::atomic<int> LAN_idx{0};
std::mutex LAN_mutex;

namespace {

using platform::kErr;

// The four keywords, the text each value is kept in and its byte array.
struct LanKey {
  const char* word;
  char* text;
  uint8_t* bytes;
};

const LanKey kKeys[] = {
    {"address", IP, IP_v},
    {"netmask", NetMask, NetMask_v},
    {"gateway", Gateway, Gateway_v},
    {"nameserver", DNS, DNS_v},
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

void reportOpenFailure() {
  platform::errPrintf("Error opening network connection configuration file. CODE: %d\n", errno);
}

// The file's lines, each without its line feed. A last line without a line
// feed is a whole line too: its value must not lose a character.
std::vector<std::string> splitLines(const std::string& content) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    lines.push_back(content.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The keyword of a line as the reader sees it: leading spaces skipped, the word
// up to the first space, the value after that one space.
const LanKey* readKey(std::string_view line, std::string_view& value) {
  const size_t first = line.find_first_not_of(' ');
  if (first == std::string_view::npos) return nullptr;
  line.remove_prefix(first);
  const size_t space = line.find(' ');
  if (space == std::string_view::npos) return nullptr;
  const std::string_view word = line.substr(0, space);
  for (const LanKey& key : kKeys) {
    if (word == key.word) {
      value = line.substr(space + 1);
      if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
      return &key;
    }
  }
  return nullptr;
}

// The keyword a line begins with in its first column, as the writer replaces
// it; nullptr for every other line, indented ones included.
const LanKey* writtenKey(std::string_view line) {
  for (const LanKey& key : kKeys) {
    const size_t n = std::strlen(key.word);
    if (line.substr(0, n) == key.word && (line.size() == n || line[n] == ' ' || line[n] == '\t')) return &key;
  }
  return nullptr;
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
    return -1;
  }
  for (char* text : {IP, NetMask, Gateway, DNS, MAC}) std::memset(text, 0, kLanTextSize);

  for (const std::string& line : splitLines(*content)) {
    std::string_view value;
    const LanKey* key = readKey(line, value);
    if (!key) continue;
    // A later line with the same keyword replaces the earlier value whole.
    std::snprintf(key->text, kLanTextSize, "%.*s", static_cast<int>(value.size()), value.data());
    if (key->text == IP) platform::errPrintf("ip: %s\n", IP);
    if (key->text == NetMask) platform::errPrintf("NetMask: %s\n", NetMask);
  }

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
  platform::errPrintf("ReadLanParam DNS_none=%d Gateway_none=%d\n", DNS_none.load(), Gateway_none.load());
  return 0;
}

int SaveLanParam(Works*) {
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

  // Every line is written back, however long the file: dropping lines of the
  // system's network configuration could leave the board unreachable.
  std::string out;
  std::vector<std::string> newAddresses;
  {
    std::lock_guard lock(LAN_mutex);
    for (const std::string& line : splitLines(*content)) {
      const LanKey* key = writtenKey(line);
      if (!key) {
        out += line + '\n';
        continue;
      }
      const bool none = (key->text == Gateway && Gateway_none) || (key->text == DNS && DNS_none);
      char replaced[64];
      if (none)
        std::snprintf(replaced, sizeof replaced, "%s ", key->word);
      else
        std::snprintf(replaced, sizeof replaced, "%s %d.%d.%d.%d", key->word, key->bytes[0], key->bytes[1],
                      key->bytes[2], key->bytes[3]);
      out += replaced;
      out += '\n';
      if (key->text == IP) newAddresses.push_back(replaced);
    }
  }
  // Written whole through a temporary file: a torn file would lose the network.
  if (!platform::writeFileAtomic(kInterfacesPath, out)) {
    reportOpenFailure();
    return -1;
  }
  for (const std::string& line : newAddresses) platform::errPrintf("--->new ip: %s \n", line.c_str());
  return platform::restartNetwork();
}
