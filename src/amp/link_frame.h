#pragma once
// Splits the byte stream from the amplifier into replies. A reply is two
// hexadecimal checksum digits, then the text ending in ";"; the checksum is
// CRC-8 over the text including the ";". The framer checks the length limit and
// the checksum before anything reaches the decoder, and skips leading garbage:
// when the whole candidate fails, the first later start whose checksum holds
// is taken, so a burst of noise costs one reply at most.
#include <cstddef>
#include <string>
#include <string_view>

class ReplyFramer {
 public:
  static constexpr size_t kMaxFrame = 500;

  enum class Event {
    None,      // byte stored, no ";" yet
    Reply,     // a reply with a good checksum: text()
    BadCheck,  // ";" reached but no checksum matches: computed() and raw()
    Runt,      // ";" reached with fewer than three text characters
    Overflow,  // kMaxFrame bytes without ";": collection restarted
  };

  Event push(char c);
  // Drops a partial reply (the command is about to be sent again).
  void reset() { buf_.clear(); }
  size_t pending() const { return buf_.size(); }

  // The verified reply text (from the first letter up to and including ";").
  std::string_view text() const { return text_; }
  // Bytes skipped before the verified reply.
  size_t skipped() const { return skipped_; }
  // For BadCheck and Runt: the checksum computed over the whole candidate
  // ("%02X") and the candidate as received.
  const char* computed() const { return computed_; }
  const std::string& raw() const { return raw_; }

 private:
  Event finish();

  std::string buf_;
  std::string raw_;
  std::string_view text_;
  size_t skipped_ = 0;
  char computed_[3] = {};
};
