#include "display/spectrum_view.h"

std::atomic<int> divX{16};
std::atomic<int> xRangeEnd{854};
