#pragma once
// The program's threads: their functions (each defined by its subsystem), the
// handles main keeps, and the start functions that test a setup flag.
#include <thread>

struct Works;

// Thread functions; each loops until `running` is 0 (the four remote threads
// and the links also end when their own setup flag leaves '1').
void GPIO(Works* works);
void Linear(Works* works);
void LoadThread(Works* works);
void AggFWThread(Works* works);
// The marker removal AggFWThread runs 30 s after start.
void RemoveUpdateMarker(Works* works);
void keyb(Works* works);
void Wsocket(Works* works);
void Wclient(Works* works);
void Serial(Works* works);
void th_scrivi(Works* works);
void th_leggi(Works* works);
void Cat(Works* works);
void VYRRead(Works* works);
void CatSerial(Works* works);
void timer(Works* works);

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

// Joins the started threads in the shut-down order, logging each join.
void JoinThreads(Works* works);
