#pragma once
// Fields of `works` owned by the band, filter, antenna and tuner-memory tables.
// The tables are read by the timer and link threads and changed by the key
// thread, so each table has its own mutex; the cursors and flags are atomic.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "state/table_types.h"

struct TablesFields {
  std::atomic<int> ModeWorkIdx;  // interface type of the bank's band table
  std::atomic<int> bandRowIdx;   // band row in force: 100 none, -1 re-evaluate
  // A bank change asked for while transmitting, carried out in receive:
  // 0 none, -1 the next bank, otherwise the bank + 1.
  std::atomic<int> heldBank;

  // Band filters.
  FilterEntry filterTab[kFilterEntries];
  std::mutex filterMutex;           // guards filterTab
  std::atomic<int> filterSel;       // entry selected on the filter page
  std::atomic<uint8_t> filterMask;  // filter bit last sent, 0 before the first

  // Band table of the current bank.
  BandRow bandTab[kBandRowsMax];
  std::atomic<int> bandRows;                // rows in use
  std::mutex bandMutex;                     // guards bandTab and bandRowUnread
  // The text of a band row that did not read, kept so the row keeps its place
  // and a save writes it back as it was; empty for a row that read.
  std::string bandRowUnread[kBandRowsMax];
  std::atomic<int> bandSelRow, bandSelCol;  // memory-table page cursor, column -1 none
  std::atomic<int> attStep;                 // attenuation shown: 0..3, 4 stand-by

  // Tuner memories of the current bank, one per antenna.
  TuneMemEntry tuneMem[kTuneMemAntennas][kTuneMemSlots];
  std::mutex tuneMemMutex;                   // guards tuneMem
  std::atomic<int> tuneMemBank, tuneMemAnt;  // target of a tune save
};
