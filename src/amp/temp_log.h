#pragma once
// Temperature log "/opt/set/LOGtemp.txt".
struct Works;

inline constexpr const char* kLogTempPath = "/opt/set/LOGtemp.txt";

// mode -1 deletes the log, 0 appends a line, 1 appends a line marked as a
// protection event. Each call remounts "/opt/set" writable and back.
void LogTempFunction(Works* works, int mode);
