#include "ui/network_settings.h"

// Placeholder until the network settings are built.
void ReadLanParam(Works*) {}
