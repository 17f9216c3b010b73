#include "ui/interfaces_file.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kWords[kLanKeyCount] = {"address", "netmask", "gateway", "nameserver"};
constexpr const char* kBlanks = " \t";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Whether `line` holds at `at` four numbers of 0..255 joined by dots, ending
// there (a blank, a "/24" prefix length, a "\r" or the line's end may follow).
bool dottedAt(const std::string& line, size_t at) {
  for (int part = 0; part < 4; ++part) {
    int value = 0, digits = 0;
    for (; at < line.size() && isDigit(line[at]) && digits < 4; ++at, ++digits) value = value * 10 + (line[at] - '0');
    if (digits == 0 || digits > 3 || value > 255) return false;
    if (part < 3 && (at >= line.size() || line[at++] != '.')) return false;
  }
  return at >= line.size() || std::string_view(" \t/\r#").find(line[at]) != std::string_view::npos;
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

// The key a line sets, or -1; `valueAt` and `valueSize` locate its value.
int readKey(std::string_view line, size_t& valueAt, size_t& valueSize) {
  const size_t first = line.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return -1;
  const size_t blank = line.find_first_of(kBlanks, first);
  if (blank == std::string_view::npos) return -1;
  const std::string_view word = line.substr(first, blank - first);
  for (int k = 0; k < kLanKeyCount; ++k) {
    if (word != kWords[k]) continue;
    size_t start = line.find_first_not_of(kBlanks, blank);
    if (start == std::string_view::npos) start = line.size();
    size_t end = line.size();
    if (end > start && line[end - 1] == '\r') --end;
    valueAt = start;
    valueSize = end - start;
    return k;
  }
  return -1;
}

// The last line holding a key, or -1.
int lastLineOf(const std::vector<std::string>& lines, int key, size_t& valueAt) {
  int found = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    size_t at = 0, size = 0;
    if (readKey(lines[i], at, size) == key) {
      found = static_cast<int>(i);
      valueAt = at;
    }
  }
  return found;
}

std::string dotted(const uint8_t* v) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", v[0], v[1], v[2], v[3]);
  return text;
}

}  // namespace

const char* LanKeyWord(int key) { return key >= 0 && key < kLanKeyCount ? kWords[key] : ""; }

InterfacesValues ParseInterfaces(std::string_view content) {
  InterfacesValues values;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string_view::npos) end = content.size();
    const std::string_view line = content.substr(start, end - start);
    size_t at = 0, size = 0;
    // A later line with the same keyword replaces the earlier value whole.
    const int key = readKey(line, at, size);
    if (key >= 0) values.text[key] = std::string(line.substr(at, size));
    start = end + 1;
  }
  return values;
}

std::string RewriteInterfaces(const std::string& content, const InterfacesEdit& edit, std::string* addressLine,
                              std::string* skipped) {
  bool any = false;
  for (bool c : edit.changed) any = any || c;
  if (!any) return content;
  std::vector<std::string> lines = splitLines(content);
  for (int k = 0; k < kLanKeyCount; ++k) {
    if (!edit.changed[k]) continue;
    const std::string value = dotted(edit.bytes[k]);
    size_t at = 0;
    const int index = lastLineOf(lines, k, at);
    if (index >= 0) {
      std::string& line = lines[static_cast<size_t>(index)];
      // A value the editor cannot read (an IPv6 address, a name) was never
      // the one edited: its line stays as it is.
      if (!dottedAt(line, at)) {
        if (skipped) *skipped += std::string(skipped->empty() ? "" : " ") + kWords[k];
        continue;
      }
      size_t end = at;
      while (end < line.size() && (isDigit(line[end]) || line[end] == '.')) ++end;
      line = line.substr(0, at) + value + line.substr(end);
      if (k == kLanAddress && addressLine) *addressLine = line;
      continue;
    }
    size_t addressAt = 0;
    const int address = lastLineOf(lines, kLanAddress, addressAt);
    if (k == kLanAddress || address < 0) {
      if (skipped) *skipped += std::string(skipped->empty() ? "" : " ") + kWords[k];
      continue;
    }
    const std::string& addr = lines[static_cast<size_t>(address)];
    const std::string indent = addr.substr(0, addr.find_first_not_of(kBlanks));
    // After the last of the keys before it in the address's stanza, so the
    // lines keep the usual order: address, netmask, gateway, nameserver.
    int after = address;
    for (int j = 1; j < k; ++j) {
      size_t unused = 0;
      const int at = lastLineOf(lines, j, unused);
      // Only the lines right below the address: another stanza's netmask
      // further down is not this interface's.
      if (at > after && at <= address + 3) after = at;
    }
    lines.insert(lines.begin() + after + 1, indent + kWords[k] + " " + value);
  }
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i + 1 < lines.size() || (!content.empty() && content.back() == '\n')) out += '\n';
  }
  return out;
}
