#pragma once
// The records of an automatic tune: the latest measurement, the best one, the
// last ten, and the counters that bound the search. They belong to the
// amplifier-link thread, which runs the tune one step per status reply; the
// tune key and the timer loop may end a tune from their own threads, so every
// reader and writer goes through TuneRecordsLock.
#include <cstdint>
#include <mutex>

struct Works;

// One measurement of a tuner setting.
struct TuneParam {
  float swr;      // SWR measured
  float fwd;      // forward power measured, W
  int32_t L;      // inductance setting in effect
  int32_t C;      // capacitance setting in effect
  uint32_t word;  // tune word in effect
};

inline constexpr int kTuneHistory = 10;
inline constexpr float kTuneResetSwr = 999.0f;  // worse than any reading
// Measurement limits chosen by the setup key `AutoTuneMaxCicli` 0..4; the menu
// shows them as 25 to 5 seconds.
inline constexpr int SWRTimeoutCICLI[5] = {600, 400, 300, 200, 100};

struct TuneRecords {
  TuneParam tuneParam;                 // the latest measurement
  TuneParam miglioretuneParam;         // the best of this tune ("migliore": best)
  TuneParam vTuneParam[kTuneHistory];  // the last ten, newest at 0
  int32_t cnttune = 0;                 // measurements in this tune
  int32_t cnttunefine = 0;             // steps of the current fine walk
};

// The tune's records. TuneTask holds the lock for a whole step and may end the
// tune inside it, so the lock is recursive.
TuneRecords& TuneRecordsRef();
std::recursive_mutex& TuneRecordsLock();
// A consistent copy, for the pages and the tests.
TuneRecords CopyTuneRecords();

// Resets the records: no measurement, the best "worse than anything".
void Clr_vTuneParam(Works* works);
// Records `tuneParam` as the best if it beats it strictly, then pushes it onto
// the history.
void CtrlNuovoTune();
// The measurement limit of the setup key `AutoTuneMaxCicli` (out-of-range
// values take the longest).
int TuneMeasurementLimit(Works* works);
