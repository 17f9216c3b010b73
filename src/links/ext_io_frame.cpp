#include "links/ext_io_frame.h"

int decodeCmdParameters(const uint8_t header[5]) {
  int length = 0;
  for (int i = 4; i >= 1; --i) {
    const uint8_t digit = header[i];
    if (digit < '0' || digit > '?') return -1;
    length = length * 16 + (digit - '0');
  }
  return length;
}

void ExtIoFramer::reset() {
  state_ = State::Type;
  headerFill_ = 0;
  payload_.clear();
}

ExtIoFramer::Event ExtIoFramer::push(uint8_t byte) {
  switch (state_) {
    case State::Type:
      if (byte > kMaxType) return Event::Skipped;
      type_ = byte;
      headerFill_ = 0;
      state_ = State::Header;
      return Event::None;
    case State::Header:
      header_[headerFill_++] = byte;
      return headerFill_ < 5 ? Event::None : headerDone();
    case State::Payload:
      payload_.push_back(byte);
      if (static_cast<int>(payload_.size()) < length_) return Event::None;
      state_ = State::Type;
      return Event::Message;
  }
  return Event::None;
}

ExtIoFramer::Event ExtIoFramer::headerDone() {
  state_ = State::Type;
  payload_.clear();
  length_ = decodeCmdParameters(header_);
  if (length_ < 0) return Event::BadLength;
  if (length_ > kMaxPayload) return Event::TooLong;
  if (type_ > 1) return Event::OtherType;
  if (header_[0] != (type_ == 0 ? '0' : '1')) return Event::FlagMismatch;
  if (length_ == 0) return Event::Message;
  payload_.reserve(static_cast<size_t>(length_));
  state_ = State::Payload;
  return Event::None;
}
