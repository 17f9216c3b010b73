#pragma once
// The program: start-up, the run, and shut-down. Returns the exit status.
int RunProgram();
