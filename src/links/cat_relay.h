#pragma once
struct Works;

// Thread body relaying the companion transceiver's CAT port to the peer: each
// message up to its ';' goes out as "CA" frames.
void Cat(Works* works);
// Ends the relay: closes the port it found, clears EnableCAT and raises
// error 20. Also called when CAT text from the peer cannot be written.
void ExitCAT(Works* works);
