#pragma once
// Setting the first owner passphrase from the browser, by someone at the
// unit: a page asks, the unit shows a six-digit code on its own screen for
// two minutes, and the page sends that code with the new passphrase. A code
// works once; five wrong codes end the window. Only a unit still on the
// shared default can be paired: an owner passphrase is changed at the unit.
#include <cstdint>
#include <string>
#include <string_view>

struct Works;

inline constexpr int kPairingWindowMs = 120000;
inline constexpr int kPairingWrongAllowed = 5;

enum class Pairing { Shown, Set, WrongCode, WindowEnded, NotOpen, OwnerAlreadySet, BadPassphrase, NotStored };

// What the page's request ("PAIR?") gets: the code shown (a window already
// open keeps its code), or why not.
Pairing RequestPairing(Works* works, int64_t nowMs);
// The page's answer ("PAIR <code> <passphrase>").
Pairing CompletePairing(Works* works, std::string_view code, std::string_view passphrase, int64_t nowMs);
// The words a browser is told, and the screen's line while a window is open
// ("" when none is).
const char* PairingText(Pairing result);
std::string PairingScreenLine(const Works* works, int64_t nowMs);
