#include "amp/amp_commands.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr AmpCommandInfo kTable[] = {
    {kCmdReadVersion, "VSM;", 4, "VS", ""},
    {kCmdStatus, "ST;", 3, "ST", ""},
    {kCmdAntenna, "SA%d;", 4, "SA", ""},
    {kCmdReadFrequency, "FM;", 3, "FM", ""},
    {kCmdFrequency, "FA%011lu;", 14, "FA", ""},
    {kCmdReadTuneWord, "MT;", 3, "MT", ""},
    {kCmdSetTuneWord, "MT1%08X;", 12, "MT", "atuBypass = bit 16 of tuneWord"},
    {kCmdFreqSensor, "FS%01d%04d;", 8, "SF", ""},
    {kCmdClearProtections, "CPFFFF;", 7, "CP", ""},
    {kCmdAttenuator, "AT%d%d;", 5, "AT", "logs the text"},
    {kCmdAttenuatorTune, "AT%d%d;", 5, "AT", "logs the text"},
    {kCmdAttenuatorFull, "AT%d%d;", 5, "AT", "logs the text"},
    {kCmdProtectionsOff, "MP0;", 4, "MP", ""},
    {kCmdProtectionsOn, "MP1;", 4, "MP", ""},
    {kCmdAmpInLine, "AB0;", 4, "AB", "bypassCmd = 0"},
    {kCmdAmpBypass, "AB1;", 4, "AB", "bypassCmd = 1, attStep = 4"},
    {kCmdAntennaMode, "AN%d;", 4, "AN", "logs the text"},
    {kCmdThresholds, "TS%04d%04d%04d%04d;", 19, "TS", ""},
    {kCmdFan, "FN1%03d;", 7, "FN", "logs the text"},
    {kCmdPowerSensor, "PS%04d%04d%04d%04d;", 19, "PS", "logs the text"},
    {kCmdLoadTuneMem, "MT1%08X;", 12, "MT", "tuneWord from the tuner memory, atuBypass = 0"},
    {kCmdSetFilter, "SF30000%02x;", 10, "SF", "logs the text"},
    {kCmdFirmwareRestart, "MR1;", 4, "MR", "fwUpdateMode bit 2, menuPage 0, link silent"},
    {kCmdQueryReset, "MR0;", 4, "MR", ""},
    {kCmdGainParams, "GM%04d%04d;", 11, "GM", "logs the text"},
    {kCmdReadGeneralSettings, "GS;", 3, "GS", "logs the text"},
    {kCmdGeneralSettings, "GS%s;", 13, "GS", ""},
    {kCmdReadData0, "ER0000;", 7, "ER", ""},
    {kCmdReadData1, "ER0001;", 7, "ER", ""},
    {kCmdReadData2, "ER0002;", 7, "ER", ""},
    {kCmdTunerBypass, "MT1%08X;", 12, "MT", "atuBypass = 1, tuneWord bit 16 set, bits 18 and 23 clear"},
    {kCmdNeutralTune, "MT1%08X;", 12, "MT", "atuBypass = 0, tuneWord = bit 23, tuneC = tuneL = 0"},
};

}  // namespace

std::span<const AmpCommandInfo> AmpCommandTable() { return kTable; }

const AmpCommandInfo* FindAmpCommand(int code) {
  auto it =
      std::find_if(std::begin(kTable), std::end(kTable), [code](const AmpCommandInfo& c) { return c.code == code; });
  return it == std::end(kTable) ? nullptr : it;
}
