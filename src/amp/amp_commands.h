#pragma once
// The amplifier's command vocabulary: every command the program sends to the
// amplifier's microcontroller has one code here and one row in the table. The
// codes are what the command ring carries and what the retry record resends.
#include <span>

enum AmpCommand : int {
  kCmdReadVersion = 0,           // "VSM;"
  kCmdStatus = 1,                // "ST;" the status poll
  kCmdAntenna = 7,               // "SA%d;" antenna output antennaIndex + 1
  kCmdReadFrequency = 8,         // "FM;" the amplifier's frequency counter
  kCmdFrequency = 9,             // "FA%011lu;" the working frequency
  kCmdReadTuneWord = 10,         // "MT;"
  kCmdSetTuneWord = 11,          // "MT1%08X;" the tuner relays from tuneWord
  kCmdFreqSensor = 12,           // "FS%01d%04d;" frequency counter sensitivity and period
  kCmdClearProtections = 13,     // "CPFFFF;"
  kCmdAttenuator = 14,           // "ATxy;" from Attenuator
  kCmdAttenuatorTune = 15,       // "ATxy;" from AttenuatorTune
  kCmdAttenuatorFull = 16,       // "AT11;" both pads
  kCmdProtectionsOff = 17,       // "MP0;" automatic protections off
  kCmdProtectionsOn = 18,        // "MP1;"
  kCmdAmpInLine = 19,            // "AB0;" amplifier bypass off
  kCmdAmpBypass = 20,            // "AB1;" amplifier bypassed
  kCmdAntennaMode = 21,          // "AN%d;" from anMode
  kCmdThresholds = 22,           // "TS%04d%04d%04d%04d;" protection thresholds
  kCmdFan = 23,                  // "FN1%03d;" fan speed, percent
  kCmdPowerSensor = 24,          // "PS%04d%04d%04d%04d;" PSpar1..4
  kCmdLoadTuneMem = 27,          // "MT1%08X;" the tuner word stored for the frequency
  kCmdSetFilter = 28,            // "SF30000%02x;" low-pass filter relays
  kCmdFirmwareRestart = 30,      // "MR1;" restart for a firmware update
  kCmdQueryReset = 32,           // "MR0;"
  kCmdGainParams = 33,           // "GM%04d%04d;" GMpar1, GMpar2
  kCmdReadGeneralSettings = 34,  // "GS;"
  kCmdGeneralSettings = 35,      // "GS%s;" gsString with the interface bit
  kCmdReadData0 = 36,            // "ER0000;" data blocks 0, 1, 2
  kCmdReadData1 = 37,
  kCmdReadData2 = 38,
  kCmdTunerBypass = 39,  // "MT1%08X;" tuner bypassed
  kCmdNeutralTune = 40,  // "MT1%08X;" tuner in line at L = C = 0
};

struct AmpCommandInfo {
  AmpCommand code;
  const char* format;  // printf format of the text that follows the checksum
  int length;          // characters written after the checksum
  char reply[3];       // the reply letters expected, shown in error texts
  const char* effect;  // what sending it changes besides the wire ("" none)
};

// The whole table, in code order.
std::span<const AmpCommandInfo> AmpCommandTable();
// The row of `code`; nullptr for a code that names no command.
const AmpCommandInfo* FindAmpCommand(int code);
