#pragma once
// The files the bench lays into its sandbox before the program starts.
#include <string>

namespace sim {

// "/opt/set/setup.txt" (amplifier port "/dev/ttyAMA0", link on, remote links
// off), "config.txt" and "ventola.txt".
bool writeBenchSetFiles(const std::string& root);
// The answer of the board's "my_temp" command: the CPU temperature, then a
// line whose characters 5-8 carry the GPU temperature ("temp=48.1'C").
bool writeMyTemp(const std::string& root, double cpuC, double gpuC);

}  // namespace sim
