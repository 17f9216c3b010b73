// The keys of the value-edit page applied to the rows of the setup list.
//
// Every value a key changes stays within its row's limits, and a setting is
// changed in its numeric mirror and in the setup record's text together, so
// the text the timers, the remote peer and writeSetup see is the value the
// list shows. Settings with decimals are stepped in whole tenths or hundredths,
// the units the setup file stores them in, so repeated steps never drift and a
// save writes exactly the value shown.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "display/framebuffer.h"
#include "display/png.h"
#include "platform/board.h"
#include "platform/log.h"
#include "state/globals.h"
#include "state/setup.h"
#include "state/setup_keys.h"
#include "state/setup_record.h"
#include "state/thread_starter.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tables/banks.h"
#include "tune/autotune_control.h"
#include "ui/background_job.h"
#include "ui/grid.h"
#include "ui/menu.h"
#include "ui/menu_rows.h"
#include "ui/network_settings.h"
#include "ui/remote_checks.h"

namespace {

// Limits the rows keep their settings in.
constexpr int kMaxBankLow = 2, kMaxBankHigh = 20;
// The period is sent as four digits and stored in a four-digit field.
constexpr int kPeriodLow = 10, kPeriodHigh = 9999, kPeriodStep = 10;
constexpr int kSwrHigh = 1000;  // hundredths: 10.00
constexpr int kSwrLow = 100;    // below 1.00 the target is off (0)
constexpr int kRefLevelStep = 10;
// A reference level far beyond any receiver's range; it keeps the grid's
// level arithmetic clear of integer overflow.
constexpr int kRefLevelLimit = 1000000;
constexpr int kRefPosHigh = 10;
constexpr int kPointDivHigh = 20;
// The offset is stored as tenths in a five-character field.
constexpr int kOffsetLimit = 9999;
constexpr int kPeakTimeHigh = 5000, kPeakTimeStep = 10;
constexpr int kTempLow = 200;                          // tenths: 20.0 degrees
constexpr int kLongPressLow = 3, kLongPressHigh = 50;  // tenths of a second
constexpr int kBankFiles = 20;                         // banks a factory reset clears
constexpr uint8_t kSwitchOffCode = 133;                // front-panel controller: power off
constexpr int kFilterOverlay = 4;                      // statusView bit of the filter page
constexpr uint8_t kHintRemoteFailed = 4;               // hintFlags: remote not started
constexpr uint8_t kHintUpdating = 8;                   // hintFlags: program update running

bool isEdit(int key) { return key == kMenuMinus || key == kMenuPlus || key == kMenuLeft || key == kMenuRight; }

// Refreshes the setup record's text of `key` from its numeric mirror, through
// the same conversion writeSetup uses.
void syncText(Works* w, const char* key) {
  for (const SetupKey& k : setupKeys()) {
    if (std::strcmp(k.name, key) == 0) {
      if (k.toText) k.toText(*w, *w->setup);
      return;
    }
  }
}

void save(Works* w) { writeSetup(w); }

// A flag or digit setting switched between 0 and 1.
void toggle(Works* w, std::atomic<int>& value, const char* key) {
  value = value ? 0 : 1;
  syncText(w, key);
}

// The stored units (tenths, hundredths) of a value with decimals.
long units(double value, int scale) { return std::lround(value * scale); }

// A digit setting stepped by one as an 8-bit value; anything above `high`
// (including 0 - 1 = 255) starts over at 0.
void stepIndex(Works* w, std::atomic<int>& value, int key, int high, const char* name) {
  if (key != kMenuMinus && key != kMenuPlus) return;
  uint8_t v = static_cast<uint8_t>(value + (key == kMenuPlus ? 1 : -1));
  if (v > high) v = 0;
  value = v;
  syncText(w, name);
}

// ---- Rows that store a number ----

void maxBank(Works* w, int key) {
  if (key == kMenuPlus) {
    int v = w->MAXbank + 1;
    if (v > kMaxBankHigh || v < kMaxBankLow) v = kMaxBankLow;
    w->MAXbank = v;
  } else if (key == kMenuMinus) {
    int v = w->MAXbank - 1;
    if (v < kMaxBankLow || v > kMaxBankHigh) v = kMaxBankHigh;
    w->MAXbank = v;
  } else {
    save(w);
    return;
  }
  syncText(w, "MAXbank");
}

void freqSensor(Works* w, int key) {
  if (key == kMenuEnter) {
    IncPNTIn_CMDLinear(kCmdFreqSensor, w);
    save(w);
  } else if (isEdit(key)) {
    toggle(w, w->FreqSensIn, "FreqSensIn");
  }
}

void freqPeriod(Works* w, int key) {
  if (key == kMenuEnter) {
    IncPNTIn_CMDLinear(kCmdFreqSensor, w);
    save(w);
  } else if (key == kMenuPlus || key == kMenuMinus) {
    const int step = key == kMenuPlus ? kPeriodStep : -kPeriodStep;
    w->FreqPeriodTime = std::clamp(w->FreqPeriodTime + step, kPeriodLow, kPeriodHigh);
    syncText(w, "FreqPeriodTime");
  }
}

void targetSwr(Works* w, int key) {
  if (key == kMenuEnter) {
    save(w);
    return;
  }
  long v = units(w->SWRescAutoTune, 100);
  if (key == kMenuPlus && ++v < kSwrLow) v = kSwrLow;
  if (key == kMenuMinus && --v < kSwrLow) v = 0;
  v = std::clamp(v, 0L, static_cast<long>(kSwrHigh));
  w->SWRescAutoTune = static_cast<float>(v / 100.0);
  syncText(w, "SWRescAutoTune");
}

void refLevel(int key) {
  if (key == kMenuPlus) RefLevel = std::min(RefLevel + kRefLevelStep, kRefLevelLimit);
  if (key == kMenuMinus) RefLevel = std::max(RefLevel - kRefLevelStep, -kRefLevelLimit);
}

void refPos(int key) {
  if (key == kMenuPlus) RefPos = std::clamp(RefPos + 1, 0, kRefPosHigh);
  if (key == kMenuMinus) RefPos = std::clamp(RefPos - 1, 0, kRefPosHigh);
}

// 1, 2, 5, 10, 20: doubling, with 4 taken as 5 so the scale keeps round steps.
void pointDiv(int key) {
  int v = PointDiv;
  if (key == kMenuPlus) {
    v = v < 1 ? 1 : std::min(v * 2, kPointDivHigh);
    if (v == 4) v = 5;
  } else if (key == kMenuMinus) {
    v = std::clamp(v / 2, 1, kPointDivHigh);
  } else {
    return;
  }
  PointDiv = v;
}

void offset(Works* w, int key) {
  if (key == kMenuPlus || key == kMenuMinus) {
    const long v = units(w->OffsetPlot, 10) + (key == kMenuPlus ? 1 : -1);
    w->OffsetPlot = std::clamp(v, static_cast<long>(-kOffsetLimit), static_cast<long>(kOffsetLimit)) / 10.0;
    syncText(w, "OffsetPlot");
  } else {
    save(w);
  }
}

void peakTime(Works* w, int key) {
  if (key == kMenuPlus || key == kMenuMinus) {
    const int step = key == kMenuPlus ? kPeakTimeStep : -kPeakTimeStep;
    TimerPeakSec = std::clamp(TimerPeakSec + step, 0, kPeakTimeHigh);
    syncText(w, "Peak_Time");
  } else {
    save(w);
  }
}

// An alarm set point never leaves 20..MaxTempAllowed degrees Celsius; should
// the allowed maximum itself be below 20, the maximum wins. It is shown and
// stepped by tenths in the unit of the screen (Fahrenheit with TempMode 1) and
// kept in Celsius, as the setup file stores it.
void tempSetPoint(Works* w, std::atomic<float>& value, int key, const char* name) {
  if (key == kMenuEnter) {
    save(w);
    return;
  }
  long v = units(SetPointShown(w, value), 10);
  if (key == kMenuPlus) ++v;
  if (key == kMenuMinus) --v;
  const long low = units(SetPointShown(w, kTempLow / 10.0), 10);
  const long high = units(SetPointShown(w, w->MaxTempAllowed), 10);
  v = std::min(std::max(v, low), high);
  value = static_cast<float>(SetPointFromShown(w, v / 10.0));
  syncText(w, name);
}

void longPress(Works* w, int key) {
  if (key == kMenuPlus || key == kMenuMinus) {
    const long v = units(TIME_LONG_PRESS, 10) + (key == kMenuPlus ? 1 : -1);
    TIME_LONG_PRESS = std::clamp(v, static_cast<long>(kLongPressLow), static_cast<long>(kLongPressHigh)) / 10.0;
    syncText(w, "BTN_longpress_Time");
  } else {
    save(w);
  }
}

// ---- Rows that store a flag or a small code ----

bool tuneUnderWay(Works* w) {
  return w->tunerRunning != 0 || (w->AutoTuneMode & (kAtmKeyStarted | kAtmReady | kAtmReadyAcked));
}

void autoTune(Works* w, int key) {
  if (key == kMenuEnter) {
    save(w);
    return;
  }
  // The whole byte is replaced: the tune-on-transmit handshake bits go with bit 0.
  if (!(w->AutoTuneMode & kAtmEnabled)) {
    w->AutoTuneMode = kAtmEnabled;
  } else if (tuneUnderWay(w)) {
    // Switched off while a tune has the companion's carrier on or asked for:
    // the tune ends here and the one bit left, "tune ended", has the link
    // send the companion to receive.
    if (w->tunerRunning != 0) EscAutoTune(w, 0);
    w->AutoTuneMode = kAtmEnded;
  } else {
    w->AutoTuneMode = 0;
  }
  syncText(w, "AutoTuneMode");
}

void forceAttenuator(Works* w, int key) {
  if (key == kMenuEnter) {
    save(w);
    return;
  }
  const int v = w->AttenuatorTune;
  w->AttenuatorTune = v < 0 || v >= 3 ? 0 : v + 1;
  syncText(w, "AttenuatorTune");
}

void atuInstalled(Works* w, int key) {
  if (key == kMenuEnter) {
    save(w);
    return;
  }
  w->TUNEenabled = static_cast<uint8_t>(w->TUNEenabled ^ 0x80);
  platform::errPrintf("----------> SAVE ATU: 0x%0X\n", static_cast<unsigned>(w->TUNEenabled.load()));
  syncText(w, "TUNEenabled");
}

void toggleSetting(Works* w, std::atomic<int>& value, int key, const char* name) {
  if (key == kMenuEnter)
    save(w);
  else
    toggle(w, value, name);
}

// The automatic tune's search: 0 the full sweep, 1 the fast search. "-" and
// "+" step within those two and stop there; ENTER saves.
void tuneSearch(Works* w, int key) {
  if (key == kMenuEnter) {
    save(w);
    return;
  }
  if (key != kMenuMinus && key != kMenuPlus) return;
  w->TuneSearch = key == kMenuPlus ? 1 : 0;
  syncText(w, "TuneSearch");
}

// ---- Remote operation (use mode) ----

void remoteOn(Works* w) {
  const RemoteChecks& checks = GetRemoteChecks();
  const int found = checks.findRemoteSettings(w);
  const int audio = checks.getAudio(w);
  const char enaser = w->setup->enaser;
  platform::errPrintf("j=%d i=%d enaser=%c\n", audio, found, enaser);
  if (found == 0 && enaser == '1' && audio > 0) {
    w->remoteStarted = 1;
    w->hintFlags &= static_cast<uint8_t>(~kHintRemoteFailed);
    platform::errPrintf("Remote GO!\n");
    return;
  }
  w->hintFlags |= kHintRemoteFailed;
  if (found == 1) AddErrore(w, kErrRemoteUsb);
  if (found == 2) AddErrore(w, kErrRemoteCat);
  if (found == 3) AddErrore(w, kErrAudioRead);
  if (audio <= 0) AddErrore(w, kErrAudio);
  if (enaser != '1') AddErrore(w, kErrVyrMode);
  platform::errPrintf("Remote ERROR!\n");
}

// Other keys choose between local and remote operation; ENTER applies the
// choice to the threads. The checks probe USB devices and a serial port for
// seconds: they run beside the keys.
void useMode(Works* w, int key) {
  if (w->remoteStarted == 1) {
    if (key != kMenuEnter) {
      w->remoteStarted = 0;
      return;
    }
    if (w->setup->WebSocket == '0') {
      w->setup->WebSocket = '1';
      StartLinkThread(w, LinkThread::WebSocket);
    }
    StartRemoteThreads(w);
    return;
  }
  if (key == kMenuEnter)
    StopRemoteThreads(w);
  else if (w->setup->EnableFFT == '0')
    PostBackgroundJob(w, "Remote checks", remoteOn);
}

// ---- Address rows ----

void address(Works* w, int key, uint8_t* bytes, std::atomic<int>& cursor) {
  if (key == kMenuEnter) {
    // The restart of the interfaces takes seconds: beside the keys.
    PostBackgroundJob(w, "Network restart", [](Works* works) { SaveLanParam(works); });
    return;
  }
  std::lock_guard lock(LAN_mutex);
  cursor = ModifyIP(key, cursor, bytes);
}

// ---- Action rows ----

void loadBackground(Works* w, const char* name) {
  if (!w->fb) return;
  std::lock_guard lock(w->fb->drawLock);
  std::snprintf(w->pngName, sizeof w->pngName, "%s", name);
  getPng(w, 1);
}

void filterView(Works* w, int key) {
  if (isEdit(key)) {
    menuChoices.filterView = !menuChoices.filterView;
    return;
  }
  if (menuChoices.filterView) {
    w->statusView |= kFilterOverlay;
    loadBackground(w, "statusB");
    w->menuPage = kLumoFilters;
  } else if (w->statusView & kFilterOverlay) {
    w->statusView &= ~kFilterOverlay;
    if (w->fb) SetWorkImg(w);
  }
}

void resetToFactory(Works* w) {
  for (int bank = 0; bank < kBankFiles; ++bank)
    for (int kind = kFileTuneMem1; kind <= kFileBandTable; ++kind) DeleteFileConf(w, bank, kind);
  initSetup(w);
  writeSetup(w);
  readSetup(w);
  // The tables in memory are those of the deleted files: load the current
  // bank again so they come back as the defaults the files now hold.
  LoadAllBankTable(w, w->NumBanco);
}

// Some sixty files deleted in their remount brackets: beside the keys.
void factoryReset(Works* w) {
  menuChoices.factoryDefault = false;
  PostBackgroundJob(w, "Factory reset", resetToFactory);
}

// A choice switched by the edit keys and carried out by ENTER while on.
void choice(Works* w, int key, std::atomic<bool>& on, void (*act)(Works*)) {
  if (isEdit(key))
    on = !on;
  else if (on)
    act(w);
}

void firmwareUpdate(Works* w) {
  IncPNTIn_CMDLinear(kCmdFirmwareRestart, w);
  platform::errPrintf("Start AGGFW\n");
}

// The update script and the service shell run for minutes: beside the keys.
void programUpdate(Works* w) {
  w->hintFlags |= kHintUpdating;
  platform::errPrintf("Start AGG UI...\n");
  PostBackgroundJob(w, "UI update", [](Works*) { platform::runUpdateScript(); });
}

void remoteService(Works* w) {
  platform::errPrintf("Start REMOTE SRV\n");
  PostBackgroundJob(w, "Remote service", [](Works*) { platform::runMaintenanceShell(); });
}

// Whether a held key repeats on `row`.
int repeats(int row, int key) {
  const bool plusMinus = key == kMenuPlus || key == kMenuMinus;
  switch (row) {
    case kRowFreqPeriod:
      return plusMinus;
    case kRowTargetSwr:
    case kRowTempAlarm1:
    case kRowTempAlarm2:
      return isEdit(key);
    case kRowOffset:
    case kRowPeakTime:
      return 1;
    default:
      return 0;
  }
}

}  // namespace

int ModifyParameter(Works* w, int key) {
  const int row = w->menuRow;
  if (key < kMenuEnter || key > kMenuRight || row < 0 || row >= kMenuRowCount) return 0;
  switch (row) {
    case kRowMaxBank:
      maxBank(w, key);
      break;
    case kRowFreqSens:
      freqSensor(w, key);
      break;
    case kRowFreqPeriod:
      freqPeriod(w, key);
      break;
    case kRowAutoTune:
      autoTune(w, key);
      break;
    case kRowForceAttenuator:
      forceAttenuator(w, key);
      break;
    case kRowTargetSwr:
      targetSwr(w, key);
      break;
    case kRowTuneTimeout:
      if (key == kMenuEnter) save(w);
      stepIndex(w, w->AutoTuneMaxCicli, key, 4, "AutoTuneMaxCicli");
      break;
    case kRowAtuInstalled:
      atuInstalled(w, key);
      break;
    case kRowUseMode:
      useMode(w, key);
      break;
    case kRowIp:
      address(w, key, IP_v, CntIP);
      break;
    case kRowSubnet:
      address(w, key, NetMask_v, CntNetMask);
      break;
    case kRowGateway:
      address(w, key, Gateway_v, CntGateway);
      break;
    case kRowDns:
      address(w, key, DNS_v, CntDNS);
      break;
    case kRowRefLevel:
      refLevel(key);
      break;
    case kRowRefPos:
      refPos(key);
      break;
    case kRowPointDiv:
      pointDiv(key);
      break;
    case kRowOffset:
      offset(w, key);
      break;
    case kRowFilterView:
      filterView(w, key);
      break;
    case kRowTuneSearch:
      tuneSearch(w, key);
      break;
    case kRowDateTime:
      toggleSetting(w, w->ViewTimeStr, key, "ViewTimeStr");
      break;
    case kRowTempUnits:
      toggleSetting(w, w->TempMode, key, "TempMode");
      break;
    case kRowPeakMeter:
      toggleSetting(w, w->EnablePwrPeak, key, "EnablePwrPeak");
      break;
    case kRowPeakTime:
      peakTime(w, key);
      break;
    case kRowTempAlarm1:
      tempSetPoint(w, w->MaxTemperature, key, "MaxTemperature");
      break;
    case kRowTempAlarm2:
      tempSetPoint(w, w->MaxTemperature2, key, "MaxTemperature2");
      break;
    case kRowPowerUnits:
      toggleSetting(w, w->PowerUnits, key, "PowerUnits");
      break;
    case kRowSaverTimeout:
      if (key == kMenuEnter) save(w);
      stepIndex(w, w->SaveScreenIdx, key, 4, "SaveScreenIdx");
      break;
    case kRowFactoryDefault:
      choice(w, key, menuChoices.factoryDefault, factoryReset);
      break;
    case kRowLongPress:
      longPress(w, key);
      break;
    case kRowOffHw:
      // Only ENTER switches the unit off: any other key on the page is a
      // slip of the finger, and BACK leaves it.
      if (key == kMenuEnter) w->tinyCmdActive = kSwitchOffCode;
      break;
    case kRowFwUpdate:
      choice(w, key, menuChoices.fwUpdate, firmwareUpdate);
      break;
    case kRowUiUpdate:
      choice(w, key, menuChoices.uiUpdate, programUpdate);
      break;
    case kRowRemoteService:
      choice(w, key, menuChoices.remoteService, remoteService);
      break;
    default:
      break;
  }
  return repeats(row, key);
}
