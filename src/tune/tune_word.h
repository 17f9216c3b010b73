#pragma once
// The tune word: a 9-bit capacitance, a 9-bit inductance and the network mode
// of the L-network tuner, scattered over one 32-bit word as the amplifier's
// relay driver expects it.
#include <cstdint>
#include <string>

struct Works;

inline constexpr uint32_t kTuneMaskC = 0x0050D554;     // C bits plus reserved bit 22
inline constexpr uint32_t kTuneMaskL = 0x002A2AAA;     // L bits plus reserved bit 17
inline constexpr uint32_t kTuneMaskMode = 0x00850000;  // bits 23, 18, 16
inline constexpr uint32_t kTuneModeCL = 1u << 23;
inline constexpr uint32_t kTuneModeLC = 1u << 18;
inline constexpr uint32_t kTuneModeBypass = 1u << 16;

// Stores `value` modulo 512 as the capacitance (SetC) or inductance (SetI) of
// `works->tuneWord`; the reserved tenth bit is always cleared.
void SetC(Works* works, int value);
void SetI(Works* works, int value);
// Settings 0..511 and the mode 0..3 held in a tune word. An unknown mode
// combination is reported on standard error and decodes as 0.
int DecodeCapacitaFromTuneval(uint32_t word);    // the capacitance setting
int DecodeInduttanzaFromTuneval(uint32_t word);  // the inductance setting
int DecodeModoFromTuneval(uint32_t word);        // the network mode
// Stores the network mode in `tuneMode`, the word's mode bits and `atuBypass`.
void SetMode(Works* works, int mode);
// Refreshes `tuneC`, `tuneL`, `tuneMode` from the word; no mode means bypass.
void ReadTnePar(Works* works);  // ("Tne": tune parameters)

// The tune-word semaphore: one atomic test-and-set, so two writers can never
// both see it free and take it.
void WaitSemaforoTuneval(Works* works);  // takes it, waiting while another holds it
void StopSemaforoTuneval(Works* works);  // releases it

// "CL", "LC" or "BP" for the debug line of the status page.
extern char ModeTuneDebug[6];
std::string GetModeTuneDebug();
