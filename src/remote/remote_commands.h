#pragma once
// Remote commands carried in a peer's status text.
struct Works;

// Looks at the start of `remoteStatusText` for a remote command and carries
// it out; text that names none is ignored.
void dispStat(Works* works);
