#pragma once
// Fields of `works` for protection: band table and thresholds, temperatures,
// fan and errors.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "state/error_descriptors.h"
#include "state/table_types.h"

struct AmpProtectionFields {
  // Band configuration table: loaded once before the threads start and only
  // read afterwards.
  std::vector<ConfigRow> configTab;
  int configRows;

  // Protection thresholds sent with "TS" (raw 0..4095) and the band segment in force.
  std::atomic<int> sogliaPWIN, sogliaFWD, sogliaREFL, sogliaCorrente;
  std::atomic<int> sogliaIdx;

  // Temperatures (degrees Celsius), smoothed by the status decoder.
  std::atomic<float> paTemp1, paTemp2;
  std::atomic<float> cpuTemp, gpuTemp;
  // Per sensor: its over-temperature alarm is in force (protections switched
  // on). Kept apart from the error list, which ignores every change while
  // errors are muted at start-up.
  std::atomic<uint8_t> tempAlarmLatched[2];
  // Per sensor: its divider reads open (full scale), so it says nothing.
  std::atomic<uint8_t> tempSensorOpen[2];
  std::atomic<int> logTempRunning;  // the temperature log has been started
  // 1 from a protection line until a status shows receive: the transmission
  // that raised the alarm must not start a fresh log over that line.
  std::atomic<int> logTempWaitReceive;
  std::mutex clockMutex;            // guards clockText
  char clockText[81];
  long clockSecond;  // second of the last clockText (timer thread only)

  // Fan: curve loaded once at start-up, then read only.
  std::vector<FanRow> ventolaTab;
  int ventolaRows;
  std::atomic<int> fanPercent, fanPercentSent;

  // Errors: list and descriptor texts guarded by errorMutex.
  std::mutex errorMutex;
  int errorList[kNumErrors];
  std::atomic<int> errorCount;
  std::array<ErrorDescriptor, kNumErrors> errorTable = kErrorDescriptors;
  std::atomic<uint8_t> errorFlags;
  std::atomic<int> errorsMuted;
  std::atomic<uint8_t> errorResendState;
  std::atomic<int> errorRepeatTimer;  // ms hold-off of error 4
};
