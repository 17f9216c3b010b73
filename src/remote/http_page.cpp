#include "remote/http_page.h"

#include <openssl/evp.h>

#include <cstdio>
#include <string>

#include "remote/ws_handshake.h"

// Generated from web/panel.html at build time.
extern const unsigned char kPanelPageBytes[];
extern const unsigned long kPanelPageSize;

namespace {

// The CSP source of the inline block between `open` and `close` in the page:
// its SHA-256 digest, so only the page's own script and style ever run.
std::string inlineHash(std::string_view page, std::string_view open, std::string_view close) {
  const size_t start = page.find(open);
  const size_t end = start == std::string_view::npos ? start : page.find(close, start + open.size());
  if (end == std::string_view::npos) return "'none'";
  const std::string_view block = page.substr(start + open.size(), end - start - open.size());
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(block.data(), block.size(), digest, &size, EVP_sha256(), nullptr) != 1) return "'none'";
  return "'sha256-" + Base64Text(digest, size) + "'";
}

// Nothing from outside, no framing by another site, no guessing of types.
const std::string& securityHeaders() {
  static const std::string headers = [] {
    const std::string_view page = PanelPage();
    return "Content-Security-Policy: default-src 'none'; script-src " + inlineHash(page, "<script>", "</script>") +
           "; style-src " + inlineHash(page, "<style>", "</style>") +
           "; img-src 'self' blob: data:; connect-src 'self'; frame-ancestors 'none'; base-uri 'none';"
           " form-action 'none'\r\nX-Frame-Options: DENY\r\nX-Content-Type-Options: nosniff\r\n"
           "Referrer-Policy: no-referrer\r\n";
  }();
  return headers;
}

std::string answer(const char* status, const char* type, std::string_view body) {
  char head[256];
  std::snprintf(head, sizeof head,
                "HTTP/1.1 %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\nCache-Control: no-store\r\n"
                "Connection: close\r\n",
                status, type, body.size());
  return std::string(head) + securityHeaders() + "\r\n" + std::string(body);
}

}  // namespace

std::string_view PanelPage() { return {reinterpret_cast<const char*>(kPanelPageBytes), kPanelPageSize}; }

std::string HttpsRedirect(std::string_view host, std::string_view path) {
  (void)path;  // always the panel: nothing of the peer's is echoed but its Host
  const bool plain = !host.empty() && host.size() <= 255 && host.find_first_not_of(
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-:[]") == std::string_view::npos;
  if (!plain) return answer("400 Bad Request", "text/plain; charset=utf-8", "bad host\n");
  const std::string location = "https://" + std::string(host) + "/";
  return "HTTP/1.1 301 Moved Permanently\r\nLocation: " + location +
         "\r\nContent-Length: 0\r\nCache-Control: no-store\r\nConnection: close\r\n" + securityHeaders() + "\r\n";
}

std::string HttpAnswer(bool get, std::string_view path) {
  // A query string does not make another page.
  const std::string_view bare = path.substr(0, path.find('?'));
  if (get && (bare == "/" || bare == "/index.html")) return answer("200 OK", "text/html; charset=utf-8", PanelPage());
  return answer("404 Not Found", "text/plain; charset=utf-8", "not found\n");
}
