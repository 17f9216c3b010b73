#pragma once
// The companion transceiver's 1024-point spectrum: rotating it to the window
// the display shows, and storing spectrum bytes as dB values (byte - 192) in
// the display array under the external IO mutex.
#include <cstdint>

struct Works;
struct ExtIoParams;

inline constexpr int kExtIoSpectrumPoints = 1024;
// Points cut off a spectrum's sides to make the displayed window.
inline constexpr int kExtIoSpectrumMargin = 170;

// The first spectrum point of the window: 85 points in, moved by the receiver
// offsets of the record (offsetA counts only in modes 4 and 6); always
// 0..1023.
int SpectrumWindowStart(const ExtIoParams& p);
// Writes the window of a whole spectrum (`length` kExtIoSpectrumPoints) from
// point `start` on, wrapping round: length - kExtIoSpectrumMargin points.
// Returns their number.
int RotateSpectrum(const uint8_t* spectrum, int length, int start, uint8_t* out);

// A window already rotated (the external IO link's own spectrum): its `count`
// points, then zeros up to the width of the display.
void StoreSpectrumWindow(Works* works, int count, const uint8_t* points);
// A spectrum as the peer sends it. A peer sends the window its own display
// shows, 854 points, so that is stored as it comes: cutting the display's
// margin from it again would move every carrier 85 points (16 kHz) off the
// place the peer shows it. The receiver's finer spectrum (1706 points, twice
// the resolution) is brought to the display's scale, each pair of points by
// its stronger one, so the centre stays at the centre and no carrier is lost.
// Any other length: bytes 85 to 938 (fewer when it is shorter), then zeros.
void storeFFT(Works* works, int length, const uint8_t* spectrum);
