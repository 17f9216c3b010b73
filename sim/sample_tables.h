#pragma once
// Sample table files for the bench and the tests, as a station would have them.
#include <string>

namespace sim {

// "config.txt": contiguous segments from 1.8 to 54 MHz (the last row closes the
// range) with detector calibrations of a 100 W amplifier and its thresholds.
std::string sampleConfigTxt();
// "ventola.txt": fan speed rising from 20 % at 25 degrees to 100 % at 65.
std::string sampleVentolaTxt();
// The band-pass filters of the amplifier: start, stop (Hz) and 1 = in use, one
// row for each of the eight filters.
std::string sampleFilterTxt();

}  // namespace sim
