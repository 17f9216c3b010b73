#pragma once
// The files the bench lays into its sandbox before the program starts.
#include <string>

namespace sim {

// What the unit is to a second unit: on its own, the WebSocket server on a
// port, or the client of a server on this machine's port.
struct BenchRole {
  enum Kind { Alone, Server, Client } kind = Alone;
  int port = 0;
};

// "/opt/set/setup.txt" (amplifier port "/dev/ttyAMA0", link on, remote links
// off unless the role needs them), "config.txt" and "ventola.txt". The banks
// of a unit in a pair take the transceiver from the external IO link: the
// server reads its companion there and forwards the parameters, which the
// client takes as its own.
// With `serviceKeyboard` the setup turns the service keyboard on (the bench
// has one; the tests that run the program mostly do not).
bool writeBenchSetFiles(const std::string& root, const BenchRole& role = {}, bool serviceKeyboard = false);
// The answer of the board's "my_temp" command: the CPU temperature, then a
// line whose characters 5-8 carry the GPU temperature ("temp=48.1'C").
bool writeMyTemp(const std::string& root, double cpuC, double gpuC);

}  // namespace sim
