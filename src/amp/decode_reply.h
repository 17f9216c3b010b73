#pragma once
// Decoding of the amplifier's replies, after the framer has checked them.
#include <string_view>

#include "amp/reply_fields.h"

struct Works;

// Interprets one verified reply (`text` from its first letter up to and
// including ";", `length` characters): stores what it reports, converts the
// status, raises and clears errors and leaves the next link state. Runs in the
// link thread only. A reply shorter than three characters is not decoded.
void DecodeCatCmd(Works* works, const char* text, int length);

// The status reply ("ST"), steps 1 to 16; ends with the next state chosen.
void DecodeStatusReply(Works* works, const ReplyFields& reply);
// The standing-wave ratio for a forward and reflected power (W): 0 without
// power, 1..100 otherwise.
float CalcolaSWR(float fwd, float refl);
