#include "ui/button_labels.h"

#include <mutex>

namespace {
std::mutex gLabelMutex;
std::string gLabels[kLumoPages][kLumoButtons];
}  // namespace

void SetLumoLabel(Works*, int page, int button, const char* text) {
  if (page < 0 || page >= kLumoPages || button < 0 || button >= kLumoButtons) return;
  std::lock_guard lock(gLabelMutex);
  gLabels[page][button] = text;
}

std::string GetLumoLabel(Works*, int page, int button) {
  if (page < 0 || page >= kLumoPages || button < 0 || button >= kLumoButtons) return {};
  std::lock_guard lock(gLabelMutex);
  return gLabels[page][button];
}
