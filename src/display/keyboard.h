#pragma once
// The service keyboard thread: the first "/dev/input/by-id/*-event-kbd"
// device, looked for every 20 s until one opens. Its keys: SysRq saves a
// screenshot, F12 ends the program, F11 saves the setup file, F10 runs the
// maintenance shell (the keyboard is not read until the shell ends).
struct Works;

void keyb(Works* works);
// Runs the maintenance shell and returns when it ends.
void RemoteConnection();
