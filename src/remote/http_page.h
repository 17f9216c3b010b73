#pragma once
// The front panel for a browser: one self-contained page built into the
// program (web/panel.html), answered to a plain HTTP GET of "/".
#include <string>
#include <string_view>

// The page's bytes.
std::string_view PanelPage();
// The whole HTTP answer for a request of `path` by `get`: the page for
// "GET /", 404 for any other path or method. The connection closes after it.
std::string HttpAnswer(bool get, std::string_view path);
