#pragma once
// What a connecting peer asked for, read from the same request lines the
// handshake counts. A unit's request keeps the counting dialect; a browser
// names its page in an `Origin` header and ends its request at the empty line;
// a request that begins with an HTTP request line and asks for no upgrade is
// a plain HTTP request for the page. Anything else (empty lines, say) is left
// to the dialect's counting.
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
  const std::string& host() const { return host_; }
  bool isGet() const { return get_; }
  // Whether a browser's upgrade can be accepted: a GET with a key of 16
  // base64 bytes and version 13, the only version the reply speaks.
  bool upgradeAcceptable() const;
  bool versionSupported() const { return version_ == "13"; }
  // Whether the page that opens the upgrade is this unit's own: its Origin
  // is `scheme` "://" and the Host the request was sent to.
  bool sameOrigin(std::string_view scheme) const;

 private:
  bool first_ = true, requestLine_ = false, get_ = false, origin_ = false, upgrade_ = false, ended_ = false,
       tooLong_ = false;
  std::string path_, key_, version_, host_, originValue_;
};

// Case-insensitive header name test: "name:" at the start of `line`.
bool HeaderIs(std::string_view line, std::string_view name);
// The value of a header line without its surrounding blanks and line end.
std::string HeaderValue(std::string_view line);
