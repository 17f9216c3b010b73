#include "amp/errors.h"

// Placeholder until the error list is built: requests are ignored.
void AddErrore(Works*, int) {}
void DeleteErrore(Works*, int) {}
