#include "state/setup_keys.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "state/globals.h"
#include "state/works.h"

namespace {

// "%d" scan of a number field; false leaves the mirror at its previous value.
bool scanInt(const char* text, int& out) { return std::sscanf(text, "%d", &out) == 1; }

template <size_t N>
void printInt(char (&field)[N], long value, const char* fmt = "%ld") {
  std::snprintf(field, N, fmt, value);
}

// Scaled values are written back rounded to the nearest unit: a plain
// truncation would turn 60.1 degrees (stored as 60.099998) into 600 and let
// the setting creep down on every save.
long scaled(double value, double scale) { return std::lround(value * scale); }

}  // namespace

// Table rows. FLAG: a flag or digit without a mirror. DIGIT: a digit with an
// integer mirror in `works`. TEXT: a text field. NUMBER: a number field with a
// mirror; `rd` converts the scanned value, `wr` gives the value to write.
#define FLAG(k)                                                                                       \
  {                                                                                                   \
#k, SetupKind::Flag, [](SetupRecord & s) -> SetupFlag& { return s.k; }, nullptr, nullptr, nullptr \
  }
#define DIGIT(k, mirror)                                                                            \
  {                                                                                                 \
#k, SetupKind::Flag, [](SetupRecord& s) -> SetupFlag& { return s.k; }, nullptr,                   \
   [](Works& w, SetupRecord& s) { w.mirror = s.k - '0'; },                                            \
   [](Works& w, SetupRecord& s) { s.k = static_cast<char>('0' + w.mirror); } \
  }
#define TEXT(k)                                                                                          \
  {                                                                                                      \
#k, SetupKind::Text, nullptr, [](SetupRecord & s) { return std::span<char>(s.k); }, nullptr, nullptr \
  }
#define NUMBER(k, rd, wr)                                                                 \
  {                                                                                       \
#k, SetupKind::Number, nullptr, [](SetupRecord& s) { return std::span<char>(s.k); },    \
   [](Works& w, SetupRecord& s) {                                                          \
     int v;                                                                                \
     if (scanInt(s.k, v)) { rd; }                                                          \
   },                                                                                       \
   [](Works& w, SetupRecord& s) { printInt(s.k, (wr)); } \
  }

static const SetupKey kKeys[] = {
    FLAG(EnableKeyb),
    FLAG(EnableSpi),
    FLAG(EnableTouch),
    FLAG(DelayedTouch),
    FLAG(EnableGPIO),
    FLAG(EnableRead),
    FLAG(EnableWrite),
    FLAG(EnableCAT),
    FLAG(EnableLinear),
    FLAG(EnableTime),
    FLAG(WebSocket),
    TEXT(Pitch),
    TEXT(Quality),
    TEXT(AudioIn),
    TEXT(InChannels),
    NUMBER(AudioCompress, w.audioCompress = v, w.audioCompress.load()),
    {"Multiplier", SetupKind::Text, nullptr, [](SetupRecord& s) { return std::span<char>(s.Multiplier); },
     [](Works& w, SetupRecord& s) { w.audioFrameSamples = std::atoi(s.Multiplier) * 240; }, nullptr},
    TEXT(AudioOut),
    {"Server", SetupKind::Text, nullptr, [](SetupRecord& s) { return std::span<char>(s.Server); },
     [](Works& w, SetupRecord& s) { std::snprintf(w.serverAddr, sizeof w.serverAddr, "%s", s.Server); }, nullptr},
    {"TcpPort", SetupKind::Number, nullptr, [](SetupRecord& s) { return std::span<char>(s.TcpPort); },
     [](Works& w, SetupRecord& s) {
       short port;
       if (std::sscanf(s.TcpPort, "%hd", &port) == 1) w.tcpPort = static_cast<uint16_t>(port);
     },
     [](Works& w, SetupRecord& s) { printInt(s.TcpPort, w.tcpPort.load()); }},
    TEXT(CatPort),
    TEXT(SerPort),
    TEXT(LinPort),
    {"NumAntenna", SetupKind::Flag, [](SetupRecord& s) -> SetupFlag& { return s.NumAntenna; }, nullptr,
     [](Works& w, SetupRecord& s) { w.antennaIndex = s.NumAntenna - '0' - 1; },
     [](Works& w, SetupRecord& s) { s.NumAntenna = static_cast<char>('0' + w.antennaIndex + 1); }},
    DIGIT(EnablePwrPeak, EnablePwrPeak),
    DIGIT(TempMode, TempMode),
    DIGIT(FreqSensIn, FreqSensIn),
    NUMBER(FreqPeriodTime, w.FreqPeriodTime = v, w.FreqPeriodTime.load()),
    DIGIT(Attenuator, Attenuator),
    DIGIT(AttenuatorTune, AttenuatorTune),
    NUMBER(SWRescAutoTune, w.SWRescAutoTune = v / 100.0f, scaled(w.SWRescAutoTune, 100)),
    DIGIT(ViewTimeStr, ViewTimeStr),
    DIGIT(ViewTemp, ViewTemp),
    NUMBER(MaxTemperature, w.MaxTemperature = v / 10.0f, scaled(w.MaxTemperature, 10)),
    NUMBER(MaxTemperature2, w.MaxTemperature2 = v / 10.0f, scaled(w.MaxTemperature2, 10)),
    DIGIT(AutoTuneMaxCicli, AutoTuneMaxCicli),
    DIGIT(PowerUnits, PowerUnits),
    DIGIT(SaveScreenIdx, SaveScreenIdx),
    {"AutoTuneMode", SetupKind::Flag, [](SetupRecord& s) -> SetupFlag& { return s.AutoTuneMode; }, nullptr,
     [](Works& w, SetupRecord& s) { w.AutoTuneMode = static_cast<uint8_t>(s.AutoTuneMode - '0'); },
     [](Works& w, SetupRecord& s) { s.AutoTuneMode = static_cast<char>('0' + (w.AutoTuneMode & 1)); }},
    {"EnableFFT", SetupKind::Flag, [](SetupRecord& s) -> SetupFlag& { return s.EnableFFT; }, nullptr,
     [](Works&, SetupRecord& s) { s.fftFlag = s.EnableFFT.load(); }, nullptr},
    {"Divide", SetupKind::Number, nullptr, [](SetupRecord& s) { return std::span<char>(s.Divide); },
     [](Works& w, SetupRecord& s) { w.Divide = std::atoi(s.Divide); },
     [](Works& w, SetupRecord& s) { printInt(s.Divide, w.Divide.load()); }},
    NUMBER(MaxTempAllowed, w.MaxTempAllowed = v, w.MaxTempAllowed.load()),
    NUMBER(PSpar1, w.PSpar1 = v, w.PSpar1.load()),
    NUMBER(PSpar2, w.PSpar2 = v, w.PSpar2.load()),
    DIGIT(Isteresi1, Isteresi1),
    DIGIT(Isteresi2, Isteresi2),
    NUMBER(PSpar3, w.PSpar3 = v, w.PSpar3.load()),
    NUMBER(PSpar4, w.PSpar4 = v, w.PSpar4.load()),
    NUMBER(OffsetPlot, w.OffsetPlot = v / 10, scaled(w.OffsetPlot, 10)),
    TEXT(CatSerialPort),
    NUMBER(TUNEenabled, w.TUNEenabled = static_cast<uint8_t>(v), w.TUNEenabled.load()),
    NUMBER(NumBanco, w.NumBanco = v, w.NumBanco.load()),
    NUMBER(GMpar1, w.GMpar1 = v, w.GMpar1.load()),
    NUMBER(GMpar2, w.GMpar2 = v, w.GMpar2.load()),
    NUMBER(Peak_media, fattoremedia = v, fattoremedia.load()),
    NUMBER(Peak_ValDec, PeakDecrement = v / 10.0, scaled(PeakDecrement, 10)),
    NUMBER(Peak_TimeDec, PeakDecrementTime = v, PeakDecrementTime.load()),
    NUMBER(Peak_Time, TimerPeakSec = v, TimerPeakSec.load()),
    NUMBER(MAXbank, w.MAXbank = v, w.MAXbank.load()),
    NUMBER(BTN_longpress_Time, TIME_LONG_PRESS = v / 10.0, scaled(TIME_LONG_PRESS, 10)),
    DIGIT(EnableDebug, EnableDebug),
    {"Enable1600", SetupKind::Flag, [](SetupRecord& s) -> SetupFlag& { return s.Enable1600; }, nullptr,
     [](Works&, SetupRecord& s) { s.fftFlag = '1'; }, nullptr},
    DIGIT(EnableLOGTemp, EnableLOGTemp),
    NUMBER(AudioBuffers, w.AudioBuffers = v, w.AudioBuffers.load()),
    DIGIT(TuneSearch, TuneSearch),
    NUMBER(RemoteTxLimit, w.remoteTxLimitS = v < 0 ? 0 : v, w.remoteTxLimitS.load()),
    TEXT(ListenAddress),
};

#undef FLAG
#undef DIGIT
#undef TEXT
#undef NUMBER

static_assert(sizeof kKeys / sizeof kKeys[0] == 67, "the setup file has 67 keys");

std::span<const SetupKey> setupKeys() { return kKeys; }
