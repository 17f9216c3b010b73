#pragma once
// How fast the far unit's commands act. A peer can put a command in every
// status text it sends, and each bank change rewrites the setup file and
// sends the amplifier a new band setting, so commands are taken at a pace a
// person pressing keys never notices and a flood cannot turn into work.
// The commands' own code (remote/remote_commands.cpp) applies these rules;
// this is the state they keep, one per unit.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "state/rate_gate.h"

// "Next bank": a double press goes through, then 4 a second; the rest are
// dropped (each one is a step, so acting on it late would overshoot).
inline constexpr int kRemoteBankBurst = 2;
inline constexpr int kRemoteBankPerSecond = 4;
// Spectrum and divider settings: a short run goes through (the far unit's
// menu steps a value; each is a plain store, cheap to make), then 4 a second;
// one that comes too soon waits, and only the latest of its kind is kept (a
// setting, unlike a step, is meant as the final value).
inline constexpr int kRemoteSettingsBurst = 16;
inline constexpr int kRemoteSettingsPerSecond = 4;

struct RemotePacing {
  struct Held {
    int kind;  // which setting (the commands' own numbering)
    std::string text;
  };
  std::mutex mutex;
  RateGate bank{kRemoteBankBurst, kRemoteBankPerSecond};
  RateGate settings{kRemoteSettingsBurst, kRemoteSettingsPerSecond};
  // Settings that came too soon: at most one per kind, in the order they came.
  std::vector<Held> held;
  // A reboot is carried out once; the unit is going down.
  bool rebootTaken = false;
  uint64_t dropped = 0;     // bank changes and repeated reboots not acted on
  uint64_t superseded = 0;  // held settings replaced by a later one of their kind
};
