#include "remote/http_request.h"

#include <cctype>

namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

bool containsWord(std::string_view text, std::string_view word) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.find(word) != std::string::npos;
}

// "METHOD SP target SP HTTP/d.d" and the line end.
bool isRequestLine(std::string_view line) {
  line = trimmed(line);
  const size_t sp1 = line.find(' ');
  if (sp1 == 0 || sp1 == std::string_view::npos) return false;
  for (size_t i = 0; i < sp1; ++i)
    if (!std::isupper(static_cast<unsigned char>(line[i]))) return false;
  const size_t sp2 = line.find(' ', sp1 + 1);
  if (sp2 == std::string_view::npos || sp2 == sp1 + 1) return false;
  const std::string_view version = line.substr(sp2 + 1);
  return version.size() == 8 && version.substr(0, 5) == "HTTP/" && std::isdigit(static_cast<unsigned char>(version[5])) &&
         version[6] == '.' && std::isdigit(static_cast<unsigned char>(version[7]));
}

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

bool HeaderIs(std::string_view line, std::string_view name) {
  if (line.size() <= name.size() || line[name.size()] != ':') return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(name[i])))
      return false;
  return true;
}

std::string HeaderValue(std::string_view line) {
  const size_t colon = line.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(trimmed(line.substr(colon + 1)));
}

void HttpRequest::line(std::string_view text, size_t lineLimit) {
  if (ended_ || tooLong_) return;
  if (text.empty() || text.back() != '\n') {
    // Only a line cut at the limit is refused; a last line the peer left
    // unfinished is its own end of stream.
    if (text.size() >= lineLimit) tooLong_ = true;
    return;
  }
  if (first_) {
    first_ = false;
    requestLine_ = isRequestLine(text);
    if (requestLine_ && text.substr(0, 4) == "GET ") {
      get_ = true;
      const std::string_view rest = text.substr(4);
      path_ = std::string(rest.substr(0, rest.find(' ')));
      if (!path_.empty() && (path_.back() == '\n' || path_.back() == '\r')) path_ = std::string(trimmed(path_));
    }
    return;
  }
  if (trimmed(text).empty()) {
    ended_ = true;
    return;
  }
  if (HeaderIs(text, "Origin")) {
    origin_ = true;
    originValue_ = HeaderValue(text);
  }
  if (HeaderIs(text, "Host")) host_ = HeaderValue(text);
  if (HeaderIs(text, "Upgrade") && containsWord(text, "websocket")) upgrade_ = true;
  if (HeaderIs(text, "Sec-WebSocket-Key")) key_ = HeaderValue(text);
  if (HeaderIs(text, "Sec-WebSocket-Version")) version_ = HeaderValue(text);
}

bool HttpRequest::upgradeAcceptable() const {
  // 16 random bytes in base64 are 22 characters and "==".
  if (!get_ || !versionSupported() || key_.size() != 24 || key_.substr(22) != "==") return false;
  for (size_t i = 0; i < 22; ++i) {
    const unsigned char c = static_cast<unsigned char>(key_[i]);
    if (!std::isalnum(c) && c != '+' && c != '/') return false;
  }
  return true;
}

HttpRequest::Kind HttpRequest::kind() const {
  if (tooLong_) return Kind::TooLong;
  if (!ended_) return Kind::Pending;
  // A unit's request always carries "Upgrade: websocket" and no Origin: it is
  // left to the dialect's counting, which may read past this empty line.
  if (!requestLine_) return Kind::Pending;
  if (origin_ && upgrade_) return Kind::Browser;
  if (!upgrade_) return Kind::Page;
  return Kind::Pending;
}

bool HttpRequest::sameOrigin(std::string_view scheme) const {
  if (host_.empty() || originValue_.empty()) return false;
  return lowered(originValue_) == lowered(std::string(scheme) + "://" + host_);
}
