#include "remote/http_page.h"

#include <cstdio>

// Generated from web/panel.html at build time.
extern const unsigned char kPanelPageBytes[];
extern const unsigned long kPanelPageSize;

namespace {

std::string answer(const char* status, const char* type, std::string_view body) {
  char head[256];
  std::snprintf(head, sizeof head,
                "HTTP/1.1 %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\nCache-Control: no-store\r\n"
                "X-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n",
                status, type, body.size());
  return std::string(head) + std::string(body);
}

}  // namespace

std::string_view PanelPage() { return {reinterpret_cast<const char*>(kPanelPageBytes), kPanelPageSize}; }

std::string HttpAnswer(bool get, std::string_view path) {
  // A query string does not make another page.
  const std::string_view bare = path.substr(0, path.find('?'));
  if (get && (bare == "/" || bare == "/index.html")) return answer("200 OK", "text/html; charset=utf-8", PanelPage());
  return answer("404 Not Found", "text/plain; charset=utf-8", "not found\n");
}
