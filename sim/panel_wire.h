#pragma once
// The front-panel microcontroller's end of the two-wire exchange, as a state
// machine fed with snapshots of the lines the program drives. It has no clock
// of its own: it reacts to edges only, so it decodes the same whether it is fed
// by a polling thread (sim::FrontPanel) or straight after every line change (a
// test of the program's exchange code).
//
// What it expects of the program: the data line is an output while the 8
// command bits go out, sampled on each falling clock edge; the line then turns
// into an input and the panel drives the 12 reply bits, most significant
// first, presenting each one as soon as the program has taken the one before
// (at the turnaround, then on each rising edge that follows a falling one);
// the exchange ends when the data line is an output again.
#include <cstdint>
#include <functional>

namespace sim {

class PanelWire {
 public:
  struct Lines {
    bool clock = true;
    bool data = true;
    bool dataIsOutput = true;
  };
  // One finished exchange. `garbled` when the edges seen were not 8 in and 12
  // out, i.e. the feeder missed some (the code or the reply may be wrong).
  struct Exchange {
    uint8_t code = 0;
    int commandBits = 0;
    int replyBits = 0;
    uint16_t reply = 0;
    bool garbled = false;
  };
  // The 12-bit reply to a command code.
  using ReplyFor = std::function<uint16_t(uint8_t code)>;
  using Finished = std::function<void(const Exchange&)>;

  PanelWire(ReplyFor replyFor, Finished finished) : replyFor_(std::move(replyFor)), finished_(std::move(finished)) {}

  // One snapshot; returns the level the panel puts on the data line (high when
  // it is not sending).
  bool feed(const Lines& lines);
  // Inside an exchange (the first command bit seen, the data line not yet an
  // output again after the reply).
  bool busy() const { return state_ != State::Idle; }
  // The command code just decoded, valid once the reply has started.
  const Exchange& current() const { return current_; }

 private:
  enum class State { Idle, Command, Reply };
  void startReply();
  void finish();

  ReplyFor replyFor_;
  Finished finished_;
  State state_ = State::Idle;
  bool clock_ = true;
  bool driving_ = true;
  bool primed_ = false;
  bool seenOutput_ = false;
  bool sawFall_ = false;
  int replyFalls_ = 0;
  int replyIndex_ = 0;
  uint16_t bits_ = 0;
  Exchange current_;
};

}  // namespace sim
