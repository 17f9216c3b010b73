#include "tables/antenna_tables.h"

#include <cstring>
#include <mutex>
#include <optional>

#include "platform/files.h"
#include "platform/log.h"
#include "state/works.h"
#include "tables/interface_mode.h"
#include "tables/table_io.h"
#include "tables/tuner_memory.h"

const char* const MODEwork[3] = {"Generic", "KTXVYR", " FT-817"};

namespace {

struct DefaultBand {
  const char* name;
  int32_t start, stop;
};

constexpr DefaultBand kDefaultBands[kBandRowsMax] = {
    {"160m", 1800000, 2000000},  {"80m", 3500000, 4000000},   {"60m", 5330500, 5450000},   {"40m", 7000000, 7300000},
    {"30m", 10100000, 10150000}, {"20m", 14000000, 14350000}, {"17m", 18068000, 18168000}, {"15m", 21000000, 21450000},
    {"12m", 24890000, 24990000}, {"10m", 28000000, 29700000}, {"6m", 50000000, 54000000},
};

constexpr const char* kHeaders[3] = {"!Gen\n", "!Vyr\n", "!817\n"};

// Caller holds bandMutex.
void fillDefaults(Works* works, int flag) {
  for (int i = 0; i < kBandRowsMax; ++i) {
    works->bandRowUnread[i].clear();
    BandRow& r = works->bandTab[i];
    std::memset(r.name, 0, sizeof r.name);
    std::strncpy(r.name, kDefaultBands[i].name, sizeof r.name - 1);
    r.start = kDefaultBands[i].start;
    r.stop = kDefaultBands[i].stop;
    if (flag == 0) {
      r.ampEnable = 0;
      r.ant = 1;
      r.atuOff = 1;
      r.att = 0;
      r.pwr = 0.0f;
    }
  }
  works->bandRows = kBandRowsMax;
}

int headerType(const std::string& line, int type) {
  std::string key = line.substr(1, 3);
  if (key == "Gen") return 0;
  if (key == "Vyr") return 1;
  if (key == "817") return 2;
  return type;
}

// The name, one separator, then start, stop, ampEnable, ant, atuOff, att and
// pwr, and nothing after them. False when any of them is missing.
bool parseRow(const std::string& line, BandRow& r) {
  size_t space = line.find(' ');
  size_t nameLen = std::min(space == std::string::npos ? line.size() : space, sizeof r.name - 1);
  std::memset(r.name, 0, sizeof r.name);
  std::memcpy(r.name, line.data(), nameLen);
  // The name ends at the first space; exactly one separator follows it.
  tables::NumberReader in(line, space == std::string::npos ? line.size() : space + 1);
  r.start = static_cast<int32_t>(in.unsignedAny());
  r.stop = static_cast<int32_t>(in.unsignedAny());
  r.ampEnable = static_cast<uint8_t>(in.decimal());
  r.ant = static_cast<uint8_t>(in.decimal());
  r.atuOff = static_cast<uint8_t>(in.decimal());
  r.att = static_cast<uint8_t>(in.decimal());
  r.pwr = in.real();
  return space != std::string::npos && in.ok() && in.atEnd();
}

// A row that did not read keeps its place with a range that holds no
// frequency, so no lookup ever applies its antenna, bypass or attenuation.
void disableRow(BandRow& r) {
  r.start = 0;
  r.stop = -1;
  r.ampEnable = r.ant = r.atuOff = r.att = 0;
  r.pwr = 0.0f;
}

}  // namespace

void InitTabAntenna(Works* works, int flag) {
  std::lock_guard lock(works->bandMutex);
  fillDefaults(works, flag);
}

int ParseTabConfig(Works* works, const std::string& text) {
  std::lock_guard lock(works->bandMutex);
  for (auto& r : works->bandTab) r.ampEnable = 0;
  for (auto& t : works->bandRowUnread) t.clear();
  int type = 0;
  int rows = 0;
  size_t number = 0;
  for (const auto& line : tables::splitTableLines(text, "antenna.txt")) {
    ++number;
    if (!line.empty() && line[0] == ';') continue;
    if (tables::blankLine(line)) continue;
    if (!line.empty() && line[0] == '!') {
      type = headerType(line, type);
      continue;
    }
    if (rows >= kBandRowsMax) {
      platform::errPrintf("antenna.txt: more than %d band rows, the rest skipped\n", kBandRowsMax);
      break;
    }
    BandRow& r = works->bandTab[rows];
    if (!parseRow(line, r)) {
      platform::errPrintf("antenna.txt line %zu does not read as a band row: row %d disabled\n", number, rows + 1);
      disableRow(r);
      works->bandRowUnread[rows] = line;
    }
    ++rows;
  }
  works->bandRows = rows;
  return type;
}

int LoadTabConfig(Works* works, int bank) {
  // An unreadable table runs on the defaults, and the writer keeps them out
  // of its file.
  platform::FileRead file = tables::loadTableFile(tables::bandTablePath(bank), "antenna.txt");
  if (!file.ok()) {
    InitTabAntenna(works, 0);
    return 0;
  }
  int type = ParseTabConfig(works, file.bytes);
  {
    std::lock_guard lock(works->bandMutex);
    for (int i = 0; i < works->bandRows; ++i) {
      if (!works->bandRowUnread[i].empty()) continue;  // disabled on purpose, not damaged
      if (works->bandTab[i].start == 0 || works->bandTab[i].stop == 0) {
        fillDefaults(works, 1);
        platform::errPrintf("Error Reinit antenna\n");
        break;
      }
    }
  }
  works->bandRowIdx = -1;
  return type;
}

std::string FormatTabConfig(Works* works, int type) {
  std::lock_guard lock(works->bandMutex);
  std::string out = kHeaders[(type >= 0 && type <= 2) ? type : 0];
  int rows = std::min<int>(works->bandRows, kBandRowsMax);
  for (int i = 0; i < rows; ++i) {
    if (!works->bandRowUnread[i].empty()) {
      out += works->bandRowUnread[i] + "\n";
      continue;
    }
    const BandRow& r = works->bandTab[i];
    out += tables::format("%s %ld %ld %i %i %i %i %2.1f\n", r.name, static_cast<long>(r.start),
                          static_cast<long>(r.stop), r.ampEnable, r.ant, r.atuOff, r.att, static_cast<double>(r.pwr));
  }
  return out;
}

void SaveTabConfig(Works* works, int bank) {
  tables::saveTableFile(tables::bandTablePath(bank), FormatTabConfig(works, works->ModeWorkIdx));
}

void LoadAllBankTable(Works* works, int bank) {
  works->ModeWorkIdx = LoadTabConfig(works, bank);
  for (int a = 0; a < kTuneMemAntennas; ++a) LoadTabAtu(works, bank, a);
  SetModeWorkIDX(works);
}

void SaveToBank(Works* works, int bank, int antenna) {
  const int32_t f = static_cast<int32_t>(works->freq.load());
  {
    std::lock_guard lock(works->bandMutex);
    int rows = std::min<int>(works->bandRows, kBandRowsMax);
    for (int i = 0; i < rows; ++i) {
      BandRow& r = works->bandTab[i];
      if (r.start <= f && f <= r.stop) {
        r.ant = static_cast<uint8_t>(antenna + 1);
        r.atuOff = works->atuBypass;
        r.att = static_cast<uint8_t>(works->Attenuator.load());
        r.ampEnable = works->attStep <= 3 ? 1 : 0;
        break;
      }
    }
  }
  SaveTabConfig(works, bank);
}

void ModifytabAntenna(Works* works, int direction) {
  const int row = works->bandSelRow;
  const bool up = direction == 0;
  std::lock_guard lock(works->bandMutex);
  if (row < 0 || row >= kBandRowsMax) return;
  BandRow& r = works->bandTab[row];
  switch (works->bandSelCol.load()) {
    case 0:
      r.pwr += up ? 0.1f : -0.1f;
      break;
    case 1:
      r.att = static_cast<uint8_t>(r.att + (up ? 1 : -1));
      if (r.att > 3) r.att = 0;
      break;
    case 2:
      r.ampEnable = r.ampEnable ? 0 : 1;
      break;
    case 3: {
      int ant = r.ant + (up ? 1 : -1);
      if (ant <= 0) ant = 3;
      if (ant > 3) ant = 1;
      r.ant = static_cast<uint8_t>(ant);
      break;
    }
    case 4:
      r.atuOff = r.atuOff ? 0 : 1;
      break;
    default:
      break;
  }
}
