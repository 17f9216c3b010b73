// Fuzz target: a peer's handshake lines, cut as the line reader cuts them
// (at a line feed or after 1023 bytes), through both ends' counters.
#include <cstdint>
#include <string_view>

#include "platform/log.h"
#include "remote/ws_handshake.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = (platform::setLogOutput(false), true);
  (void)quiet;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ServerHandshake server;
  ClientHandshake client;
  client.expectedAccept = WebSocketAccept("dGhlIHNhbXBsZSBub25jZQ==");
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    end = end == std::string_view::npos ? text.size() : end + 1;
    if (end - at > 1023) end = at + 1023;
    const std::string_view line = text.substr(at, end - at);
    if (!server.complete()) server.line(line);
    if (!client.failed() && !client.complete()) client.line(line);
    at = end;
  }
  if (server.complete()) (void)ServerReplyLines(server.clientKey);
  return 0;
}
