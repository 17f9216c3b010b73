#pragma once
// TLS for the browser panel, on libssl. The unit makes its own key and
// self-signed certificate at its first start; the owner compares the
// certificate's fingerprint on the information screen with the one the
// browser shows.
//
// A connection is used by two threads at once (its reader and its writer),
// and an SSL object may not be: every call into it is made under the
// connection's mutex, on a non-blocking socket, with the waits outside it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/transport.h"

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace platform {

struct TlsIdentity {
  std::string certPem, keyPem;
};
// A new P-256 key and a self-signed certificate for `commonName`, valid for
// twenty years; empty texts on failure.
TlsIdentity MakeTlsIdentity(const std::string& commonName);
// The certificate's SHA-256 fingerprint as browsers show it ("AB:CD:..."),
// or "" when `certPem` is no certificate.
std::string TlsFingerprint(const std::string& certPem);
// The base64 SHA-256 of the certificate's public key (what Chromium's
// --ignore-certificate-errors-spki-list takes); "" on failure.
std::string TlsSpkiHash(const std::string& certPem);
// Whether the key and the certificate belong together.
bool TlsIdentityUsable(const TlsIdentity& identity);

// The server side: one context for every connection.
class TlsServer {
 public:
  explicit TlsServer(const TlsIdentity& identity);
  ~TlsServer();
  bool ready() const { return ctx_ != nullptr; }
  SSL_CTX* context() const { return ctx_; }

 private:
  SSL_CTX* ctx_ = nullptr;
};

// Whether the first byte a peer sends opens a TLS handshake (a ClientHello
// record); waits up to `timeoutMs` for it. -1 when nothing came, else 0 or 1.
int PeerStartsTls(int fd, int timeoutMs);

// One TLS connection over `fd` (which stays the caller's to close).
class TlsConnection : public Transport {
 public:
  TlsConnection() = default;
  ~TlsConnection();
  TlsConnection(const TlsConnection&) = delete;
  TlsConnection& operator=(const TlsConnection&) = delete;

  // The server's handshake, within `timeoutMs`. False (with the reason in
  // `error`) on a garbled or unfinished ClientHello or a time-out.
  bool accept(const TlsServer& server, int fd, int timeoutMs, std::string& error);
  // The client's handshake (tests); the peer's certificate is not checked.
  bool connect(int fd, int timeoutMs, std::string& error);

  int waitReadable(int timeoutMs) override;
  long receive(void* data, size_t length) override;
  bool sendAllWithin(const void* data, size_t length, int timeoutMs) override;
  // Sends the close alert (when it can) and shuts the socket down.
  void shutdown() override;

 private:
  bool handshake(bool server, int timeoutMs, std::string& error);
  std::mutex mutex_;
  SSL* ssl_ = nullptr;
  int fd_ = -1;
};

}  // namespace platform
