#pragma once
// What a connecting peer asked for, read from the same request lines the
// handshake counts. A unit's request keeps the counting dialect; a browser
// names its page in an `Origin` header and ends its request at the empty line;
// a request without an upgrade is a plain HTTP request for the page.
#include <string>
#include <string_view>

class HttpRequest {
 public:
  enum class Kind { Pending, Browser, Page, TooLong };
  // One line as SocketStream::readLine gives it (a line longer than the
  // line limit arrives without its line feed).
  void line(std::string_view text, size_t lineLimit);
  Kind kind() const;
  const std::string& path() const { return path_; }
  const std::string& key() const { return key_; }
  bool isGet() const { return get_; }
  // Whether a browser's upgrade can be accepted: a GET with a key of 16
  // base64 bytes and version 13, the only version the reply speaks.
  bool upgradeAcceptable() const;
  bool versionSupported() const { return version_ == "13"; }

 private:
  bool first_ = true, get_ = false, origin_ = false, upgrade_ = false, ended_ = false, tooLong_ = false;
  std::string path_, key_, version_;
};

// Case-insensitive header name test: "name:" at the start of `line`.
bool HeaderIs(std::string_view line, std::string_view name);
// The value of a header line without its surrounding blanks and line end.
std::string HeaderValue(std::string_view line);
