#pragma once
// Time limits of the remote connection. A peer holds the only connection slot
// for at most these times when it stalls; tests shorten them.
#include <atomic>

struct WsTimings {
  std::atomic<int> startPauseMs{2000};   // server: pause before listening
  std::atomic<int> handshakeMs{5000};    // client: the whole upgrade reply
  std::atomic<int> loginMs{5000};        // server: from connect to a correct passphrase
  std::atomic<int> stallMs{5000};        // from a frame's first byte to its last
  std::atomic<int> sendMs{1000};         // handshake replies: a peer that takes no bytes for this long is dropped
  std::atomic<int> writeBlockMs{2000};   // frames: one write blocked this long drops the peer
  std::atomic<int> queueMaxBytes{384 * 1024};  // frames queued for a peer before it is dropped
  std::atomic<int> retryMs{2000};        // client: between connection attempts
  std::atomic<int> banWindowMs{60000};   // wrong passphrases counted over this window
  std::atomic<int> banMs{60000};         // how long an address is then refused
};

WsTimings& wsTimings();
