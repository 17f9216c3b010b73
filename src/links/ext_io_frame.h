#pragma once
// Splits the byte stream of the external IO port into messages: a type byte
// (0 spectrum, 1 parameters, 2..14 others), a flag byte, four length digits
// ('0' + value, least significant first) and the payload. Bytes above 14
// while waiting for a type are skipped, which resynchronises after noise. The
// framer never blocks and never holds more than kMaxPayload bytes; the link
// thread times out a message that stops half way.
#include <cstddef>
#include <cstdint>
#include <vector>

// The flag byte and the four length digits of a message header: the length,
// or -1 when a digit lies outside '0'..'?'.
int decodeCmdParameters(const uint8_t header[5]);

class ExtIoFramer {
 public:
  static constexpr int kMaxType = 14;
  static constexpr int kMaxPayload = 1999;

  enum class Event {
    None,        // byte taken, nothing complete yet
    Skipped,     // a byte above 14 while waiting for a type
    Message,     // type(), flag() and payload() hold a whole message
    BadLength,   // a length digit outside '0'..'?': the header is dropped
    TooLong,     // a length above kMaxPayload: the header is dropped
    OtherType,   // a type 2..14: logged, its payload is not read
    FlagMismatch,  // type 0 without flag '0', or type 1 without '1'
  };

  Event push(uint8_t byte);
  // Drops a message half received (the port fell silent in the middle).
  void reset();
  // True between a type byte and the end of its payload.
  bool inMessage() const { return state_ != State::Type; }

  int type() const { return type_; }
  uint8_t flag() const { return header_[0]; }
  // The length the header announced (valid after BadLength: -1, and TooLong).
  int length() const { return length_; }
  const uint8_t* header() const { return header_; }
  const std::vector<uint8_t>& payload() const { return payload_; }

 private:
  enum class State { Type, Header, Payload };
  Event headerDone();

  State state_ = State::Type;
  int type_ = 0;
  uint8_t header_[5] = {};
  int headerFill_ = 0;
  int length_ = 0;
  std::vector<uint8_t> payload_;
};
