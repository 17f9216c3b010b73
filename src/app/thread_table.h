#pragma once
// The program's threads: the handles main keeps and the start functions that
// test a setup flag. Each thread's body is declared by its own subsystem; only
// the program starts and joins threads.
#include <thread>

struct Works;

extern std::thread thrGPIO, thrLin, thInit, thAggFw, thrKey, thrWsock, thrSer, thrCatSer, thrTime, thrLeggi,
    thrScrivi, thrCat, thrFFT;

void StartThreadLinear(Works* works);
void StartThreadSoket(Works* works);
void StartThreadVYR(Works* works);
void StartThreadCATserial(Works* works);
void StartThreadAudioRead(Works* works);
void StartThreadAudioWrite(Works* works);
void StartThreadCAT(Works* works);
void StartVyrReadFFT(Works* works);

// Starts the four remote-operation threads (audio write, audio read, CAT
// relay, spectrum) whose flags are '0', sets the flags and saves the setup.
void StartThreadCommRemote(Works* works);
// Clears the four flags (the threads end by themselves) and saves the setup.
void ExitThreadRemote(Works* works);

// Puts the program's thread starter into `works`, for the subsystems that
// bring links up and down.
void InstallThreadStarter(Works* works);

// Joins the started threads in the shut-down order, logging each join.
void JoinThreads(Works* works);
