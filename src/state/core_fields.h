#pragma once
// Fields of `works` owned by the core: run control, identity texts, the setup
// record and the numeric mirrors of the setup keys, remote-operation
// parameters, the `tinyCmd` mailbox and the shared mutexes.
#include <atomic>
#include <cstdint>
#include <mutex>

struct FrameBuffer;
struct SetupRecord;
struct FftRecord;
struct OpusEncoder;
struct OpusDecoder;
struct ThreadStarter;

struct CoreFields {
  // Run control.
  std::atomic<uint32_t> running;
  std::atomic<int> linkFault;  // 1 amplifier, 2 CAT, 3 external IO, 5 spectrum
  char linkFaultText[128];
  std::mutex linkFaultMutex;  // guards linkFaultText

  // Display.
  FrameBuffer* fb;
  char pngName[32];
  std::atomic<int> imgReload;

  // Identity texts.
  char version[16];
  char serverAddr[16];

  // Remote operation.
  std::atomic<uint16_t> tcpPort;
  std::atomic<int> sockFD;
  // The passphrase a peer must send: the shared default, or the owner's own.
  char wsPassword[65];
  std::atomic<int> audioFrameSamples, audioFormat, audioRate, audioCompress;
  OpusEncoder* opusEncoder;
  OpusDecoder* opusDecoder;
  std::atomic<int> remoteActive, remoteStarted;

  // One-byte mailbox to the GPIO thread: wait for 0, then store a code.
  std::atomic<uint8_t> tinyCmd;
  std::atomic<long> lastKeyTime;

  // Sub-records owned by main.
  const ThreadStarter* threadStarter;  // how subsystems ask for threads
  SetupRecord* setup;
  FftRecord* fftRec;
  std::mutex* connMutexPtr;
  std::mutex* mutexPtr;
  std::mutex* serMutexPtr;
  uint8_t* serBufferA;  // external IO link buffers
  uint8_t* serBufferB;

  // Working frequency (Hz) and the one last acted on by the timer loop.
  std::atomic<uint32_t> freq, lastFreq;

  // Numeric mirrors of the setup keys.
  std::atomic<int> antennaIndex;  // NumAntenna - 1
  std::atomic<int> EnablePwrPeak, TempMode, FreqSensIn, FreqPeriodTime;
  std::atomic<int> Attenuator, AttenuatorTune;
  std::atomic<float> SWRescAutoTune;
  std::atomic<int> ViewTimeStr, ViewTemp;
  std::atomic<float> MaxTemperature, MaxTemperature2;
  std::atomic<int> AutoTuneMaxCicli, PowerUnits, SaveScreenIdx;
  std::atomic<uint8_t> AutoTuneMode;
  std::atomic<int> Divide, MaxTempAllowed;
  std::atomic<int> PSpar1, PSpar2, PSpar3, PSpar4;
  std::atomic<int> Isteresi1, Isteresi2;
  std::atomic<double> OffsetPlot;
  std::atomic<uint8_t> TUNEenabled;
  std::atomic<int> NumBanco, MAXbank;
  std::atomic<int> GMpar1, GMpar2;
  std::atomic<int> EnableDebug, EnableLOGTemp, AudioBuffers;
  std::atomic<int> TuneSearch;  // automatic tune: 0 the full sweep, 1 the fast search
};
