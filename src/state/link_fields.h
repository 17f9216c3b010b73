#pragma once
// Fields of `works` for the amplifier link, its command ring and the decoded
// replies and status. Only the `Linear` thread writes the last-command record
// and the decoded values; other threads read them, so scalars are atomics and
// the texts and data blocks sit behind `ampTextMutex`.
#include <atomic>
#include <cstdint>
#include <mutex>

inline constexpr int kCmdQueueSize = 30;

struct AmpLinkFields {
  std::atomic<int> linFD;
  // Set by the Retry key of the failed-link page: while the port is not open
  // the link thread tries it again at once instead of at its next interval.
  std::atomic<bool> linReopenRequested;
  std::atomic<int32_t> cmdQueue[kCmdQueueSize];
  std::atomic<int> cmdQueueIn, cmdQueueOut;
  std::atomic<uint8_t> cmdQueueActive;
  std::mutex cmdQueueMutex;  // serialises producers of the ring
  std::atomic<uint8_t> microResetArmed;

  // Last-command record: the reply letters expected, the code to resend and
  // the retry counters. (The hold-off of the communication error,
  // `errorRepeatTimer`, lives with the error list.)
  std::atomic<char> lastCmdCode[2];
  std::atomic<int> lastCmdState;
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
};
