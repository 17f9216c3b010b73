// Fuzz target: a peer's request lines, cut as the line reader cuts them,
// through the request reader that tells pages, browsers and units apart, the
// origin check and the HTTPS redirect that echoes the peer's Host.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/log.h"
#include "remote/http_page.h"
#include "remote/http_request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = (platform::setLogOutput(false), true);
  (void)quiet;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  HttpRequest req;
  size_t at = 0;
  while (at < text.size() && req.kind() == HttpRequest::Kind::Pending) {
    size_t end = text.find('\n', at);
    end = end == std::string_view::npos ? text.size() : end + 1;
    if (end - at > 1023) end = at + 1023;
    req.line(text.substr(at, end - at), 1023);
    at = end;
  }
  (void)req.upgradeAcceptable();
  (void)req.sameOrigin("https");
  if (req.kind() == HttpRequest::Kind::Page) {
    const std::string answer = HttpsRedirect(req.host(), req.path());
    // The answer's head is ours: a peer's byte may never end a line in it.
    const size_t head = answer.find("\r\n\r\n");
    if (head == std::string::npos) __builtin_trap();
    for (size_t i = 0; i < head; ++i)
      if (answer[i] == '\n' && (i == 0 || answer[i - 1] != '\r')) __builtin_trap();
  }
  return 0;
}
