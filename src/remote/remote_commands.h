#pragma once
// Remote commands carried in a peer's status text. They are paced (see
// state/remote_pacing.h): a bank change acts at most a few times a second and
// the extra ones are dropped; a spectrum or divider setting that comes too
// soon waits for its turn, the latest of its kind winning; a reboot is
// carried out once. What is not acted on is logged through the rate limiter.
struct Works;

// Looks at the start of `remoteStatusText` for a remote command and carries
// it out; text that names none is ignored. Settings whose turn has come are
// applied first.
void dispStat(Works* works);

// Applies the settings that waited for their turn and may act now; the timer
// loop calls it every tick, so a setting is not left waiting when the peer
// falls silent.
void ApplyHeldRemoteCommands(Works* works);
