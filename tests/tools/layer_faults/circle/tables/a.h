#pragma once
#include "tables/b.h"
