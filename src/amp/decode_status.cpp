// The status reply: amplifier flags, powers, SWR, current and temperatures.
#include <cmath>
#include <optional>

#include "amp/decode_reply.h"
#include "amp/errors.h"
#include "amp/fan.h"
#include "amp/init_micro_cmd.h"
#include "amp/link_retry.h"
#include "amp/link_state.h"
#include "amp/temp_log.h"
#include "amp/temperature.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "state/works.h"
#include "tables/config_table.h"
#include "tune/autotune_control.h"

namespace {

constexpr long kPauseAfterStatusMs = 10;

// Positions in the status reply, counted from the "S" of "ST".
constexpr size_t kPosS0 = 2, kPosS1 = 3, kPosPwrIn = 4, kPosFwd = 8, kPosRefl = 12, kPosCurrent = 16;
constexpr size_t kPosTemp1 = 20, kPosTemp2 = 24, kPosS2Low = 28, kPosS2High = 29, kPosPeak = 32;

void clearResetRequest(Works* w) {
  if (w->errorFlags & kErrFlagResetPending)
    w->errorFlags &= static_cast<uint8_t>(~(kErrFlagBiasReset | kErrFlagResetPending));
}

void trackBypass(Works* w, uint8_t s1, const char* frame) {
  bool faultBypass = s1 & 0x08;
  if (faultBypass && w->ampBypass == 0 && w->bypassCmd == 1) {
    platform::errPrintf("--------------- AMPL ERRORE : bypass on %s\n", frame);
    w->ampBypass = 1;
  } else if (!faultBypass && w->ampBypass == 1 && w->bypassCmd == 0) {
    platform::errPrintf("--------------- AMPL ERRORE : bypass off %s\n", frame);
    w->ampBypass = 0;
  }
}

// While the communication error stands, what the amplifier reports wins over
// what was last commanded: the commands may never have arrived.
void resyncAfterCommError(Works* w, uint8_t s0, uint8_t s1) {
  if (!ExistError(w, kErrComm)) return;
  bool faultBypass = s1 & 0x08;
  if (faultBypass && w->ampBypass == 0) {
    w->ampBypass = 1;
    platform::errPrintf("STATE DA ERRORE : bypass on\n");
  } else if (!faultBypass && w->ampBypass == 1) {
    w->ampBypass = 0;
    platform::errPrintf("STATE DA ERRORE : bypass off\n");
  }
  bool pad3 = s0 & 0x08, pad2 = s0 & 0x04;
  int att = pad3 && pad2 ? 3 : pad3 ? 2 : pad2 ? 1 : 0;
  if (att == w->Attenuator) return;
  w->Attenuator = att;
  platform::errPrintf("STATE DA ERRORE : attenuatore 3dB=%s 2dB=%s\n", pad3 ? "on" : "off", pad2 ? "on" : "off");
}

// Status byte 2 bit 7 reports a microcontroller restart; once the start-up
// query ("MR0;") has answered that there was none, a restart means the
// amplifier lost every setting. The bit stays until "CPFFFF;" is answered, so
// one restart is recovered once.
void microReset(Works* w, uint8_t s2) {
  if (!(s2 & 0x80)) {
    w->microResetRecovering = 0;
    return;
  }
  if (w->microResetArmed != 1) return;
  AddErrore(w, kErrMicroReset);
  if (!w->microResetRecovering.exchange(1)) ResendAllSettings(w);
}

void protectionErrors(Works* w, uint8_t s2) {
  microReset(w, s2);
  // A trip during a tune ends it, nothing stored, before anything else.
  if ((s2 & 0x1F) && w->tunerRunning) {
    platform::errPrintf("Linear: protection tripped during the tune, tune ended\n");
    EscAutoTune(w, 0);
  }
  if (s2 & 0x5F) {
    if (s2 & 0x40) {
      AddErrore(w, kErrBand);
    } else {
      static const char* const kDetail[] = {"I OUT", "REFL", "FWD", "SENS PW", "FILTER TX"};
      int bit = 4;
      while (!(s2 & (1 << bit))) --bit;
      SetErrorLine2(w, kErrProtection, kDetail[bit]);
      AddErrore(w, kErrProtection);
    }
  } else {
    DeleteErrore(w, kErrProtection);
    clearResetRequest(w);
  }
  if (s2 & 0x20 && w->anMode == 1 && w->tunerRunning == 0 && (w->AutoTuneMode & 0x1E) == 0) AddErrore(w, kErrPwrIn);
}

void swrError(Works* w, uint8_t s1) {
  if (s1 & 0x02) {
    AddErrore(w, kErrHighSwr);
  } else {
    DeleteErrore(w, kErrHighSwr);
    clearResetRequest(w);
  }
  if (!(s1 & 0x04)) clearResetRequest(w);
}

// The first transmitting status starts a fresh log; after a protection line,
// only a transmission that follows a receive does, or the line written for the
// alarm would be erased by the very next status.
void startTempLog(Works* w, uint8_t s1) {
  const bool transmitting = s1 & 0x01;
  if (!transmitting) w->logTempWaitReceive = 0;
  if (w->EnableLOGTemp != 1 || !transmitting || w->logTempRunning || w->logTempWaitReceive) return;
  platform::errPrintf("REMOVE file LOG \n");
  LogTempFunction(w, -1);
  LogTempFunction(w, 0);
  w->logTempRunning = 1;
}

// A calibration row with a zero reading gives an infinite factor, and
// infinity times a zero reading is NaN: such a power reads as 0 W.
float finitePower(float watts) { return std::isfinite(watts) ? watts : 0.0f; }

void powers(Works* w, const ReplyFields& r) {
  float kFwd = SearchK(w, kKFwd);
  if (auto raw = r.decimal(kPosPwrIn, 4)) {
    w->rawPwrIn = static_cast<uint16_t>(*raw);
    w->pwrIn = finitePower(SearchK(w, kKIn) * float(*raw) * float(*raw));
  }
  if (auto raw = r.decimal(kPosFwd, 4)) {
    w->rawFwd = static_cast<uint16_t>(*raw);
    w->pwrFwd = finitePower(kFwd * float(*raw) * float(*raw));
  }
  if (auto raw = r.decimal(kPosRefl, 4)) {
    w->rawRefl = static_cast<uint16_t>(*raw);
    float refl = finitePower(SearchK(w, kKRefl) * float(*raw) * float(*raw) + SearchK(w, kKReflCorr) * w->pwrFwd);
    w->pwrRefl = refl < 0 ? 0.0f : refl;
  }
  w->swrValue = CalcolaSWR(w->pwrFwd, w->pwrRefl);
  if (auto raw = r.decimal(kPosCurrent, 4)) w->ampCurrentRaw = float(*raw);
  if (w->EnablePwrPeak == 1) {
    if (auto raw = r.decimal(kPosPeak, 4)) {
      float p = finitePower(kFwd * float(*raw) * float(*raw));
      float limit = w->ampVariant == '1' ? 130.0f : 70.0f;
      w->pwrFwdPeak = p > limit ? limit : p;
    }
  }
}

// The first reading is taken as it is; later ones are smoothed 9:1. In double:
// in float, (9 x stored + t) / 10 with t equal to the stored value moves it by
// one unit in the last place for over a quarter of the readings, so a steady
// sensor would make the shown temperature creep.
void smoothTemp(std::atomic<float>& stored, std::optional<uint32_t> raw) {
  if (!raw) return;
  const double t = CalcolaTemp(static_cast<int>(*raw));
  const double old = stored;
  stored = static_cast<float>(old == 0.0 ? t : (9 * old + t) / 10);
}

// A full-scale reading is an open divider (a broken wire, an unplugged
// sensor): it would read as a cold heat sink. The sensor's warning names it
// instead, the last good temperature stays, and the over-temperature logic
// keeps the state it had rather than taking the "cold" reading as the end of
// an alarm.
bool sensorOpen(Works* w, int sensor, std::optional<uint32_t> raw) {
  const int warning = sensor == 0 ? kErrTemp1Warn : kErrTemp2Warn;
  const bool open = raw && *raw == 4095;
  if (open && !w->tempSensorOpen[sensor].exchange(1)) {
    SetErrorLine2(w, warning, sensor == 0 ? "1 open" : "2 open");
    DeleteErrore(w, warning);
    AddErrore(w, warning);
    platform::errPrintf("!!!! WARNING: temperature sensor %d open\n", sensor + 1);
  } else if (!open && raw && w->tempSensorOpen[sensor].exchange(0)) {
    DeleteErrore(w, warning);
    SetErrorLine2(w, warning, "temperature");
  }
  return w->tempSensorOpen[sensor];
}

void temperatures(Works* w, const ReplyFields& r) {
  const auto raw1 = r.decimal(kPosTemp1, 4), raw2 = r.decimal(kPosTemp2, 4);
  const bool open1 = sensorOpen(w, 0, raw1), open2 = sensorOpen(w, 1, raw2);
  if (!open1) smoothTemp(w->paTemp1, raw1);
  if (!open2) smoothTemp(w->paTemp2, raw2);
  searchPercentVentola(w);
  const float limit1 = w->MaxTemperature, limit2 = w->MaxTemperature2;
  if (!open1)
    GestTemperatureFunction(w, kErrTemp1Alarm, kErrTemp1After, kErrTemp1Warn, w->paTemp1, limit1);
  if (!open2)
    GestTemperatureFunction(w, kErrTemp2Alarm, kErrTemp2After, kErrTemp2Warn, w->paTemp2, limit2);
}

}  // namespace

float CalcolaSWR(float fwd, float refl) {
  float swr = 0;
  if (fwd > 0.3f) {
    if (fwd < refl) {
      swr = 100;
    } else {
      float rho = std::sqrt(refl / fwd);
      swr = rho == 1.0f ? 100.0f : (1 + rho) / (1 - rho);
    }
  } else if (refl > 0.5f) {
    swr = 100;
  }
  return swr > 100 ? 100 : swr;
}

void DecodeStatusReply(Works* w, const ReplyFields& r) {
  std::string frame(r.all());
  if (w->errorResendState == 2) {
    GestErroreSerial(w);
    platform::errPrintf(">>> ERRORI: End Gest Errori!!\n");
    w->errorResendState = 0;
  }
  // A status digit that did not arrive keeps the byte it had.
  auto s0 = r.hexDigit(kPosS0), s1 = r.hexDigit(kPosS1);
  auto lo = r.hexDigit(kPosS2Low), hi = r.hexDigit(kPosS2High);
  if (s0) w->ampStatus[0] = *s0;
  if (s1) w->ampStatus[1] = *s1;
  if (lo && hi) w->ampStatus[2] = static_cast<uint8_t>(*lo + 16 * *hi);
  if (s1) {
    trackBypass(w, *s1, frame.c_str());
    resyncAfterCommError(w, w->ampStatus[0], *s1);
  }
  if (lo && hi) protectionErrors(w, w->ampStatus[2]);
  if (s1) {
    swrError(w, *s1);
    startTempLog(w, *s1);
  }
  powers(w, r);
  temperatures(w, r);
  NextCmdAfterStatus(w);
  linkPause(kPauseAfterStatusMs);
}
