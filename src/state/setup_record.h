#pragma once
// The setup record: the text form of every setting of "/opt/set/setup.txt",
// each at a fixed place and width (terminator included), plus the run-time
// link switches without a key. Flags and digits are single characters; they are
// polled by the threads they start and stop, so they are atomic.
#include <atomic>
#include <climits>

using SetupFlag = std::atomic<char>;

// The ports used when the setup file names none.
inline constexpr const char* kDefaultCatPort = "/dev/ttyUSB0";
inline constexpr const char* kDefaultSerPort = "/dev/ttyUSB1";
inline constexpr const char* kDefaultLinPort = "/dev/ttyAMA0";
inline constexpr const char* kDefaultCatSerialPort = "/dev/ttyUSB1";

// Device paths hold any path the system takes: stable names such as
// "/dev/serial/by-id/usb-..." are far longer than the classic "/dev/ttyUSB0".
inline constexpr int kSetupPathField = PATH_MAX;

struct SetupRecord {
  SetupFlag EnableKeyb, EnableSpi, EnableTouch, DelayedTouch, EnableGPIO;
  SetupFlag EnableRead, EnableWrite, EnableCAT, EnableLinear, EnableTime;
  SetupFlag WebSocket;  // '0' none, '1' server, '2' client
  char Pitch[10];
  char Quality[4];
  char AudioIn[20];
  char InChannels[2];
  char AudioCompress[8];
  char Multiplier[3];
  char AudioOut[20];
  char Server[16];
  char TcpPort[8];
  char CatPort[kSetupPathField];
  char SerPort[kSetupPathField];
  char LinPort[kSetupPathField];
  SetupFlag NumAntenna, EnablePwrPeak, TempMode, FreqSensIn;
  char FreqPeriodTime[5];
  SetupFlag Attenuator, AttenuatorTune;
  char SWRescAutoTune[6];
  SetupFlag ViewTimeStr, ViewTemp;
  char MaxTemperature[6];
  char MaxTemperature2[6];
  SetupFlag AutoTuneMaxCicli, PowerUnits, SaveScreenIdx, AutoTuneMode, EnableFFT;
  char Divide[3];
  char MaxTempAllowed[6];
  char PSpar1[6];
  char PSpar2[6];
  SetupFlag Isteresi1, Isteresi2;
  char PSpar3[6];
  char PSpar4[6];
  char OffsetPlot[6];
  char CatSerialPort[kSetupPathField];
  char TUNEenabled[4];
  char NumBanco[4];
  char GMpar1[6];
  char GMpar2[6];
  char Peak_media[6];
  char Peak_ValDec[6];
  char Peak_TimeDec[6];
  char Peak_Time[6];
  char MAXbank[4];
  char BTN_longpress_Time[6];
  SetupFlag EnableDebug, Enable1600, EnableLOGTemp;
  char AudioBuffers[6];
  SetupFlag TuneSearch;
  char RemoteTxLimit[6];    // seconds a peer may keep the transmitter keyed; 0 no limit
  char ListenAddress[16];   // the server's one address; "0.0.0.0" every address
  // Run-time switches without a key; '1' at start.
  SetupFlag enaser;     // external IO serial thread
  SetupFlag fftFlag;    // spectrum processing; follows EnableFFT, set by Enable1600
  SetupFlag enaCatSer;  // CAT serial thread
};
