#include "ui/button_labels.h"

#include "ui/lumomenu.h"

// The captions live in the button-bar page table; a label is the bottom
// caption of its button.
void SetLumoLabel(Works*, int page, int button, const char* text) {
  if (page < 0 || page >= kLumoPageCount || button < 0 || button >= kLumoCaptions / 2) return;
  SetLumoCaption(page, 2 * button + 1, text);
}

std::string GetLumoLabel(Works*, int page, int button) {
  if (page < 0 || page >= kLumoPageCount || button < 0 || button >= kLumoCaptions / 2) return {};
  return GetLumoPage(page).caption[2 * button + 1];
}
