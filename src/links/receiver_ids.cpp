#include "links/receiver_ids.h"

#include <sstream>

#include "platform/files.h"

namespace {

bool parseHex16(const std::string& s, uint16_t& out) {
  if (s.empty() || s.size() > 4) return false;
  unsigned v = 0;
  for (char c : s) {
    const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<unsigned>(d);
  }
  out = static_cast<uint16_t>(v);
  return true;
}

std::string trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.erase(0, 1);
  return s;
}

}  // namespace

ReceiverIds ParseReceiverIds(const std::string& text) {
  ReceiverIds ids;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = trimmed(line.substr(0, eq)), value = trimmed(line.substr(eq + 1));
    uint16_t v = 0;
    if (key == "vendor" && parseHex16(value, v)) ids.vendor = v;
    if (key == "product" && parseHex16(value, v)) ids.product = v;
    if (key == "refused") {
      std::vector<ReceiverIds::Refused> list;
      std::istringstream items(value);
      std::string item;
      bool good = true;
      while (std::getline(items, item, ',')) {
        good = good && parseHex16(trimmed(item), v);
        list.push_back({v, "refused by receiver.txt"});
      }
      if (good) ids.refused = list;
    }
  }
  return ids;
}

ReceiverIds LoadReceiverIds() { return ParseReceiverIds(platform::readFile(kReceiverIdsPath).value_or("")); }
