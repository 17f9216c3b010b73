#pragma once
// Process-wide state of the amplifier link.
#include <atomic>

// Link state: 1 send "ST;", 2 waiting for a reply, 3 decode the reply, 31
// silent after the firmware-update restart; any other value is the command
// code to send next.
extern std::atomic<int> linearProcessStatus;
// Milliseconds of silence counted since the last write to the amplifier.
extern std::atomic<int> counterrortimeout;

inline constexpr int kLinkPoll = 1;
inline constexpr int kLinkWaiting = 2;
inline constexpr int kLinkDecode = 3;
inline constexpr int kLinkSilent = 31;
// Polls of 1 ms without a byte before the exchange counts as failed.
inline constexpr int kLinkSilenceLimit = 1499;

// The pauses after each reply pace the real link (10 ms after a status reply,
// 20 ms after others). A fuzz target that feeds the decoder directly switches
// them off; the link itself never does.
extern std::atomic<bool> linkPausesOn;
void linkPause(long ms);
