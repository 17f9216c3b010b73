// Fuzz target: what a browser sends. The bytes up to the first empty line go
// through the request reader line by line, the rest through the reader of
// masked frames, with every touch text parsed as the server does.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/log.h"
#include "remote/http_request.h"
#include "remote/ws_browser.h"
#include "state/works.h"

#include "byte_source.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::unique_ptr<Works> works = [] {
    platform::setLogOutput(false);
    return std::make_unique<Works>();
  }();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const size_t end = text.find("\r\n\r\n");
  const std::string_view head = text.substr(0, end == std::string_view::npos ? size : end + 4);
  HttpRequest req;
  for (size_t at = 0; at < head.size();) {
    const size_t nl = head.find('\n', at);
    const size_t stop = nl == std::string_view::npos ? head.size() : nl + 1;
    req.line(head.substr(at, std::min<size_t>(stop - at, 1023)), 1023);
    at += std::min<size_t>(stop - at, 1023);
  }
  (void)req.kind();
  Bytes src(data + head.size(), size - head.size());
  BrowserFrameReader reader(works.get());
  WsFrame f;
  int x = 0, y = 0;
  while (reader.read(src, f) == ReadStatus::Frame)
    if (f.form == FrameForm::Text) (void)ParseTouchText({reinterpret_cast<const char*>(f.body), f.bodyLength}, x, y);
  return 0;
}
