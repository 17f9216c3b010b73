#pragma once
// Fields of `works` for the amplifier link, its command ring and the decoded
// replies and status. Only the `Linear` thread writes the last-command record
// and the decoded values; other threads read them, so scalars are atomics and
// the texts and data blocks sit behind `ampTextMutex`.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "state/amp_cmd_path.h"

struct AmpLinkFields {
  std::atomic<int> linFD;
  // Set by the Retry key of the failed-link page: while the port is not open
  // the link thread tries it again at once instead of at its next interval.
  std::atomic<bool> linReopenRequested;
  // The outbox of amplifier commands (see amp/cmd_ring.h).
  AmpCmdPath cmdPath;
  std::atomic<uint8_t> cmdQueueActive;
  std::atomic<uint8_t> microResetArmed;
  // Set while a microcontroller restart is being recovered (every setting
  // sent again); cleared when a status reply no longer reports the restart.
  std::atomic<uint8_t> microResetRecovering;
  // A temperature alarm holds back requests that would undo its protection;
  // the latest held code of protections [0] and attenuation [1], plus one.
  std::atomic<bool> protectionHold;
  std::atomic<int> heldCodes[2];
  // Monotonic ms of the last "CPFFFF;" asked for while errors stay muted.
  std::atomic<int64_t> clearAskedMs;

  // Last-command record: the reply letters expected, the code to resend and
  // the retry counters. (The hold-off of the communication error,
  // `errorRepeatTimer`, lives with the error list.)
  std::atomic<char> lastCmdCode[2];
  // The command's own letters: the amplifier echoes most commands, and a
  // reply is taken only when it carries one of the two.
  std::atomic<char> lastCmdEcho[2];
  std::atomic<int> lastCmdState;
  // Where the command in flight came from: the outbox (then a command whose
  // sends all fail goes back into it) or the link's own choice.
  std::atomic<bool> lastCmdFromPath;
  std::atomic<int> lastCmdKey;
  std::atomic<uint8_t> lastCmdLane;
  std::atomic<int> retryCount, retryTotal, retryStops;

  // Commanded state that replies are checked against.
  std::atomic<uint8_t> bypassCmd;     // 1 after "AB1;", 0 after "AB0;"
  // Bit 0: firmware-update mode (the GPIO thread holds GPIO 13 low while it is
  // set); bit 2: microcontroller restarted for an update.
  std::atomic<uint8_t> fwUpdateMode;

  // Identity read from the amplifier; ampType and ampVariant stay 255 until "ER0002".
  std::atomic<int> ampType, ampVariant;
  std::mutex ampTextMutex;  // guards the texts and data blocks below
  char ampVersion[8];
  uint8_t eeBlock0[32], eeBlock1[32];
  char gsString[11];
  char commErrText[8];  // "Err XX": the command whose retries ran out

  // Decoded replies.
  std::atomic<int32_t> ampFreq;
  std::atomic<int> anMode;
  std::atomic<int> ampBypass;
  std::atomic<uint8_t> ampStatus[3];
  std::atomic<uint16_t> rawPwrIn, rawFwd, rawRefl;
  std::atomic<float> pwrIn, pwrFwd, pwrRefl, pwrFwdPeak;
  std::atomic<float> swrValue;
  std::atomic<float> ampCurrentRaw;  // amperes = value / 4096 x 14.05
  // paTemp1 and paTemp2 are with the protection fields.

  // Link health, counted by the link thread: replies decoded, frames dropped
  // for a bad checksum, runts and over-long frames.
  std::atomic<uint32_t> linkReplies, linkChkErrors, linkRunts, linkOverflows;
  // Replies that did not belong to the command in flight (late, or for an
  // earlier exchange), dropped.
  std::atomic<uint32_t> linkStrays;
};
