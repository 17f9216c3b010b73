#pragma once
// The text of "/etc/network/interfaces" as the network settings see it: the
// four values they read, and the rewrite that changes those values and leaves
// every other byte of the file as it was. Pure text in, text out, so the
// parser can be fuzzed and the rewrite checked byte for byte.
#include <cstdint>
#include <string>
#include <string_view>

// The keys, in this order: "address", "netmask", "gateway", "nameserver".
inline constexpr int kLanKeyCount = 4;
enum LanKeyNo : int { kLanAddress, kLanNetmask, kLanGateway, kLanNameserver };
const char* LanKeyWord(int key);

// The value of each key as the last line holding it says (indentation of
// spaces or tabs allowed, keyword, blanks, value), without a trailing "\r";
// empty when no line holds the key.
struct InterfacesValues {
  std::string text[kLanKeyCount];
};
InterfacesValues ParseInterfaces(std::string_view content);

// New values for some keys.
struct InterfacesEdit {
  bool changed[kLanKeyCount] = {};
  uint8_t bytes[kLanKeyCount][4] = {};
};
// `content` with each changed value written as a dotted quad into the line it
// was read from, keeping that line's indentation and whatever followed the old
// address (a prefix length, a comment, a "\r"). A changed gateway or name
// server without a line of its own gets one after the address line (and after
// the netmask and gateway lines that follow it), with the address's
// indentation; without an address line it is left out and `skipped` names it.
// A line whose value is not a dotted IPv4 address (an IPv6 address, a name) is
// left as it is, and `skipped` names it too. With nothing changed the result
// is `content` itself. `addressLine` receives the rewritten address line, if
// any.
std::string RewriteInterfaces(const std::string& content, const InterfacesEdit& edit, std::string* addressLine,
                              std::string* skipped);
