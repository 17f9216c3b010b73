#pragma once
// `works`: the one shared state record, owned by main for the whole run; every
// thread gets its address. Each subsystem declares its own group of fields; the
// record joins them so every field is reached by its own name (works->freq).
// Create it value-initialised (`Works works{}`) so every field starts at zero.
#include "state/amp_fields.h"
#include "state/core_fields.h"
#include "state/display_fields.h"
#include "state/links_fields.h"
#include "state/remote_fields.h"
#include "state/tables_fields.h"
#include "state/tune_fields.h"
#include "state/ui_fields.h"

struct Works : CoreFields, AmpFields, TablesFields, TuneFields, LinksFields, DisplayFields, UiFields, RemoteFields {};

inline constexpr const char* kVersion = "0.055";
