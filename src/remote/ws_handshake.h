#pragma once
// The upgrade handshake as the two units speak it: the server counts known
// request lines, the client counts known reply lines and checks the accept
// value derived from its key.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Standard Base64 with padding.
std::string Base64Text(const uint8_t* data, size_t length);
// Sec-WebSocket-Accept for a client key: Base64 of SHA-1(key + GUID).
std::string WebSocketAccept(std::string_view clientKey);
// Cuts at most two trailing carriage returns or line feeds, one at a time.
std::string CutLineEnd(std::string_view text);

// The server's view of a request, one line at a time.
struct ServerHandshake {
  static constexpr int kLinesNeeded = 8;
  int count = 0;
  std::string clientKey;
  void line(std::string_view text);
  bool complete() const { return count >= kLinesNeeded; }
};

// The request lines the program's own client sends.
std::vector<std::string> ClientRequestLines(const std::string& host, int port, const std::string& clientKey);
// The server's reply lines for a client key.
std::vector<std::string> ServerReplyLines(std::string_view clientKey);

// The client's view of the reply.
struct ClientHandshake {
  static constexpr int kKnownLines = 5;
  int count = 0;  // -1 once the accept value was wrong
  std::string expectedAccept;
  void line(std::string_view text);
  bool failed() const { return count == -1; }
  bool complete() const { return count > kKnownLines; }
};
