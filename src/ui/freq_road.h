#pragma once
// Following the operating frequency: where it comes from in each interface
// mode, and what is re-selected when it changes.
struct Works;
struct ExtIoView;

// Sets `freq` from the source of the bank's interface mode: the external IO
// record (1), the FT-817 CAT link (2) or the amplifier's own counter (0). In
// modes 0 and 2 the antenna mode is reset to 0 ("AN0;") when it was set.
void ReadFrequencySource(Works* works, const ExtIoView& ext);

// When `freq` differs from `lastFreq`, or a band row must be re-applied
// (`bandRowIdx` -1): sends the frequency to the amplifier (not in generic
// mode, where it came from the amplifier), then selects filter, thresholds and
// the band row's antenna, bypass, attenuation and tuner setting. A frequency
// of 0 (none read yet) is never acted on. Returns true when it acted.
bool FollowFrequency(Works* works);
