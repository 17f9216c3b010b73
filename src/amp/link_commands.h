#pragma once
// The amplifier's command vocabulary and how each command goes out on the link.
#include <cstddef>
#include <string>

struct Works;

// Frames and writes one command: the CRC-8 of the text (";" included) as two
// lower-case hexadecimal digits, then the text. Restarts the silence count.
// False when the write failed.
bool writeLinearPort(int fd, const char* text, size_t length, Works* works);
// Records the reply letters expected and the code to resend on a retry.
void LastCmdSent(Works* works, char c1, char c2, int code);
// "AT00;" .. "AT11;" for attenuation 0..3 (first digit the 3 dB pad, second
// the 2 dB pad), sent as command `code`; sets the state to waiting.
void SetAttenuatorCMD(Works* works, int value, int code);

// Sends command `code` (1 = "ST;") as the next exchange, with its side
// effects, and leaves the state at 2 (waiting) or 31 after "MR1;". A code that
// is not in the table, or cannot be sent, is logged and the link moves on.
void SendLinearCommand(Works* works, int code);
// The text command `code` would send now, without its checksum and without
// side effects; "" for an unknown code. The tuner-word codes 27, 39 and 40
// change the tune word when sent, so they are not formatted here.
std::string FormatLinearCommand(Works* works, int code);
