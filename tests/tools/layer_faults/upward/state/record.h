#pragma once
// A deliberately wrong include: the shared record reaching up into the user interface.
#include "ui/page.h"
