#pragma once
// `works`: the one shared state record, owned by main for the whole run; every
// thread gets its address. Each subsystem declares its own group of fields; the
// record joins them so every field is reached by its own name (works->freq).
// Create it value-initialised (`Works works{}`) so every field starts at zero.
#include "amp/amp_fields.h"
#include "core/core_fields.h"
#include "display/display_fields.h"
#include "links/links_fields.h"
#include "remote/remote_fields.h"
#include "tables/tables_fields.h"
#include "tune/tune_fields.h"
#include "ui/ui_fields.h"

struct Works : CoreFields, AmpFields, TablesFields, TuneFields, LinksFields, DisplayFields, UiFields, RemoteFields {
};

inline constexpr const char* kVersion = "0.055";
