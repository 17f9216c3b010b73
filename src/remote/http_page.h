#pragma once
// The front panel for a browser: one self-contained page built into the
// program (web/panel.html), answered to a GET of "/" over HTTPS.
#include <string>
#include <string_view>

// The page's bytes.
std::string_view PanelPage();
// The whole HTTP answer for a request of `path` by `get`: the page for
// "GET /", 404 for any other path or method. The connection closes after it.
std::string HttpAnswer(bool get, std::string_view path);
// The answer to a page asked for in plain HTTP: the same address over HTTPS.
// A Host that is not a plain name or address gets "400" instead.
std::string HttpsRedirect(std::string_view host, std::string_view path);
