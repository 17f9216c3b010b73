#pragma once
// Dynamic captions of the button bar: code anywhere sets the caption of a
// button of a page; the button bar draws what is stored.
#include <string>

struct Works;

inline constexpr int kLumoPages = 13;
inline constexpr int kLumoButtons = 6;

void SetLumoLabel(Works* works, int page, int button, const char* text);
std::string GetLumoLabel(Works* works, int page, int button);
