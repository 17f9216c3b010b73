#include "tune/autotune.h"

#include "amp/errors.h"
#include "amp/temperature.h"
#include "platform/clock.h"
#include "state/works.h"
#include "tune/autotune_control.h"
#include "tune/fast_search.h"
#include "tune/tune_records.h"
#include "tune/tune_word.h"

namespace {

constexpr int kTopSetting = 510;  // a climb stops before the last setting
constexpr float kSwrMargin = 0.1f;
// Readings are floats: a rise of exactly the margin must count as equal even
// when 0.1 is not exactly representable next to the reading.
constexpr double kSwrRounding = 1e-5;
constexpr int kFineLSteps = 7, kFineCSteps = 15, kFineLRefineSteps = 5;  // walks of 8, 16 and 6 steps

enum TuneStepNo {
  kStepStart = 0,
  kStepReset = 1,
  kStepWaitCarrier = 2,
  kStepCoarseL = 3,
  kStepFineL = 4,
  kStepCoarseC = 5,
  kStepFineC = 6,
  kStepStartLC = 7,
  kStepCoarseCLC = 8,
  kStepFineCLC = 9,
  kStepCoarseLBest = 10,
  kStepFineLBest = 11,
  kStepLast = 12,
  kStepFastSearch = 20,  // the fast search, instead of steps 3 to 11
};

void setL(Works* w, int value) {
  WaitSemaforoTuneval(w);
  SetI(w, value);
  w->tuneL = value;
  StopSemaforoTuneval(w);
}

void setC(Works* w, int value) {
  WaitSemaforoTuneval(w);
  SetC(w, value);
  w->tuneC = value;
  StopSemaforoTuneval(w);
}

void setNetwork(Works* w, int mode) {
  WaitSemaforoTuneval(w);
  SetMode(w, mode);
  StopSemaforoTuneval(w);
}

int stepBack(int value) { return value >= 2 ? value - 1 : value; }

// The newest measurement is no worse than the one before, within the margin.
bool betterOrEqual(const TuneRecords& r) {
  return static_cast<double>(r.vTuneParam[0].swr) <=
         static_cast<double>(r.vTuneParam[1].swr) + kSwrMargin + kSwrRounding;
}

// Only the external IO link reports the transceiver's transmit state; with the
// other interfaces a transmitting amplifier with real forward power is the
// carrier, so a started tune can proceed with any transceiver.
bool carrierPresent(Works* w) {
  if (w->ModeWorkIdx == 1) return w->extTx == 1;
  return (w->ampStatus[1] & 0x01) && w->pwrFwd >= kTuneCarrierMinW;
}

void measurementLimitReached(Works* w) {
  TuneEnd(w);
  EscAutoTune(w, 0);
  AddErrore(w, w->SWRescAutoTune == 0 ? kErrTuneTimeout : kErrTuneSwr);
  AttivaDisattivaProtezione(w, 1);
}

// A coarse climb of `value` by `stride`; returns true when it ended (stepping
// back to the setting before the one that made things worse).
bool climb(Works* w, const TuneRecords& r, bool inductance, int stride) {
  const int now = inductance ? w->tuneL.load() : w->tuneC.load();
  const bool up = betterOrEqual(r) && now + stride <= kTopSetting;
  const int next = up ? now + stride : stepBack(now);
  inductance ? setL(w, next) : setC(w, next);
  return !up;
}

// A fine walk of `value` down by one; returns true when it ended.
bool walkDown(Works* w, TuneRecords& r, bool inductance, int maxSteps) {
  const int now = inductance ? w->tuneL.load() : w->tuneC.load();
  if (betterOrEqual(r) && now >= 1 && r.cnttunefine <= maxSteps) {
    inductance ? setL(w, now - 1) : setC(w, now - 1);
    ++r.cnttunefine;
    return false;
  }
  return true;
}

void resetTune(Works* w, TuneRecords& r) {
  Clr_vTuneParam(w);
  setNetwork(w, 1);
  setC(w, r.tuneParam.C);
  setL(w, r.tuneParam.L);
  r.cnttune = 0;
}

// The step of the sequence that follows a measurement.
void advance(Works* w, TuneRecords& r) {
  switch (w->tuneStepNo) {
    case kStepCoarseL:
      if (climb(w, r, true, 4)) {
        r.cnttunefine = 0;
        w->tuneStepNo = kStepFineL;
      }
      break;
    case kStepFineL:
      if (walkDown(w, r, true, kFineLSteps)) {
        setC(w, w->tuneC + 8);
        r.cnttunefine = 0;
        w->tuneStepNo = kStepCoarseC;
      }
      break;
    case kStepCoarseC:
    case kStepCoarseCLC:
      if (climb(w, r, false, 8)) {
        r.cnttunefine = 0;
        w->tuneStepNo = w->tuneStepNo + 1;
      }
      break;
    case kStepFineC:
      if (walkDown(w, r, false, kFineCSteps)) {
        setNetwork(w, 2);
        setC(w, 0);
        r.cnttunefine = 0;
        w->tuneStepNo = kStepStartLC;
      }
      break;
    case kStepStartLC:
      if (w->tuneC + 8 <= kTopSetting) setC(w, w->tuneC + 8);
      w->tuneStepNo = kStepCoarseCLC;
      break;
    case kStepFineCLC:
      if (walkDown(w, r, false, kFineCSteps)) {
        // Refining L from the best of both networks only pays when the C walk
        // ran out of steps rather than into a worse reading.
        const bool notWorse = betterOrEqual(r);
        r.cnttunefine = 0;
        TuneEnd(w);
        w->tuneStepNo = kStepCoarseLBest;
        if (notWorse && w->tuneL + 2 <= kTopSetting) setL(w, w->tuneL + 2);
      }
      break;
    case kStepCoarseLBest:
      if (climb(w, r, true, 2)) {
        r.cnttunefine = 0;
        w->tuneStepNo = kStepFineLBest;
      }
      break;
    case kStepFineLBest:
      if (walkDown(w, r, true, kFineLRefineSteps)) {
        TuneEnd(w);
        w->tuneStepNo = kStepLast;
      }
      break;
    case kStepLast:
      EscAutoTune(w, 1);
      break;
  }
}

}  // namespace

int TuneStep(Works* w) {
  std::lock_guard lock(TuneRecordsLock());
  TuneRecords& r = TuneRecordsRef();
  if (w->ampStatus[1] & 0x02) {
    // A protection fault: this setting reads as hopeless, and the link clears
    // the fault before the next step.
    w->swrValue = 100;
    w->tunerRunning = 2;
  }
  r.tuneParam = TuneParam{w->swrValue, w->pwrFwd, w->tuneL, w->tuneC, w->tuneWord};
  ++r.cnttune;
  CtrlNuovoTune();
  const float target = w->SWRescAutoTune;
  if (r.tuneParam.swr < target && r.tuneParam.swr > 0.01f) {
    TuneEnd(w);
    EscAutoTune(w, 1);
    return 1;
  }
  return 0;
}

void TuneEnd(Works* w) {
  std::lock_guard lock(TuneRecordsLock());
  TuneRecords& r = TuneRecordsRef();
  r.tuneParam = r.miglioretuneParam;
  const TuneParam& best = r.miglioretuneParam;
  w->swrValue = best.swr;
  w->pwrFwd = best.fwd;
  WaitSemaforoTuneval(w);
  w->tuneL = best.L;
  w->tuneC = best.C;
  w->tuneWord = best.word;
  w->tuneMode = static_cast<uint8_t>(DecodeModoFromTuneval(best.word));
  StopSemaforoTuneval(w);
}

void TuneTask(Works* w) {
  std::lock_guard lock(TuneRecordsLock());
  // The tune key or the timer loop may have ended the tune since the link
  // looked at `tunerRunning`.
  if (w->tunerRunning == 0) return;
  if (w->cmdQueueActive) return;  // the start's commands go first
  TuneRecords& r = TuneRecordsRef();
  // Each status reply is one measurement, so the limit allows exactly that many.
  if (r.cnttune >= TuneMeasurementLimit(w)) {
    measurementLimitReached(w);
    return;
  }
  switch (w->tuneStepNo) {
    case kStepStart:
      w->tuneStepNo = kStepReset;
      return;
    case kStepReset:
      resetTune(w, r);
      w->tuneStepNo = kStepWaitCarrier;
      return;
    case kStepWaitCarrier:
      if (carrierPresent(w)) {
        platform::sleepMs(3);
        w->tuneStepNo = kStepCoarseL;
        if (w->TuneSearch == 1) {
          FastSearchStart(w);
          w->tuneStepNo = kStepFastSearch;
        }
      }
      return;
    case kStepFastSearch:
      if (TuneStep(w) == 1) return;
      if (!FastSearchStep(w)) {
        TuneEnd(w);
        w->tuneStepNo = kStepLast;  // measure the best once more
      }
      return;
    default:
      if (w->tuneStepNo < kStepCoarseL || w->tuneStepNo > kStepLast) {
        EscAutoTune(w, 0);  // a step the sequence does not have: end safely
        return;
      }
      if (TuneStep(w) == 1) return;
      advance(w, r);
  }
}
