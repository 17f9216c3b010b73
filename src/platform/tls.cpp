#include "platform/tls.h"

#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "platform/clock.h"

namespace platform {
namespace {

constexpr long kValidSeconds = 20L * 365 * 24 * 3600;
constexpr uint8_t kHandshakeRecord = 0x16;

template <typename T, void (*Free)(T*)>
struct Owned {
  T* p = nullptr;
  explicit Owned(T* v = nullptr) : p(v) {}
  ~Owned() {
    if (p) Free(p);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
};
void freeBio(BIO* b) { BIO_free(b); }
using Bio = Owned<BIO, freeBio>;
using Key = Owned<EVP_PKEY, EVP_PKEY_free>;
using Cert = Owned<X509, X509_free>;

std::string bioText(BIO* bio) {
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio, &data);
  return n > 0 ? std::string(data, static_cast<size_t>(n)) : std::string();
}

X509* readCert(const std::string& pem) {
  Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return bio.p ? PEM_read_bio_X509(bio.p, nullptr, nullptr, nullptr) : nullptr;
}

EVP_PKEY* readKey(const std::string& pem) {
  Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return bio.p ? PEM_read_bio_PrivateKey(bio.p, nullptr, nullptr, nullptr) : nullptr;
}

bool signedCertificate(X509* x, EVP_PKEY* key, const std::string& commonName) {
  uint8_t serial[16];
  if (RAND_bytes(serial, sizeof serial) != 1) return false;
  serial[0] &= 0x7F;  // a positive serial number
  BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
  const bool serialSet = bn && BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(x));
  BN_free(bn);
  X509_NAME* name = X509_get_subject_name(x);
  X509V3_CTX v3;
  X509V3_set_ctx_nodb(&v3);
  X509V3_set_ctx(&v3, x, x, nullptr, nullptr, 0);
  X509_EXTENSION* constraints = X509V3_EXT_conf_nid(nullptr, &v3, NID_basic_constraints, "critical,CA:FALSE");
  const bool ok = serialSet && X509_set_version(x, 2) && X509_gmtime_adj(X509_getm_notBefore(x), -3600) &&
                  X509_gmtime_adj(X509_getm_notAfter(x), kValidSeconds) &&
                  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                             reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0) &&
                  X509_set_issuer_name(x, name) && X509_set_pubkey(x, key) && constraints &&
                  X509_add_ext(x, constraints, -1) && X509_sign(x, key, EVP_sha256()) > 0;
  X509_EXTENSION_free(constraints);
  return ok;
}

// Waits for the socket as the TLS call that returned `err` needs it.
bool waitFor(int fd, int err, int64_t deadline) {
  pollfd p{fd, static_cast<short>(err == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN), 0};
  const int64_t left = deadline - monotonicMs();
  return left > 0 && ::poll(&p, 1, static_cast<int>(left)) > 0;
}

std::string errorText() {
  const unsigned long e = ERR_get_error();
  ERR_clear_error();
  if (e == 0) return "connection closed";
  char buf[160];
  ERR_error_string_n(e, buf, sizeof buf);
  return buf;
}

}  // namespace

TlsIdentity MakeTlsIdentity(const std::string& commonName) {
  Key key(EVP_EC_gen("P-256"));
  Cert cert(X509_new());
  if (!key.p || !cert.p || !signedCertificate(cert.p, key.p, commonName)) return {};
  Bio keyOut(BIO_new(BIO_s_mem())), certOut(BIO_new(BIO_s_mem()));
  if (!keyOut.p || !certOut.p || !PEM_write_bio_PrivateKey(keyOut.p, key.p, nullptr, nullptr, 0, nullptr, nullptr) ||
      !PEM_write_bio_X509(certOut.p, cert.p))
    return {};
  return {bioText(certOut.p), bioText(keyOut.p)};
}

std::string TlsFingerprint(const std::string& certPem) {
  Cert cert(readCert(certPem));
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (!cert.p || X509_digest(cert.p, EVP_sha256(), digest, &size) != 1) return {};
  std::string out;
  for (unsigned int i = 0; i < size; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, i ? ":%02X" : "%02X", digest[i]);
    out += hex;
  }
  return out;
}

std::string TlsSpkiHash(const std::string& certPem) {
  Cert cert(readCert(certPem));
  if (!cert.p) return {};
  unsigned char* der = nullptr;
  const int n = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(cert.p), &der);
  if (n <= 0) return {};
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  const bool ok = EVP_Digest(der, static_cast<size_t>(n), digest, &size, EVP_sha256(), nullptr) == 1;
  OPENSSL_free(der);
  if (!ok) return {};
  std::string out(4 * ((size + 2) / 3) + 1, '\0');
  out.resize(static_cast<size_t>(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), digest, size)));
  return out;
}

bool TlsIdentityUsable(const TlsIdentity& identity) {
  Cert cert(readCert(identity.certPem));
  Key key(readKey(identity.keyPem));
  return cert.p && key.p && X509_check_private_key(cert.p, key.p) == 1 &&
         X509_cmp_current_time(X509_get0_notAfter(cert.p)) > 0;
}

TlsServer::TlsServer(const TlsIdentity& identity) {
  Cert cert(readCert(identity.certPem));
  Key key(readKey(identity.keyPem));
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  if (!ctx || !cert.p || !key.p || !SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION) ||
      SSL_CTX_use_certificate(ctx, cert.p) != 1 || SSL_CTX_use_PrivateKey(ctx, key.p) != 1 ||
      SSL_CTX_check_private_key(ctx) != 1) {
    SSL_CTX_free(ctx);
    ERR_clear_error();
    return;
  }
  SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  ctx_ = ctx;
}

TlsServer::~TlsServer() { SSL_CTX_free(ctx_); }

int PeerStartsTls(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) <= 0) return -1;
  uint8_t first = 0;
  const long n = ::recv(fd, &first, 1, MSG_PEEK | MSG_DONTWAIT);
  if (n <= 0) return -1;
  return first == kHandshakeRecord ? 1 : 0;
}

TlsConnection::~TlsConnection() { SSL_free(ssl_); }

bool TlsConnection::handshake(bool server, int timeoutMs, std::string& error) {
  // libssl writes with write(2): a peer gone mid-record must cost an error,
  // not the program (every other send here passes MSG_NOSIGNAL).
  static const bool pipeIgnored = (::signal(SIGPIPE, SIG_IGN), true);
  (void)pipeIgnored;
  const int64_t deadline = monotonicMs() + timeoutMs;
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  SSL_set_fd(ssl_, fd_);
  for (;;) {
    const int rc = server ? SSL_accept(ssl_) : SSL_connect(ssl_);
    if (rc == 1) return true;
    const int err = SSL_get_error(ssl_, rc);
    if (err != SSL_ERROR_WANT_READ && err != SSL_ERROR_WANT_WRITE) {
      error = errorText();
      return false;
    }
    if (!waitFor(fd_, err, deadline)) {
      error = "handshake not finished in time";
      return false;
    }
  }
}

bool TlsConnection::accept(const TlsServer& server, int fd, int timeoutMs, std::string& error) {
  std::lock_guard lock(mutex_);
  fd_ = fd;
  ssl_ = server.ready() ? SSL_new(server.context()) : nullptr;
  if (!ssl_) {
    error = "no TLS context";
    return false;
  }
  return handshake(true, timeoutMs, error);
}

bool TlsConnection::connect(int fd, int timeoutMs, std::string& error) {
  std::lock_guard lock(mutex_);
  static SSL_CTX* client = [] {
    SSL_CTX* c = SSL_CTX_new(TLS_client_method());
    if (c) SSL_CTX_set_mode(c, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    return c;
  }();
  fd_ = fd;
  ssl_ = client ? SSL_new(client) : nullptr;
  if (!ssl_) {
    error = "no TLS context";
    return false;
  }
  return handshake(false, timeoutMs, error);
}

int TlsConnection::waitReadable(int timeoutMs) {
  {
    std::lock_guard lock(mutex_);
    if (!ssl_) return -1;
    if (SSL_pending(ssl_) > 0) return 1;
  }
  pollfd p{fd_, POLLIN, 0};
  const int rc = ::poll(&p, 1, timeoutMs);
  return rc < 0 ? -1 : rc;
}

long TlsConnection::receive(void* data, size_t length) {
  std::lock_guard lock(mutex_);
  if (!ssl_) return -1;
  size_t got = 0;
  if (SSL_read_ex(ssl_, data, length, &got) == 1) return static_cast<long>(got);
  const int err = SSL_get_error(ssl_, 0);
  if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) return kNothingYet;
  ERR_clear_error();
  if (err == SSL_ERROR_ZERO_RETURN) return 0;
  errno = ECONNRESET;
  return err == SSL_ERROR_SYSCALL && errno == 0 ? 0 : -1;
}

bool TlsConnection::sendAllWithin(const void* data, size_t length, int timeoutMs) {
  const int64_t deadline = monotonicMs() + timeoutMs;
  const auto* p = static_cast<const uint8_t*>(data);
  while (length > 0) {
    int err = SSL_ERROR_NONE;
    {
      std::lock_guard lock(mutex_);
      if (!ssl_) return false;
      size_t sent = 0;
      if (SSL_write_ex(ssl_, p, length, &sent) == 1) {
        p += sent;
        length -= sent;
        continue;
      }
      err = SSL_get_error(ssl_, 0);
      ERR_clear_error();
    }
    if (err != SSL_ERROR_WANT_READ && err != SSL_ERROR_WANT_WRITE) return false;
    if (!waitFor(fd_, err, deadline)) {
      errno = ETIMEDOUT;
      return false;
    }
  }
  return true;
}

void TlsConnection::shutdown() {
  std::lock_guard lock(mutex_);
  if (ssl_) SSL_shutdown(ssl_);
  ERR_clear_error();
  if (fd_ > 0) ::shutdown(fd_, SHUT_RDWR);
}

}  // namespace platform
