#include "amp/fan.h"

// Placeholder until the fan table is built.
void ReadVentolaFile(Works*) {}
