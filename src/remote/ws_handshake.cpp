#include "remote/ws_handshake.h"

#include <openssl/evp.h>

#include <cstdio>

#include "platform/log.h"

using platform::kErr;
using platform::kInfo;

namespace {

constexpr const char* kGuid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
constexpr const char* requestHeader[] = {"GET ",
                                         "Host: ",
                                         "Sec-WebSocket-Version: ",
                                         "Sec-WebSocket-Protocol: ",
                                         "Sec-WebSocket-Key: ",
                                         "Connection: keep-alive, Upgrade",
                                         "Upgrade: websocket"};
constexpr std::string_view keyHeader = "Sec-WebSocket-Key: ";
constexpr const char* responseHeader[] = {"HTTP/1.1 101 Switching Protocols", "Upgrade: websocket",
                                          "Connection: Upgrade", "Sec-WebSocket-Accept:",
                                          "Sec-WebSocket-Protocol: chat"};
constexpr std::string_view recKeyHeader = "Sec-WebSocket-Accept: ";
constexpr size_t kLineShort = 3;

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

std::string Base64Text(const uint8_t* data, size_t length) {
  std::string out(4 * ((length + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data, static_cast<int>(length));
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

std::string WebSocketAccept(std::string_view clientKey) {
  const std::string text = std::string(clientKey) + kGuid;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &size, EVP_sha1(), nullptr) != 1) return {};
  return Base64Text(digest, size);
}

std::string CutLineEnd(std::string_view text) {
  for (int i = 0; i < 2 && !text.empty() && (text.back() == '\r' || text.back() == '\n'); ++i)
    text.remove_suffix(1);
  return std::string(text);
}

void ServerHandshake::line(std::string_view text) {
  if (text.empty() || text.back() != '\n') return;
  // A peer's bytes before its passphrase are never logged: only their count
  // and which of our own prefixes they matched.
  platform::sysLog(kInfo, "Received %d bytes", static_cast<int>(text.size()));
  for (const char* prefix : requestHeader) {
    if (!startsWith(text, prefix)) continue;
    ++count;
    platform::sysLog(kInfo, "Caught %s go to status %d/%d\n", prefix, count, 7);
    if (prefix == keyHeader) {
      clientKey = CutLineEnd(text.substr(keyHeader.size()));
      platform::sysLog(kInfo, "Caught key of %zu characters", clientKey.size());
    }
    break;
  }
  if (text.size() < kLineShort) {
    ++count;
    platform::sysLog(kInfo, "status advanced %d", count);
  }
}

std::vector<std::string> ClientRequestLines(const std::string& host, int port, const std::string& clientKey) {
  char hostLine[64];
  std::snprintf(hostLine, sizeof hostLine, "Host: %s:%d\r\n", host.c_str(), port);
  return {"GET /chat HTTP/1.1\r\n",
          hostLine,
          "Upgrade: websocket\r\n",
          "Connection: keep-alive, Upgrade\r\n",
          "Sec-WebSocket-Key: " + clientKey + "\r\n",
          "Sec-WebSocket-Version: 13\r\n\r\n\r\n"};
}

std::vector<std::string> ServerReplyLines(std::string_view clientKey) {
  return {"HTTP/1.1 101 Switching Protocols\r\n", "Upgrade: websocket\r\n", "Connection: Upgrade\r\n",
          "Sec-WebSocket-Accept: " + WebSocketAccept(clientKey) + "\r\n", "Sec-WebSocket-Protocol: chat\r\n\r\n"};
}

void ClientHandshake::line(std::string_view text) {
  if (text.empty() || text.back() != '\n') return;
  platform::sysLog(kInfo, "Received %d bytes", static_cast<int>(text.size()));
  for (const char* prefix : responseHeader) {
    if (!startsWith(text, prefix)) continue;
    ++count;
    platform::sysLog(kInfo, "Caught %s go to status %d/%d\n", prefix, count, kKnownLines);
    break;
  }
  if (startsWith(text, recKeyHeader)) {
    const std::string got = CutLineEnd(text.substr(recKeyHeader.size()));
    if (got != expectedAccept) {
      platform::sysLog(kErr, "keys not correct (%zu characters received)", got.size());
      count = -1;
    } else {
      platform::sysLog(kErr, "keys correct %s", expectedAccept.c_str());
    }
    return;
  }
  if (text.size() < kLineShort) {
    ++count;
    platform::sysLog(kInfo, "status advanced %d", count);
  }
}
