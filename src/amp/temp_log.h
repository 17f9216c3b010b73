#pragma once
// Temperature log "/opt/set/LOGtemp.txt".
struct Works;

inline constexpr const char* kLogTempPath = "/opt/set/LOGtemp.txt";

// mode -1 deletes the log, 0 appends a line, 1 appends a line marked as a
// protection event. The line holds the readings of the moment of the call;
// the file writer deletes or appends in the order of the calls.
void LogTempFunction(Works* works, int mode);
