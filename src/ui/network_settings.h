#pragma once
// The board's IPv4 settings (address, subnet mask, gateway, name server): read
// at start from "/etc/network/interfaces", edited byte by byte in the
// "NETWORK LAN" rows of the setup list, written back into the same file, after
// which the interfaces are restarted. Only a value the user has changed is
// rewritten, in the line it was read from (the last line holding its keyword),
// keeping that line's indentation and whatever follows the address; every
// other byte of the file is kept as it is. A gateway or name server the file
// did not have, once edited, gets a line of its own after the address line.
#include <atomic>
#include <cstdint>
#include <mutex>

struct Works;

inline constexpr const char* kInterfacesPath = "/etc/network/interfaces";
inline constexpr int kLanTextSize = 32;

// The values as text, as read from the file (and as rebuilt by the menu).
extern char IP[kLanTextSize], NetMask[kLanTextSize], Gateway[kLanTextSize], DNS[kLanTextSize];
// Cleared when the file is read; nothing fills it.
extern char MAC[kLanTextSize];
// The four numbers of dotted notation, first number first.
extern uint8_t IP_v[4], NetMask_v[4], Gateway_v[4], DNS_v[4];
// 1 when the file had no gateway or name-server value.
extern std::atomic<uint8_t> Gateway_none, DNS_none;

// The address the setup list draws with a cursor, and the cursor (0..3): set
// by LoadParameterMenu for the selected network row.
extern std::atomic<const uint8_t*> LAN_vect;
extern std::atomic<int> LAN_idx;

// The key thread edits the globals above while the timer thread draws them:
// hold this lock while reading or changing them from either.
extern std::mutex LAN_mutex;

// Reads the file; 0, or -1 when it cannot be opened (the values stay empty).
int ReadLanParam(Works* works);
// Rewrites the changed values into the file (through a temporary file and a
// rename) and restarts the interfaces. Returns
// the shell status of the restart, or -1 when the file system cannot be made
// writable or the file cannot be read or written (nothing is written then).
// With no value changed since the file was read it writes and restarts
// nothing and returns 0.
int SaveLanParam(Works* works);

// Stores the first four numbers of a dotted text into `vect`. Returns 0; or -1,
// leaving `vect` unchanged, when the text does not start with four numbers of
// 0..255 separated by dots (what follows the fourth number, such as a "/24"
// prefix length, is ignored).
int SplitAddr(const char* text, uint8_t* vect);
// Writes "%i.%i.%i.%i" of the four bytes into `text` (room for 16 characters).
void SplitAddrInv(char* text, const uint8_t* vect);

// Edit operations of ModifyIP, the setup list's key codes.
enum LanEdit : int { kLanDown = 1, kLanUp = 2, kLanLeft = 3, kLanRight = 4 };
// Applies one edit to `vect` at `cursor` and returns the new cursor: kLanDown
// and kLanUp subtract or add 1 to the byte at the cursor, wrapping within
// 0..255; kLanLeft and kLanRight move the cursor, wrapping within 0..3; any
// other operation changes nothing. A cursor outside 0..3 is first brought back
// to the nearest end.
int ModifyIP(int op, int cursor, uint8_t* vect);
