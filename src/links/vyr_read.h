#pragma once
// The companion's USB receiver: streams its I/Q samples and, while a peer is
// connected, turns every `Divide`-th transfer into a spectrum for the peer.
#include <cstdint>

struct Works;

// Thread body; runs while EnableFFT is '1'. Every end goes through
// ExitVyrread, so the remote restart starts it again later.
void VYRRead(Works* works);
void ExitVyrread(Works* works);
// Converts a transfer's little-endian 32-bit integers to floats:
// value * scale / 2^31. Returns the count converted (at most `room`).
int ScaleSamples(const uint8_t* data, int length, float scale, float* out, int room);
// One spectrum of 8192 scaled floats (4096 I, Q pairs), sent to the peer.
void fftCalc(const float* samples, int count, Works* works);

// Where spectra go: the peer by default; tests look at them here.
using SpectrumSink = void (*)(Works* works, const uint8_t* data, int length);
void SetSpectrumSink(SpectrumSink sink);
