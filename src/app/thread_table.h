#pragma once
// The program's threads: the handles main keeps and the start functions that
// test a setup flag. Each thread's body is declared by its own subsystem; only
// the program starts and joins threads.
#include <thread>

struct Works;

extern std::thread thrGPIO, thrLin, thInit, thAggFw, thrKey, thrWsock, thrSer, thrCatSer, thrTime, thrLeggi, thrScrivi,
    thrCat, thrFFT, thrSpi, thrTouch;

// Each starts one thread when its setup flag asks for it.
void StartThreadLinear(Works* works);      // the amplifier link
void StartThreadSoket(Works* works);       // the WebSocket server or client ("Soket" sic)
void StartThreadVYR(Works* works);         // the external IO link
void StartThreadCATserial(Works* works);   // the FT-817 CAT link
void StartThreadAudioRead(Works* works);   // audio capture
void StartThreadAudioWrite(Works* works);  // audio playback
void StartThreadCAT(Works* works);         // the CAT relay
void StartVyrReadFFT(Works* works);        // the USB receiver's spectrum

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
