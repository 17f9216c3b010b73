#include "ui/menu_rows.h"

#include <cstdio>
#include <mutex>

#include "state/globals.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "ui/grid.h"
#include "ui/lumomenu.h"
#include "ui/network_settings.h"

namespace {

constexpr MenuRow row(int id, const char* title, const char* label, uint8_t address = 0) {
  MenuRow r{};
  r.id = id;
  for (int i = 0; title[i] && i < kMenuTextSize - 1; ++i) r.title[i] = title[i];
  for (int i = 0; label[i] && i < kMenuTextSize - 1; ++i) r.items[0].label[i] = label[i];
  r.items[0].direct = 0;
  r.items[0].address = address;
  r.count = 1;
  return r;
}

// Rows whose value is left out when LoadParameterMenu is called with its flag set.
constexpr bool kSkip[kMenuRowCount] = {
    false, false, false, false, false, false, false, false,  // 0..7
    true,                                                    // 8 use mode
    false, false, false, false, false, false, false, false,  // 9..16
    false, false, false,                                     // 17 filters, 18 tune search, 19 date
    true,  true,                                             // 20 temperature units, 21 peak meter
    false, false, false,                                     // 22..24
    true,  true,  true,                                      // 25 power units, 26 saver, 27 factory
    false,                                                   // 28 long press
    true,  true,  true,  true,                               // 29..32 actions
};

const char* onOff(bool on) { return on ? "On" : "OFF"; }

// Indexed texts; out-of-range values show "?" rather than read past the table.
template <size_t N>
const char* pick(const char* const (&texts)[N], int index) {
  return index >= 0 && index < static_cast<int>(N) ? texts[index] : "?";
}

constexpr const char* kAttenuation[] = {"0", "2", "3", "5"};
constexpr const char* kTuneTimeout[] = {"25sec", "20sec", "15sec", "10sec", "5sec"};
constexpr const char* kSaverTimeout[] = {"5min", "10min", "20min", "30min", "60min"};

struct AddressRow {
  char* text;
  uint8_t* bytes;
  std::atomic<int>* cursor;
};

AddressRow addressRow(int row) {
  switch (row) {
    case kRowIp:
      return {IP, IP_v, &CntIP};
    case kRowSubnet:
      return {NetMask, NetMask_v, &CntNetMask};
    case kRowGateway:
      return {Gateway, Gateway_v, &CntGateway};
    default:
      return {DNS, DNS_v, &CntDNS};
  }
}

void addressValue(Works* w, char* out, int row) {
  const AddressRow a = addressRow(row);
  std::lock_guard lock(LAN_mutex);
  SplitAddrInv(a.text, a.bytes);
  std::snprintf(out, kMenuValueSize, "%s", a.text);
  // The list also shows the rows around the selected one; only the selected
  // row's address may become the one drawn with the cursor.
  if (row == w->menuRow) {
    LAN_vect = a.bytes;
    LAN_idx = a.cursor->load();
  }
}

}  // namespace

const MenuRow menuPar[kMenuRowCount] = {
    row(1, "MAX BANK", " "),
    row(2, "FREQ", "Input Sens"),
    row(3, "FREQ", "Period (ms)"),
    row(4, "AUTO TUNE", "Enable VYR Tune"),
    row(5, "AUTO TUNE", "Force Attenuator"),
    row(6, "AUTO TUNE", "Target SWR (0=Off)"),
    row(7, "AUTO TUNE", "AutoTune Timeout"),
    row(8, "AUTO TUNE", "ATU Installed"),
    row(9, "VYR ART USE MODE", " "),
    row(10, "NETWORK LAN", "IP", 1),
    row(11, "NETWORK LAN", "SUBNET", 1),
    row(12, "NETWORK LAN", "GATEWAY", 1),
    row(13, "NETWORK LAN", "DNS", 1),
    row(14, "PLOT", "Ref Lev"),
    row(15, "PLOT", "Ref Pos"),
    row(16, "PLOT", "Point Div"),
    row(17, "PLOT", "Offset"),
    row(18, "FILTER SETTINGS", "View"),
    row(19, "AUTO TUNE", "Search"),
    row(50, "VIEW SCREEN", "DateTime"),
    row(51, "TEMPERATURE UNITS", " "),
    row(52, "PEAK POWER METER", " "),
    row(53, "PEAK POWER METER", "Release Time (ms)"),
    row(54, "1-TEMPERATURE ALARM", " SET POINT"),
    row(55, "2-TEMPERATURE ALARM", " SET POINT"),
    row(56, "SET POWER UNITS", " "),
    row(57, "SCREEN SAVER TIMEOUT", " "),
    row(58, "FACTORY DEFAULT", " "),
    row(59, "BUTTON TIME", "Long Press Time"),
    row(96, "OFF HW", " "),
    row(97, "FW UPDATE", " "),
    row(98, "UI UPDATE", " "),
    row(99, "REMOTE SERVICE", " "),
};

MenuChoices menuChoices;

bool MenuRowHasCursor(int row) { return row >= 0 && row < kMenuRowCount && menuPar[row].items[0].address; }

void ResetMenuChoices() {
  for (std::atomic<bool>* c : {&menuChoices.filterView, &menuChoices.factoryDefault, &menuChoices.fwUpdate,
                               &menuChoices.uiUpdate, &menuChoices.remoteService})
    *c = false;
}

void LoadParameterMenu(Works* w, char* out, int row, int flag) {
  out[0] = '\0';
  if (row < 0 || row >= kMenuRowCount || (flag && kSkip[row])) return;
  auto put = [out](const char* fmt, auto... args) { std::snprintf(out, kMenuValueSize, fmt, args...); };
  switch (row) {
    case kRowMaxBank:
      put("%d", w->MAXbank.load());
      break;
    case kRowFreqSens:
      put("%s", w->FreqSensIn ? "FQ2" : "FQ1");
      break;
    case kRowFreqPeriod:
      put("%d", w->FreqPeriodTime.load());
      break;
    case kRowAutoTune:
      put("%s", (w->AutoTuneMode & 1) ? "On" : "Off");
      break;
    case kRowForceAttenuator:
      put("%sdB", pick(kAttenuation, w->AttenuatorTune));
      break;
    case kRowTargetSwr:
      put("%02.02f", w->SWRescAutoTune.load());
      break;
    case kRowTuneTimeout:
      put("%s", pick(kTuneTimeout, w->AutoTuneMaxCicli));
      break;
    case kRowAtuInstalled:
      put("%s", (w->TUNEenabled & 0x80) ? "No" : "Yes");
      break;
    case kRowUseMode:
      put("%s", w->remoteStarted == 1 ? "Remote" : "Local");
      break;
    case kRowIp:
    case kRowSubnet:
    case kRowGateway:
    case kRowDns:
      addressValue(w, out, row);
      break;
    case kRowRefLevel:
      put("%d", RefLevel.load());
      break;
    case kRowRefPos:
      put("%d", RefPos.load());
      break;
    case kRowPointDiv:
      put("%d", PointDiv.load());
      break;
    case kRowOffset:
      put("%3.02f", w->OffsetPlot.load());
      break;
    case kRowFilterView:
      put("%s", onOff(menuChoices.filterView));
      break;
    case kRowTuneSearch:
      put("%s", w->TuneSearch == 1 ? "Fast" : "Full");
      break;
    case kRowDateTime:
      put("%s", onOff(w->ViewTimeStr));
      break;
    case kRowTempUnits:
      put("%s", w->TempMode ? "Fahrenheit" : "Celsius");
      break;
    case kRowPeakMeter:
      put("%s", onOff(w->EnablePwrPeak));
      break;
    case kRowPeakTime:
      put("%i", TimerPeakSec.load());
      break;
    case kRowTempAlarm1:
      put("%02.02f", SetPointShown(w, w->MaxTemperature));
      break;
    case kRowTempAlarm2:
      put("%02.02f", SetPointShown(w, w->MaxTemperature2));
      break;
    case kRowPowerUnits:
      put("%s", w->PowerUnits ? "dBm" : "Watt");
      break;
    case kRowSaverTimeout:
      put("%s", pick(kSaverTimeout, w->SaveScreenIdx));
      break;
    case kRowFactoryDefault:
      put("%s", menuChoices.factoryDefault ? "Set Default" : "No Default");
      break;
    case kRowLongPress:
      put("%01.01f sec", TIME_LONG_PRESS.load());
      break;
    case kRowOffHw:
      put("%s", "OFF");
      break;
    case kRowFwUpdate:
      put("%s", onOff(menuChoices.fwUpdate));
      break;
    case kRowUiUpdate:
      put("%s", onOff(menuChoices.uiUpdate));
      break;
    case kRowRemoteService:
      put("%s", onOff(menuChoices.remoteService));
      break;
    default:
      break;
  }
}

double SetPointShown(const Works* w, double celsius) { return w->TempMode ? celsius * 9.0 / 5.0 + 32.0 : celsius; }

double SetPointFromShown(const Works* w, double shown) { return w->TempMode ? (shown - 32.0) * 5.0 / 9.0 : shown; }

void GetLblInterface(int type, char* out) { std::snprintf(out, 8, "%s", type >= 0 && type < 3 ? MODEwork[type] : " "); }

// The captions themselves are kept by the button-bar table, which rewrites them
// on every tick of their page; these refresh them at once after a change.
void LblCOPY(Works* works) { RefreshDynamicCaptions(works, kLumoBankCopy); }
void LblRESET(Works* works) { RefreshDynamicCaptions(works, kLumoBankReset); }
void LblMenuAntenna(Works* works) { RefreshDynamicCaptions(works, kLumoUtilities); }
