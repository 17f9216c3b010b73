#pragma once
// Process-wide state of the amplifier link.
#include <atomic>
#include <cstdint>

// What the link does next: send `pendingCmd`, wait for the reply, decode the
// reply, or stay silent after the firmware-update restart until the program
// restarts.
enum class LinkState : int { Send, Waiting, Decode, Silent };
extern std::atomic<LinkState> linkState;
// The command the link sends next (kCmdStatus for a status poll).
extern std::atomic<int> pendingCmd;
// Makes `code` the next command to send.
void SendNextCmd(int code);
// Milliseconds of silence since the last write to the amplifier, on the
// monotonic clock from `lastLinkWriteMs` (a count of 1 ms polls stretched to
// several seconds on a busy processor).
extern std::atomic<int> counterrortimeout;
extern std::atomic<int64_t> lastLinkWriteMs;

// Silence after a write before the exchange counts as failed.
inline constexpr int kLinkSilenceLimit = 1499;

// The pauses after each reply pace the real link (10 ms after a status reply,
// 20 ms after others). A fuzz target that feeds the decoder directly switches
// them off; the link itself never does.
extern std::atomic<bool> linkPausesOn;
void linkPause(long ms);
