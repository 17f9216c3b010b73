#pragma once
// Serial lines in raw mode (termios). The same calls work on a UART of the
// board and on the slave side of a pseudo-terminal, which is how the simulated
// hardware is attached in the sandbox.
#include <cstddef>
#include <string>
#include <vector>

namespace platform {

struct SerialSettings {
  int baud = 115200;
  int stopBits = 1;           // 1 or 2
  int readMin = 1;            // VMIN
  int readTimeoutTenths = 5;  // VTIME, tenths of a second
  bool hangUpOnClose = true;  // HUPCL
  bool nonBlocking = false;   // O_NONBLOCK on the descriptor
};

// Result of opening a port: the descriptor, or -1 with which step failed.
struct SerialOpen {
  int fd = -1;
  enum class Failure { None, Open, Configure } failure = Failure::None;
  int error = 0;  // errno of the failed step
};

// Opens a system path read-write (no controlling terminal) and applies 8 data
// bits, no parity, receiver on, modem lines ignored, parity errors ignored, no
// output processing, non-canonical input without echo or signals, flushes
// pending input and applies at once.
SerialOpen openSerial(const std::string& systemPath, const SerialSettings& settings);
// Bytes waiting to be read (FIONREAD), or -1.
int bytesWaiting(int fd);
// Reads up to `length` bytes as read(2) does: the count, 0, or -1.
long readSerial(int fd, void* data, size_t length);
// Writes every byte, repeating partial writes; false on error.
bool writeAll(int fd, const void* data, size_t length);
// Changes how a read waits (VMIN, VTIME in tenths of a second) on an open
// line; false when the line refuses the settings.
bool setReadTimeout(int fd, int readMin, int readTimeoutTenths);
// Discards bytes received but not yet read.
void flushInput(int fd);
void closeSerial(int fd);
// The system paths of the devices matching a shell pattern ("/dev/ORVACAT*"),
// sorted; empty when none match or the pattern cannot be expanded.
std::vector<std::string> matchDevices(const std::string& systemPattern);
// Text of an errno value.
std::string errorText(int error);

}  // namespace platform
