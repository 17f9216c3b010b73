#pragma once
// The two commands the companion transceiver takes over its external IO port:
// back to receive ("RX;") and a tune carrier ("TU120;TX2;"), asked for by the
// automatic tuning (AutoTuneMode bits 2 and 5) and the manual tune keys
// (manualTune bit 0). They go out only after a message has come in, so a
// silent transceiver is sent nothing.
struct Works;

void SendTransceiverCommands(Works* works);
// Writes every byte to the transceiver; false when the port refused them.
bool writeSerialPort(int fd, const char* data, int length, Works* works);
