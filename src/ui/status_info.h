#pragma once
// The information screen (version, identity, readings, network, link state),
// drawn over the "status" picture while it is open.
struct Works;

void ViewStatusInfo(Works* works);
