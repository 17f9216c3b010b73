#pragma once
// The threads a subsystem may ask for. Only the program starts and joins
// threads; it installs its starter in `works` at start-up, and a subsystem that
// must bring a link up (the bank's interface type changed, an error reset
// restarts the remote threads) asks through these calls. Without a starter
// (a test of one subsystem) the calls do nothing.
struct Works;

enum class LinkThread : int {
  ExtIo,       // `Serial`: the companion transceiver's external IO link
  CatSerial,   // `CatSerial`: the FT-817 CAT link
  AudioWrite,  // `th_scrivi`
  AudioRead,   // `th_leggi`
  CatRelay,    // `Cat`
  Spectrum,    // `VYRRead`
  WebSocket,   // `Wsocket` or `Wclient`, by the WebSocket setting
};

struct ThreadStarter {
  // Starts one thread if its setup flag asks for it.
  void (*start)(Works* works, LinkThread which) = nullptr;
  // Starts the four remote-operation threads together.
  void (*startRemote)(Works* works) = nullptr;
  // Stops them together.
  void (*stopRemote)(Works* works) = nullptr;
};

void StartLinkThread(Works* works, LinkThread which);
void StartRemoteThreads(Works* works);
void StopRemoteThreads(Works* works);
