#include "panel_wire.h"

namespace sim {

bool PanelWire::feed(const Lines& lines) {
  if (!primed_) {  // the first snapshot only tells where the clock stands
    primed_ = true;
    clock_ = lines.clock;
  }
  const bool falling = clock_ && !lines.clock;
  const bool rising = !clock_ && lines.clock;
  clock_ = lines.clock;

  if (lines.dataIsOutput) seenOutput_ = true;
  if (state_ != State::Reply && !lines.dataIsOutput) {
    // The program reads: whatever came in is the command (a feeder that slept
    // through the whole command gets here from Idle). Before the program has
    // first made the line an output it is not talking yet.
    if (seenOutput_) startReply();
    return driving_;
  }
  switch (state_) {
    case State::Idle:
      if (falling) {
        current_ = {};
        bits_ = lines.data ? 1 : 0;
        current_.commandBits = 1;
        state_ = State::Command;
      }
      break;
    case State::Command:
      if (falling) {
        bits_ = static_cast<uint16_t>((bits_ << 1) | (lines.data ? 1 : 0));
        ++current_.commandBits;
      }
      break;
    case State::Reply:
      if (lines.dataIsOutput) {
        finish();
        break;
      }
      if (falling) {
        sawFall_ = true;
        ++replyFalls_;
      } else if (rising && sawFall_) {
        // The program has sampled the bit on show: present the next one.
        sawFall_ = false;
        ++replyIndex_;
        driving_ = replyIndex_ < 12 ? ((current_.reply >> (11 - replyIndex_)) & 1) : true;
      }
      break;
  }
  return driving_;
}

void PanelWire::startReply() {
  current_.code = static_cast<uint8_t>(bits_ & 0xFF);
  current_.reply = static_cast<uint16_t>(replyFor_(current_.code) & 0xFFF);
  state_ = State::Reply;
  sawFall_ = false;
  replyFalls_ = 0;
  replyIndex_ = 0;
  driving_ = (current_.reply >> 11) & 1;
}

void PanelWire::finish() {
  current_.replyBits = replyFalls_;
  current_.garbled = current_.commandBits != 8 || replyFalls_ != 12;
  state_ = State::Idle;
  driving_ = true;
  bits_ = 0;
  if (finished_) finished_(current_);
}

}  // namespace sim
