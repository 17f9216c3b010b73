#pragma once
// The FT-817's answer to "read frequency and mode" (opcode 0x03): four bytes
// of packed BCD, the frequency in tens of hertz with the most significant
// digits first, then the mode byte.
#include <atomic>
#include <cstdint>

struct Works;

inline constexpr int kCatReplySize = 5;
inline constexpr uint8_t kCatReadFreqMode = 0x03;

// True when `b` is not packed BCD (a nibble above 9).
bool VerifyByteFreq(uint8_t b);
// The frequency in hertz of a reply, or -1 when a frequency byte is not BCD.
int32_t CatReplyFrequency(const uint8_t reply[kCatReplySize]);
// Decodes a reply to the request in flight (`lastCommandSent`) into
// `catSerFreq`; a reply that is not BCD is reported and leaves it as it was.
// `length` is what arrived; fewer than five bytes are never taken.
void DecodeCatSerialCmd(Works* works, const uint8_t* reply, int length);

// The request in flight: kCatReadFreqMode, or 0.
extern std::atomic<int> lastCommandSent;
