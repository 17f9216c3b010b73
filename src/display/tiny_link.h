#pragma once
// The two-wire exchange with the front-panel microcontroller, run by the GPIO
// thread: a clock line and a data line that is an output while a command byte
// goes out and an input while the 12-bit reply comes back.
//
// One exchange: for each of the command's 8 bits, most significant first,
// clock high (200 us), data set to the bit (200 us), clock low (200 us); then
// the data line becomes an input, clock high (600 us); then for each of the
// reply's 12 bits, most significant first, clock low (200 us), sample, clock
// high (200 us); finally the data line is an output again and both lines idle
// high. About 10 ms in all, so exchanges are spaced by 200 polls.
//
// The lines are reached through TinyWire, so the bit sequence is tested
// against a simulated microcontroller without the thread or its timing.
#include <cstdint>

struct Works;

class TinyWire {
 public:
  virtual ~TinyWire() = default;
  virtual void setClock(bool high) = 0;
  virtual void setData(bool high) = 0;
  // Switches the data line to an input (true) or back to an output.
  virtual void dataAsInput(bool input) = 0;
  // The data line's level while it is an input.
  virtual bool readData() = 0;
  virtual void waitUs(long us) = 0;
};

inline constexpr uint8_t kTinyIdle = 255;       // tinyCmdActive when no exchange is due
inline constexpr int kTinyPollDelay = 200;      // polls between exchange slots
inline constexpr long kTinyHalfBitUs = 200;     // every step of the exchange
inline constexpr long kTinyTurnaroundUs = 600;  // between the command and the reply
// The reading polls: the 12 V rail, the 15 V rail, the amplifier supply.
inline constexpr uint8_t kTinyRead12V = 0xD1, kTinyRead15V = 0xD2, kTinyReadSupply = 0xD3;

// One whole exchange; returns the 12-bit reply.
uint16_t TinyExchange(TinyWire& wire, uint8_t code);

// The exchange slot of one poll, while no exchange is due: counts tinyPollDelay
// down; when it runs out, the next exchange is the code waiting in tinyCmd, or
// else the next reading poll of the round robin (0xD1, 0xD2, 0xD3, 0xD3, then
// one slot without an exchange).
void ScheduleTinyExchange(Works* works);
// Runs the exchange of tinyCmdActive if one is due, stores the reply's low
// byte in tinyReply0..3 by the command's two low bits, and goes idle again.
void RunTinyExchange(Works* works, TinyWire& wire);
