#include "tables/a.h"
