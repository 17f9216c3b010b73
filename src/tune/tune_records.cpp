#include "tune/tune_records.h"

#include "state/works.h"

namespace {

TuneRecords gRecords;
std::recursive_mutex gRecordsMutex;

}  // namespace

TuneRecords& TuneRecordsRef() { return gRecords; }
std::recursive_mutex& TuneRecordsLock() { return gRecordsMutex; }

TuneRecords CopyTuneRecords() {
  std::lock_guard lock(gRecordsMutex);
  return gRecords;
}

void Clr_vTuneParam(Works*) {
  std::lock_guard lock(gRecordsMutex);
  gRecords.tuneParam = TuneParam{kTuneResetSwr, 0, 0, 0, 0};
  gRecords.miglioretuneParam = gRecords.tuneParam;
  for (TuneParam& p : gRecords.vTuneParam) p = gRecords.tuneParam;
}

void CtrlNuovoTune() {
  std::lock_guard lock(gRecordsMutex);
  TuneRecords& r = gRecords;
  if (r.tuneParam.swr < r.miglioretuneParam.swr) r.miglioretuneParam = r.tuneParam;
  for (int i = kTuneHistory - 1; i > 0; --i) r.vTuneParam[i] = r.vTuneParam[i - 1];
  r.vTuneParam[0] = r.tuneParam;
}

int TuneMeasurementLimit(Works* works) {
  const int idx = works->AutoTuneMaxCicli;
  return idx >= 0 && idx < 5 ? SWRTimeoutCICLI[idx] : SWRTimeoutCICLI[0];
}
