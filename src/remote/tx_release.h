#pragma once
// The transmitter a peer keyed must not stay keyed once the peer is gone.
// The peer's CAT text goes straight to the companion transceiver, so the
// unit watches it for the keying commands ("TX", "TX1" ...) and the release
// ("RX"). When the connection ends while a transmission stands, or one the
// peer keyed outlasts RemoteTxLimit, the unit sends "RX;" itself: on the CAT
// relay's port, and on the external IO link when that runs.
#include <cstddef>
#include <cstdint>
#include <string>

struct Works;

// Follows the commands in the peer's CAT text; commands may be split
// between frames.
class PeerCatWatch {
 public:
  explicit PeerCatWatch(Works* works) : w_(works) {}
  void take(const uint8_t* data, size_t length);

 private:
  void command();
  Works* w_;
  std::string current_;
};

// Whether a transmission stands that the end of the connection must end:
// one the peer keyed, or (`localToo`, the server's side) one the amplifier
// or the companion reports.
bool TransmitStands(const Works* works, bool localToo);
// Sends "RX;" to the companion and logs `why`.
void ReleaseTransmitter(Works* works, const char* why);
// Releases a transmission the peer keyed longer ago than RemoteTxLimit.
void CheckRemoteTxLimit(Works* works, int64_t nowMs);
