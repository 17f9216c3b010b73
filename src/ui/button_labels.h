#pragma once
// Dynamic captions of the button bar: code anywhere sets the caption of a
// button of a page; the button bar draws what is stored.
#include <string>

struct Works;

// Sets the bottom caption of `button` (0..5) of `page`; out-of-range ones are ignored.
void SetLumoLabel(Works* works, int page, int button, const char* text);
// The bottom caption of `button` of `page`; "" when out of range.
std::string GetLumoLabel(Works* works, int page, int button);
