#pragma once
// Time limits of the remote connection. A peer holds the only connection slot
// for at most these times when it stalls; tests shorten them.
#include <atomic>

struct WsTimings {
  std::atomic<int> startPauseMs{2000};   // server: pause before listening
  std::atomic<int> handshakeMs{5000};    // the whole upgrade request or reply
  std::atomic<int> passphraseMs{5000};   // from the reply to the passphrase frame
  std::atomic<int> stallMs{5000};        // from a frame's first byte to its last
  std::atomic<int> sendMs{1000};         // a peer that takes no bytes for this long is dropped
  std::atomic<int> retryMs{2000};        // client: between connection attempts
  std::atomic<int> banWindowMs{60000};   // wrong passphrases counted over this window
  std::atomic<int> banMs{60000};         // how long an address is then refused
};

WsTimings& wsTimings();
