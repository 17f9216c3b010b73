// Fuzz target: the first bytes of a TLS peer (its ClientHello and whatever
// follows) into the unit's TLS server, as one record stream through memory.
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cstdint>
#include <memory>

#include "platform/log.h"
#include "platform/tls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = (platform::setLogOutput(false), true);
  (void)quiet;
  static const std::unique_ptr<platform::TlsServer> server =
      std::make_unique<platform::TlsServer>(platform::MakeTlsIdentity("fuzz"));
  if (!server->ready()) __builtin_trap();
  SSL* ssl = SSL_new(server->context());
  BIO* in = BIO_new_mem_buf(data, static_cast<int>(size));
  BIO* out = BIO_new(BIO_s_mem());
  BIO_set_mem_eof_return(in, -1);  // the end of the bytes is "more to come", as a slow peer
  SSL_set_bio(ssl, in, out);
  SSL_set_accept_state(ssl);
  for (int i = 0; i < 8; ++i) {
    uint8_t buf[256];
    if (SSL_read(ssl, buf, sizeof buf) <= 0) {
      const int err = SSL_get_error(ssl, -1);
      if (err != SSL_ERROR_WANT_WRITE) break;
    }
  }
  SSL_free(ssl);
  ERR_clear_error();
  return 0;
}
