// Fuzz target for the network settings' reader and rewrite of
// "/etc/network/interfaces": any bytes parse; a rewrite with nothing changed
// gives the file back byte for byte; a changed address is read back as
// written, and every line but the one it came from is left as it was.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ui/interfaces_file.h"
#include "ui/network_settings.h"

namespace {

std::vector<std::string> linesOf(const std::string& s) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find('\n', start);
    if (end == std::string::npos) end = s.size();
    out.push_back(s.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  const InterfacesValues values = ParseInterfaces(content);
  for (const std::string& v : values.text) {
    uint8_t bytes[4] = {1, 2, 3, 4};
    if (SplitAddr(v.c_str(), bytes) != 0 && std::memcmp(bytes, "\1\2\3\4", 4) != 0) std::abort();
  }

  InterfacesEdit none;
  if (RewriteInterfaces(content, none, nullptr, nullptr) != content) std::abort();

  InterfacesEdit edit;
  edit.changed[kLanAddress] = true;
  const uint8_t address[4] = {10, 20, 30, 40};
  std::memcpy(edit.bytes[kLanAddress], address, 4);
  std::string addressLine, skipped;
  const std::string out = RewriteInterfaces(content, edit, &addressLine, &skipped);
  if (addressLine.empty()) {
    // No line holds an address: there was nothing to rewrite.
    if (out != content) std::abort();
    return 0;
  }
  uint8_t back[4] = {};
  if (SplitAddr(ParseInterfaces(out).text[kLanAddress].c_str(), back) != 0 || std::memcmp(back, address, 4) != 0)
    std::abort();
  const auto before = linesOf(content), after = linesOf(out);
  if (before.size() != after.size()) std::abort();
  int differing = 0;
  for (size_t i = 0; i < before.size(); ++i) differing += before[i] != after[i];
  if (differing > 1) std::abort();
  return 0;
}
