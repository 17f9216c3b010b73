#pragma once
struct Works;

// Thread body relaying the companion transceiver's CAT port to the peer.
void Cat(Works* works);
