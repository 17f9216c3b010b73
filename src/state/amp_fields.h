#pragma once
// Fields of `works` owned by the amplifier subsystem, in two groups: the link
// with its command ring and the decoded replies; and protection (thresholds,
// temperatures, fan, errors).
#include "state/link_fields.h"
#include "state/protection_fields.h"

struct AmpFields : AmpLinkFields, AmpProtectionFields {};
