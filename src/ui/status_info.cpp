#include "ui/status_info.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "amp/errors.h"
#include "amp/temperature.h"
#include "display/text.h"
#include "remote/tls_identity.h"
#include "state/remote_settings.h"
#include "state/setup_record.h"
#include "state/thread_starter.h"
#include "state/works.h"
#include "ui/ext_io_view.h"
#include "ui/network_settings.h"

namespace {

constexpr int kFont = 8, kLabelX = 5, kValueX = 180;
constexpr int kInfoView = 1;

// A formatted line as a string.
template <typename... Args>
std::string format(const char* fmt, Args... args) {
  char buf[192];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}

const char* typeName(int type) { return type == '0' ? "EU" : type == '1' ? "USA" : ""; }
const char* powerName(int variant) { return variant == '0' ? "60W" : variant == '1' ? "120W" : ""; }

// The identity blocks are raw bytes read off the amplifier, not checked text:
// they may fill their field without a terminator, end in erased memory (0xFF),
// or hold bytes that are no characters at all. The text ends at the first
// terminator or erased byte; any other byte that is not printable shows as
// '?', so the line never turns into missing-glyph boxes or runs on past the block.
std::string identity(const uint8_t* block, size_t size) {
  std::string text;
  for (size_t i = 0; i < size && block[i] != 0x00 && block[i] != 0xFF; ++i)
    text += block[i] >= 0x20 && block[i] < 0x7F ? static_cast<char>(block[i]) : '?';
  return text;
}

// The amplifier link rewrites its version and data blocks while the screen is
// drawn: the line is made from one consistent copy.
std::string versionLine(Works* w) {
  std::lock_guard lock(w->ampTextMutex);
  return format("SW ver. %s, FW ver. %.*s", w->version, static_cast<int>(sizeof w->ampVersion), w->ampVersion);
}

std::string serialLine(Works* w) {
  std::string block0, block1;
  {
    std::lock_guard lock(w->ampTextMutex);
    block0 = identity(w->eeBlock0, sizeof w->eeBlock0);
    block1 = identity(w->eeBlock1, sizeof w->eeBlock1);
  }
  return format("%s (%s), TYPE: %s, MAXPOWER: %s", block0.c_str(), block1.c_str(), typeName(w->ampType),
                powerName(w->ampVariant));
}

float toF(float c) { return ConversionCelsius_to_Fahrenheit(c); }

void temperatureLines(Works* w, std::vector<InfoLine>& out) {
  const float raw = w->ampCurrentRaw;
  const float amps = raw / 4096.0f * 14.05f;
  const float t1 = w->paTemp1, t2 = w->paTemp2, cpu = w->cpuTemp, gpu = w->gpuTemp, alarm = w->MaxTemperature;
  if (w->TempMode) {
    out.push_back({198, "TEMPERATURE",
                   format("Current:%05.01fA (%05.01f), Tbrd:%04.02f°F, Thsk:%04.02f°F", amps, raw, toF(t1), toF(t2)),
                   kValueX});
    out.push_back({220, nullptr, format("CPU:%4.01f°F, GPU:%4.01f°F", toF(cpu), toF(gpu)), kValueX});
    out.push_back({242, nullptr, format("Set Point Alarm %4.01f°F", toF(alarm)), kValueX});
    return;
  }
  out.push_back({198, "TEMPERATURE",
                 format("Current:%05.01fA (%05.01f), Tbrd:%04.02f°C, Thsk:%04.02f°C", amps, raw, t1, t2), kValueX});
  out.push_back({220, nullptr, format("CPU:%2.01f°C, GPU:%2.01f°C", cpu, gpu), kValueX});
  out.push_back({242, nullptr, format("Set Point Alarm %04.02f°C", alarm), kValueX});
}

void lanLines(std::vector<InfoLine>& out) {
  std::lock_guard lock(LAN_mutex);
  out.push_back({264, "LAN", format("IP:%s, NetMask:%s ", IP, NetMask), kValueX});
  out.push_back({286, nullptr, format("Gateway:%s, DNS:%s ", Gateway, DNS), kValueX});
}

std::string portOr(const char* port, const char* fallback) { return port[0] ? port : fallback; }

// Whether a link other than `self` runs on `port`: two links on one port would
// both read it, and the second open resets the first one's line settings.
bool portHeld(const SetupRecord& s, const std::string& port, LinkThread self) {
  const bool extIo = self != LinkThread::ExtIo && s.enaser == '1' && portOr(s.SerPort, kDefaultSerPort) == port;
  const bool ft817 =
      self != LinkThread::CatSerial && s.enaCatSer == '1' && portOr(s.CatSerialPort, kDefaultCatSerialPort) == port;
  const bool relay = s.EnableCAT == '1' && portOr(s.CatPort, kDefaultCatPort) == port;
  return extIo || ft817 || relay;
}

void switchOn(Works* w, SetupFlag& flag, const std::string& port, LinkThread link) {
  if (portHeld(*w->setup, port, link)) return;
  char off = '0';
  if (flag.compare_exchange_strong(off, '1')) StartLinkThread(w, link);
}

// Whether a peer gets in on the shared default (or why remote operation is
// off), and the fingerprint the owner compares with the browser's.
void remoteLines(Works* w, std::vector<InfoLine>& out) {
  out.push_back({44, "REMOTE", PassphraseSummary(w), kValueX});
  const std::string print = UnitTlsFingerprint();  // "SHA-256 AB:CD:..."
  if (print.empty()) return;
  constexpr size_t kHalf = 8 + 16 * 3;  // the name and the first 16 bytes
  out.push_back({66, "TLS", print.substr(0, kHalf), kValueX});
  if (print.size() > kHalf) out.push_back({88, nullptr, "        " + print.substr(kHalf), kValueX});
}

}  // namespace

void StartInfoScreenLink(Works* w) {
  if (!w->setup) return;
  SetupRecord& s = *w->setup;
  if (w->ModeWorkIdx == 1) switchOn(w, s.enaser, portOr(s.SerPort, kDefaultSerPort), LinkThread::ExtIo);
  if (w->ModeWorkIdx == 2)
    switchOn(w, s.enaCatSer, portOr(s.CatSerialPort, kDefaultCatSerialPort), LinkThread::CatSerial);
}

std::vector<InfoLine> StatusInfoLines(Works* w, int extIoFreq) {
  std::vector<InfoLine> out;
  remoteLines(w, out);
  out.push_back({110, "VERSION", versionLine(w), kValueX});
  out.push_back({132, "SN", serialLine(w), kValueX});
  out.push_back({154, "POWER",
                 format("FWD:%02.01f, RFL:%02.01f , PW:%02.01f, SWR:%02.01f", w->pwrFwd.load(), w->pwrRefl.load(),
                        w->pwrIn.load(), w->swrValue.load()),
                 kValueX});
  const bool extIoOn = w->setup && w->setup->enaser == '1';
  const long freq = extIoOn ? static_cast<long>(w->freq.load()) : static_cast<long>(w->ampFreq.load());
  out.push_back({176, "FREQUENCY", format("%ldHz(%ld)", freq, static_cast<long>(extIoFreq)), kValueX});
  temperatureLines(w, out);
  lanLines(out);
  out.push_back({308, "STATUS",
                 format("State 0x%02x 0x%02x,ES:%d,ER:%d", unsigned(w->ampStatus[0]), unsigned(w->ampStatus[1]),
                        w->retryTotal.load(), w->retryStops.load()),
                 kValueX});
  out.push_back({330, nullptr, ExistError(w, kErrExtIo) ? "No EXT IO data" : "EXT IO connected", kValueX});
  out.push_back({352, "AMPL",
                 format("ver. %x, V12: %02.01fV, V15: %02.01fV, Vamp: %02.01fV", unsigned(w->tinyReply0),
                        CalvTensVadcAmp(w, w->tinyReply1), CalvTensVadcAmp(w, w->tinyReply2),
                        CalvTensVadcAmp(w, w->tinyReply3)),
                 kValueX});
  if (w->menuPage == 0) out.push_back({400, nullptr, ClockText(w), 300});
  return out;
}

void ViewStatusInfo(Works* w) {
  if (w->statusView != kInfoView) return;
  const ExtIoView ext = ReadExtIoView(w);
  for (const InfoLine& line : StatusInfoLines(w, ext.freq)) {
    if (line.label) putString(kFont, kLabelX, line.y, line.label, 255, 255, 255, w->fb, 0, 0, 0, 0);
    putString(kFont, line.valueX, line.y, line.value.c_str(), 255, 255, 255, w->fb, 0, 0, 0, 0);
  }
}
