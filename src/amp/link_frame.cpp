#include "amp/link_frame.h"

#include <cctype>
#include <cstdio>

#include "amp/crc8.h"

namespace {

// The checksum over `text` as the amplifier writes it, upper case.
void checksumText(std::string_view text, char out[3]) {
  std::snprintf(out, 3, "%02X", Sys_Crc8Calculation(text.data(), text.size()));
}

bool sameDigits(const char* computed, char a, char b) {
  return computed[0] == std::toupper(static_cast<unsigned char>(a)) &&
         computed[1] == std::toupper(static_cast<unsigned char>(b));
}

bool plausibleStart(std::string_view s) {
  return s.size() >= 5 && std::isxdigit(static_cast<unsigned char>(s[0])) &&
         std::isxdigit(static_cast<unsigned char>(s[1])) && std::isupper(static_cast<unsigned char>(s[2]));
}

}  // namespace

ReplyFramer::Event ReplyFramer::push(char c) {
  buf_.push_back(c);
  if (c == ';') return finish();
  if (buf_.size() >= kMaxFrame) {
    buf_.clear();
    return Event::Overflow;
  }
  return Event::None;
}

ReplyFramer::Event ReplyFramer::finish() {
  raw_.swap(buf_);
  buf_.clear();
  std::string_view all(raw_);
  if (all.size() < 5) {  // two checksum digits and at least "XY;"
    checksumText(all.size() > 2 ? all.substr(2) : std::string_view(), computed_);
    return Event::Runt;
  }
  checksumText(all.substr(2), computed_);
  if (sameDigits(computed_, all[0], all[1])) {
    text_ = all.substr(2);
    skipped_ = 0;
    return Event::Reply;
  }
  for (size_t start = 1; start + 5 <= all.size(); ++start) {
    std::string_view tail = all.substr(start);
    if (!plausibleStart(tail)) continue;
    char sum[3];
    checksumText(tail.substr(2), sum);
    if (!sameDigits(sum, tail[0], tail[1])) continue;
    text_ = tail.substr(2);
    skipped_ = start;
    return Event::Reply;
  }
  return Event::BadCheck;
}
